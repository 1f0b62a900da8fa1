#!/usr/bin/env python3
"""Times the Python package: in memory against Pillow, and a folder of small
pictures through vastrelmon.bulk, a thread pool and the README's xargs recipe.

1. photo8 (bmpgen) at 64 x 64 and 1600 x 1200: the median time of
   vastrelmon.convert and of Pillow's Image.open(BytesIO(data)).save(out,
   "GIF") in this process, and their ratio (target at most 0.1).
2. FILES (10,000) 64 x 64 photo8 BMPs in a folder, each GIF written beside
   its BMP with the program's promise (complete and on the disk, never
   replacing a file): files per second through
   - `find . -iname '*.bmp' -print0 | xargs -0 -P "$(nproc)" -n 1 vastrelmon`
     with the program of `make build`;
   - a concurrent.futures thread pool of two threads per core, each reading
     a group of 64 BMPs, calling vastrelmon.convert and writing the GIFs
     as vastrelmon.bulk writes a group (target: at least 3 x the xargs rate);
   - vastrelmon.bulk.convert_tree on a local cluster of one worker process
     per core, started beforehand (target: at least the xargs rate); the
     cluster's start is timed apart.

Run with the Python that has vastrelmon installed, from the repository:
    build-python/venv/bin/python python/bench.py [--files 10000] [--folder /dev/shm]
"""
import argparse
import io
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time
from concurrent.futures import ThreadPoolExecutor
from pathlib import Path

import vastrelmon
from vastrelmon import bulk

REPO = Path(__file__).resolve().parent.parent


def median_ms(call, runs):
    times = []
    for _ in range(runs):
        start = time.perf_counter()
        call()
        times.append((time.perf_counter() - start) * 1000)
    return statistics.median(times)


def in_memory(bmpgen, folder, runs):
    from PIL import Image
    worst = 0.0
    print("| photo8 | vastrelmon.convert ms | Pillow ms | ratio (target <= 0.1) |")
    print("|---|---|---|---|")
    for width, height in [(64, 64), (1600, 1200)]:
        path = folder / f"photo8-{width}x{height}.bmp"
        subprocess.run([bmpgen, "photo8", str(width), str(height), path], check=True, capture_output=True)
        data = path.read_bytes()
        count = runs if width < 1000 else max(11, runs // 5)
        ours = median_ms(lambda: vastrelmon.convert(data), count)
        theirs = median_ms(lambda: Image.open(io.BytesIO(data)).save(io.BytesIO(), "GIF"), count)
        worst = max(worst, ours / theirs)
        print(f"| {width} x {height} | {ours:.3f} | {theirs:.3f} | {ours / theirs:.3f} |")
    return worst


def thread_pool(folder, threads):
    def one(paths):
        gifs = [(path[:-3] + "gif", vastrelmon.convert(Path(path).read_bytes())) for path in paths]
        return [f"{path}: {outcome}" for (path, _), outcome in zip(gifs, bulk._write_local(gifs))
                if outcome is not True]
    paths = [os.path.join(top, name) for top, _, names in os.walk(folder) for name in names
             if name.lower().endswith(".bmp")]
    groups = [paths[start:start + bulk.GROUP] for start in range(0, len(paths), bulk.GROUP)]
    with ThreadPoolExecutor(threads) as pool:
        failures = [failure for failures in pool.map(one, groups) for failure in failures]
    assert not failures, failures[:3]


def folder_rates(bmpgen, program, folder, files):
    import distributed
    sample = folder / "sample.bmp"
    subprocess.run([bmpgen, "photo8", "64", "64", sample], check=True, capture_output=True)
    data = sample.read_bytes()
    cores = os.cpu_count() or 1
    pool_threads = 2 * cores  # the syncs of one group overlap the conversion of another
    runs = {}

    def tree(name):
        root = folder / name
        for n in range(files):
            sub = root / f"d{n // 1000}"
            if n % 1000 == 0:
                sub.mkdir(parents=True)
            (sub / f"p{n}.bmp").write_bytes(data)
        os.sync()
        return root

    root = tree("xargs")
    start = time.perf_counter()
    subprocess.run(f"find . -iname '*.bmp' -print0 | xargs -0 -P \"$(nproc)\" -n 1 '{program}' > /dev/null",
                   shell=True, check=True, cwd=root)
    runs["xargs -P $(nproc) -n 1 vastrelmon"] = time.perf_counter() - start

    root = tree("threads")
    start = time.perf_counter()
    thread_pool(root, pool_threads)
    runs[f"thread pool ({pool_threads} threads), convert"] = time.perf_counter() - start

    root = tree("bulk")
    start = time.perf_counter()
    with distributed.LocalCluster(n_workers=cores, threads_per_worker=1, processes=True,
                                  dashboard_address=None) as cluster, distributed.Client(cluster) as client:
        client.wait_for_workers(cores)
        started = time.perf_counter() - start
        start = time.perf_counter()
        summary = bulk.convert_tree(str(root), scheduler=client)
        runs[f"vastrelmon.bulk, LocalCluster {cores} workers"] = time.perf_counter() - start
    assert summary.converted == files and summary.ok, summary

    for name in ("xargs", "threads", "bulk"):
        gifs = list((folder / name).rglob("*.gif"))
        assert len(gifs) == files and all(gif.read_bytes() == gifs[0].read_bytes() for gif in gifs[:50])
    print(f"\n{files} photo8 64 x 64 BMPs, {cores} cores:\n")
    print("| way | seconds | files/s | against xargs |")
    print("|---|---|---|---|")
    xargs_rate = files / runs["xargs -P $(nproc) -n 1 vastrelmon"]
    rates = {}
    for name, seconds in runs.items():
        rates[name] = files / seconds
        print(f"| {name} | {seconds:.2f} | {rates[name]:.0f} | {rates[name] / xargs_rate:.2f} x |")
    print(f"\nthe local cluster's start: {started:.2f} s")
    return rates, xargs_rate


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--bmpgen", default=str(REPO / "build-test" / "bmpgen"))
    parser.add_argument("--program", default=str(REPO / "build" / "vastrelmon"), help="the program of `make build`")
    parser.add_argument("--files", type=int, default=10000)
    parser.add_argument("--runs", type=int, default=101)
    parser.add_argument("--folder", help="where the pictures go (default: the temporary folder); "
                        "/dev/shm leaves the disk's syncs out")
    args = parser.parse_args()
    folder = Path(tempfile.mkdtemp(prefix="vastrelmon-bench-", dir=args.folder))
    try:
        worst = in_memory(args.bmpgen, folder, args.runs)
        rates, xargs_rate = folder_rates(args.bmpgen, args.program, folder, args.files)
    finally:
        shutil.rmtree(folder)
    pool = next(rate for name, rate in rates.items() if name.startswith("thread pool"))
    dask = next(rate for name, rate in rates.items() if name.startswith("vastrelmon.bulk"))
    print(f"\nin memory against Pillow: worst ratio {worst:.3f} (target at most 0.1)")
    print(f"thread pool against xargs: {pool / xargs_rate:.2f} x (target at least 3)")
    print(f"Dask against xargs: {dask / xargs_rate:.2f} x (target at least 1)")
    return 0


if __name__ == "__main__":
    sys.exit(main())
