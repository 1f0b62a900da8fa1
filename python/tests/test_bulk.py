"""vastrelmon.bulk on a local Dask cluster of two worker processes."""
import random
import subprocess
import sys

import pytest

import vastrelmon
from vastrelmon import bulk
from conftest import bmp8

distributed = pytest.importorskip("distributed")


def test_object_store_urls_and_bad_arguments(picture):
    fsspec = pytest.importorskip("fsspec")
    memory = fsspec.filesystem("memory")
    memory.pipe_file("/bulk-in/x/a.bmp", picture("photo8", 20, 10).read_bytes())
    memory.pipe_file("/bulk-in/b.bmp", b"BM")
    memory.pipe_file("/bulk-out/b.gif", b"mine")
    summary = bulk.convert_tree("memory://bulk-in", "memory://bulk-out", scheduler="sync", color_mode="grey")
    assert (summary.converted, summary.skipped, summary.failed) == (1, 1, [])
    assert memory.cat_file("/bulk-out/x/a.gif") == vastrelmon.convert(
        memory.cat_file("/bulk-in/x/a.bmp"), color_mode="grey")
    with pytest.raises(ValueError):
        bulk.convert_tree("memory://bulk-in", scheduler="sync", color_mode="purple")
    with pytest.raises(NotADirectoryError):
        bulk.convert_tree("memory://no-such-folder", scheduler="sync")


@pytest.mark.parametrize("fallbacks", [False, True])
def test_a_group_written_together_keeps_each_files_promise(picture, tmp_path, monkeypatch, fallbacks):
    if fallbacks:  # neither syncfs nor unnamed files: each file synced alone, hidden temporaries
        monkeypatch.setattr(bulk, "_syncfs", None)
        monkeypatch.delattr(bulk.os, "O_TMPFILE")
    source = str(picture("photo8", 20, 10))
    cut = tmp_path / "cut.bmp"
    cut.write_bytes(b"BM")
    (tmp_path / "taken.gif").write_bytes(b"mine")
    (tmp_path / "a file").write_bytes(b"")
    pairs = [(source, str(tmp_path / "new" / "a.gif")), (source, str(tmp_path / "taken.gif")),
             (source, str(tmp_path / "a file" / "b.gif")), (str(tmp_path / "missing.bmp"), str(tmp_path / "m.gif")),
             (str(cut), str(tmp_path / "cut.gif"))]
    local = bulk.LocalFileSystem()
    records = [(outcome, kind) for outcome, _, kind, _ in bulk._convert_batch(pairs, local, local, {})]
    assert records == [("converted", ""), ("skipped", ""), ("failed", "io"), ("failed", "io"),
                       ("failed", "cut-bmp")]
    assert (tmp_path / "new" / "a.gif").read_bytes() == vastrelmon.convert(open(source, "rb").read())
    assert (tmp_path / "taken.gif").read_bytes() == b"mine"
    assert sorted(p.name for p in tmp_path.rglob("*")) == ["a file", "a.gif", "cut.bmp", "new", "taken.gif"]


@pytest.fixture(scope="module")
def client():
    with distributed.LocalCluster(n_workers=2, threads_per_worker=1, processes=True,
                                  dashboard_address=None) as cluster, distributed.Client(cluster) as client:
        yield client


def make_tree(root, count, seed=7):
    """count small 8-bit BMPs in 20 folders: every 37th cut short, every
    29th with its GIF already there. Returns (good, bad, existing) paths."""
    rng = random.Random(seed)
    good, bad, existing = [], [], []
    for n in range(count):
        width, height, colours = rng.randint(1, 24), rng.randint(1, 24), rng.randint(1, 256)
        palette = [tuple(rng.randrange(256) for _ in range(3)) for _ in range(colours)]
        data = bmp8(width, height, bytes(rng.randrange(colours) for _ in range(width * height)), palette)
        path = root / f"d{n % 20}" / (f"p {n}.bmp" if n % 3 else f"P{n}.BMP")
        path.parent.mkdir(exist_ok=True)
        if n % 37 == 0:
            path.write_bytes(data[:40])
            bad.append(path)
            continue
        path.write_bytes(data)
        if n % 29 == 0:
            path.with_name(path.name[:-3] + "gif").write_bytes(b"mine")
            existing.append(path)
        else:
            good.append(path)
    return good, bad, existing


def test_a_tree_converts_on_a_cluster(client, tmp_path, run_program):
    good, bad, existing = make_tree(tmp_path, 2000)
    summary = bulk.convert_tree(str(tmp_path), scheduler=client, batch_size=150)
    assert (summary.converted, summary.skipped) == (len(good), len(existing))
    assert sorted(f.path for f in summary.failed) == sorted(str(p) for p in bad)
    assert all(f.kind in ("bad-bmp", "cut-bmp") and f.message for f in summary.failed)
    gif = {p: p.with_name(p.name[:-3] + "gif") for p in good + bad + existing}
    for path in good:
        assert gif[path].read_bytes() == vastrelmon.convert(path.read_bytes())
    for path in good[::len(good) // 50]:
        assert gif[path].read_bytes() == run_program(path)[0]
    assert all(gif[p].read_bytes() == b"mine" for p in existing)
    assert not any(gif[p].exists() for p in bad)
    assert not list(tmp_path.rglob(".vastrelmon-*"))

    again = bulk.convert_tree(str(tmp_path), scheduler=client)
    assert (again.converted, again.skipped, len(again.failed)) == (0, len(good) + len(existing), len(bad))


def test_the_command_line_writes_under_a_target(client, tmp_path):
    source, target = tmp_path / "in", tmp_path / "out"
    source.mkdir()
    good, bad, existing = make_tree(source, 60)
    (target / "d3").mkdir(parents=True)
    (target / "d3" / "p 23.gif").write_bytes(b"mine")
    command = [sys.executable, "-m", "vastrelmon.bulk", str(source), str(target),
               "--scheduler", client.scheduler.address, "--no-interlace"]
    done = subprocess.run(command, capture_output=True, text=True, timeout=300)
    assert done.returncode == 1, done.stderr
    last = done.stdout.splitlines()[-1]
    assert last == f"{len(good) + len(existing) - 1} converted, 1 skipped (GIF exists), {len(bad)} failed"
    assert (target / "d3" / "p 23.gif").read_bytes() == b"mine"
    made = target / "d5" / "p 5.gif"
    assert made.read_bytes() == vastrelmon.convert((source / "d5" / "p 5.bmp").read_bytes(), interlace=False)
    for path in bad:
        path.unlink()
    done = subprocess.run(command, capture_output=True, text=True, timeout=300)
    assert done.returncode == 0 and "0 converted" in done.stdout
    assert len(list(source.rglob("*.gif"))) == len(existing)  # nothing written beside the BMPs
