"""Every BMP under a folder or an fsspec URL to GIF, on Dask.

    convert_tree(source, target=None, *, scheduler=None, batch_size=250,
                 progress=False, **options) -> Summary

    python3 -m vastrelmon.bulk SOURCE [TARGET] [--scheduler ADDRESS]

Each BMP (any name ending in .bmp, any case) found under source gets its
GIF beside it, or under target at the same relative path, named as the
program names it (the last three characters replaced by "gif"). A GIF that
exists is never touched: its BMP counts as skipped. Files are read and
written as bytes through fsspec, so source and target may be local folders
or object-store URLs; the files go to the workers in batches of batch_size,
so each task does enough work to outweigh its cost.

A local GIF gets its name only once it is complete and on the disk, in one
step that fails if the name is taken, as the program does: nothing half
written is ever seen under a GIF's name, and a kill leaves nothing (Linux)
or at most a hidden `.vastrelmon-XXXXXXXX.tmp`. GIFs are written in groups
of GROUP, whose data reach the disk in one flush rather than one wait per
file. An object store publishes
each object whole; there the name is checked just before the write, as
stores have no exclusive create.

Without a scheduler a local cluster of one worker process per core is
started for the call; a scheduler address ("tcp://host:8786") or a
distributed.Client runs the same work on that cluster; "threads",
"processes" or "sync" use Dask's own schedulers in this process.
"""
from __future__ import annotations

import argparse
import contextlib
import ctypes
import os
import sys
import tempfile
from concurrent.futures import ThreadPoolExecutor
from dataclasses import dataclass, field
from typing import Any, Iterator, List, Optional, Tuple

import dask.bag  # type: ignore[import]
import fsspec  # type: ignore[import]
from fsspec.implementations.local import LocalFileSystem  # type: ignore[import]

import vastrelmon

__all__ = ["Summary", "Failure", "convert_tree", "main"]

LOCAL_SCHEDULERS = ("threads", "processes", "sync", "synchronous", "single-threaded")


@dataclass(frozen=True)
class Failure:
    """A BMP that was not converted: its path and why (the program's message,
    or the error of reading or writing)."""

    path: str
    kind: str
    message: str


@dataclass
class Summary:
    """What convert_tree did: counts of converted and skipped BMPs, and each
    failure."""

    converted: int = 0
    skipped: int = 0
    failed: List[Failure] = field(default_factory=list)

    @property
    def ok(self) -> bool:
        """True when no BMP failed."""
        return not self.failed

    def __str__(self) -> str:
        lines = [f"failed: {failure.path}: {failure.message}" for failure in self.failed]
        lines.append(f"{self.converted} converted, {self.skipped} skipped (GIF exists), "
                     f"{len(self.failed)} failed")
        return "\n".join(lines)


# syncfs(2), where the C library has it (Linux): one flush of the file
# system for a group of GIFs, where each file's own sync would wait on the
# disk once per file.
try:
    _syncfs = ctypes.CDLL(None, use_errno=True).syncfs
except (AttributeError, OSError, TypeError):
    _syncfs = None

# GIFs written, synced and named together; bounds the descriptors held open.
GROUP = 64


class _Unnamed:
    """A GIF's bytes in an unnamed file (O_TMPFILE) of its folder, or where
    there is none a hidden temporary, waiting for its name."""

    def __init__(self, path: str, data: bytes) -> None:
        self.folder, self.name = os.path.split(os.path.abspath(path))
        os.makedirs(self.folder, exist_ok=True)
        try:
            self.descriptor, self.temporary = os.open(self.folder, os.O_TMPFILE | os.O_WRONLY, 0o666), None
        except (AttributeError, OSError):
            self.descriptor, self.temporary = tempfile.mkstemp(prefix=".vastrelmon-", suffix=".tmp",
                                                               dir=self.folder)
        try:
            view = memoryview(data)
            while view:
                view = view[os.write(self.descriptor, view):]
        except BaseException:
            self.close()
            raise

    def link(self, folder_descriptor: int) -> bool:
        """Gives the file its name; False when the name is taken. linkat
        with AT_SYMLINK_FOLLOW, which a folder descriptor makes os.link
        use, names the unnamed file; neither way replaces."""
        try:
            os.link(f"/proc/self/fd/{self.descriptor}" if self.temporary is None else self.temporary, self.name,
                    dst_dir_fd=folder_descriptor, follow_symlinks=True)
        except FileExistsError:
            return False
        return True

    def close(self) -> None:
        os.close(self.descriptor)
        if self.temporary is not None:
            os.unlink(self.temporary)


def _write_local(gifs: List[Tuple[str, bytes]]) -> List["bool | OSError"]:
    """Writes each (path, data) as a new file, each named only once it is
    complete and on the disk, as the program writes one: True when written,
    False when the name was taken (that file is left alone), or the error.
    The group's data is flushed in one step, then each file's own sync
    confirms it (and reports its errors) without a wait of its own; then
    the names, then each folder synced once so the names reach the disk."""
    outcomes: List["bool | OSError"] = [False] * len(gifs)
    waiting: List[Tuple[int, _Unnamed]] = []
    folders: dict = {}
    try:
        for n, (path, data) in enumerate(gifs):
            try:
                waiting.append((n, _Unnamed(path, data)))
            except OSError as error:
                outcomes[n] = error
        if _syncfs is not None and waiting:
            _syncfs(waiting[0][1].descriptor)  # a failure shows in the syncs below
        for n, gif in waiting:
            try:
                os.fdatasync(gif.descriptor) if hasattr(os, "fdatasync") else os.fsync(gif.descriptor)
                if gif.folder not in folders:
                    folders[gif.folder] = os.open(gif.folder, os.O_RDONLY | getattr(os, "O_DIRECTORY", 0))
                outcomes[n] = gif.link(folders[gif.folder])
            except OSError as error:
                outcomes[n] = error
        for descriptor in folders.values():
            with contextlib.suppress(OSError):  # file systems that cannot sync folders
                os.fsync(descriptor)
    finally:
        for _, gif in waiting:
            with contextlib.suppress(OSError):
                gif.close()
        for descriptor in folders.values():
            os.close(descriptor)
    return outcomes


def _convert_one(pair: Tuple[str, str], source_fs: Any, options: dict) -> "bytes | Failure":
    try:
        return vastrelmon.convert(source_fs.cat_file(pair[0]), **options)
    except vastrelmon.Error as error:
        return Failure(pair[0], error.kind, error.message)
    except OSError as error:
        return Failure(pair[0], "io", str(error))


def _write_new(target_fs: Any, gifs: List[Tuple[str, bytes]], pool: ThreadPoolExecutor) -> List["bool | OSError"]:
    """Writes each (path, data) unless the name is taken (then False), or
    its error. An object store has no exclusive create: the name is checked
    just before the write, and the writes, which wait on the network, go
    out on the pool's threads."""
    if isinstance(target_fs, LocalFileSystem):
        return _write_local(gifs)

    def put(gif: Tuple[str, bytes]) -> "bool | OSError":
        try:
            if target_fs.exists(gif[0]):
                return False
            target_fs.pipe_file(gif[0], gif[1])
            return True
        except OSError as error:
            return error
    return list(pool.map(put, gifs))


# Threads of one batch: reads from a store wait, and the conversion runs
# without the GIL, so they overlap.
BATCH_THREADS = 4


def _convert_batch(pairs: List[Tuple[str, str]], source_fs: Any, target_fs: Any,
                   options: dict) -> List[Tuple[str, str, str, str]]:
    """On a worker: converts each (BMP, GIF) pair, as ("converted" |
    "skipped" | "failed", BMP path, kind, message)."""
    records = []
    with ThreadPoolExecutor(BATCH_THREADS) as pool:
        for start in range(0, len(pairs), GROUP):
            group = pairs[start:start + GROUP]
            made = list(pool.map(lambda pair: _convert_one(pair, source_fs, options), group))
            written = iter(_write_new(target_fs, [(gif, data) for (_, gif), data in zip(group, made)
                                                   if not isinstance(data, Failure)], pool))
            for (bmp, _), data in zip(group, made):
                outcome = data if isinstance(data, Failure) else next(written)
                if isinstance(outcome, Failure):
                    records.append(("failed", bmp, outcome.kind, outcome.message))
                elif isinstance(outcome, OSError):
                    records.append(("failed", bmp, "io", str(outcome)))
                else:
                    records.append(("converted" if outcome else "skipped", bmp, "", ""))
    return records


def _pairs(source: str, target: Optional[str]) -> Tuple[Any, Any, List[Tuple[str, str]], int]:
    """The file systems, the (BMP, GIF) pairs to convert and the count of
    BMPs whose GIF exists already."""
    source_fs, source_root = fsspec.core.url_to_fs(source)
    target_fs, target_root = (source_fs, source_root) if target is None else fsspec.core.url_to_fs(target)
    if not source_fs.isdir(source_root):
        raise NotADirectoryError(f"{source}: not a folder")
    source_root = source_root.rstrip("/")
    target_root = target_root.rstrip("/")
    found = source_fs.find(source_root)
    existing = set(found if target is None else target_fs.find(target_root))
    pairs, skipped = [], 0
    for path in sorted(found):
        if not path.lower().endswith(".bmp"):
            continue
        gif = target_root + path[len(source_root):-3] + "gif"
        if gif in existing:
            skipped += 1
        else:
            pairs.append((path, gif))
    return source_fs, target_fs, pairs, skipped


@contextlib.contextmanager
def _client(scheduler: Any) -> Iterator[Any]:
    """A distributed client for scheduler, or None for Dask's local ones."""
    if isinstance(scheduler, str) and scheduler in LOCAL_SCHEDULERS:
        yield None
        return
    import distributed
    if isinstance(scheduler, distributed.Client):
        yield scheduler
    elif scheduler is None:
        with distributed.LocalCluster(n_workers=os.cpu_count() or 1, threads_per_worker=1, processes=True,
                                      dashboard_address=None) as cluster, distributed.Client(cluster) as client:
            yield client
    else:
        with distributed.Client(scheduler) as client:
            yield client


def convert_tree(source: "str | os.PathLike[str]", target: "Optional[str | os.PathLike[str]]" = None, *,
                 scheduler: Any = None, batch_size: int = 250, progress: bool = False, **options: Any) -> Summary:
    """Converts every BMP under source (a folder or fsspec URL) to a GIF
    beside it, or under target at the same relative path, on Dask, and
    returns what was converted, skipped (the GIF exists) and failed.

    scheduler: None (a local cluster of one worker process per core, for
    this call), a scheduler address or distributed.Client, or "threads",
    "processes" or "sync". batch_size: BMPs per task. progress: show a
    progress bar. options: those of vastrelmon.convert, checked here first.
    """
    if batch_size < 1:
        raise ValueError("batch_size must be at least 1")
    # Bad options are the caller's mistake, told once rather than per file.
    _check_options(options)
    source_fs, target_fs, pairs, skipped = _pairs(os.fspath(source), None if target is None else os.fspath(target))
    summary = Summary(skipped=skipped)
    if pairs:
        bag = dask.bag.from_sequence(pairs, partition_size=batch_size).map_partitions(
            _convert_batch, source_fs, target_fs, options)
        with _client(scheduler) as client:
            if client is None:
                bar = _local_progress() if progress else contextlib.nullcontext()
                with bar:
                    records = bag.compute(scheduler=scheduler)
            else:
                future = client.compute(bag)
                if progress:
                    import distributed
                    distributed.progress(future)
                records = future.result()
        for outcome, path, kind, message in records:
            if outcome == "failed":
                summary.failed.append(Failure(path, kind, message))
            elif outcome == "converted":
                summary.converted += 1
            else:
                summary.skipped += 1
    return summary


def _check_options(options: dict) -> None:
    """Raises ValueError or TypeError for options convert would refuse."""
    vastrelmon.encode(memoryview(b"\0").cast("B", (1, 1)), palette=b"\0\0\0", **options)


def _local_progress() -> Any:
    from dask.diagnostics import ProgressBar
    return ProgressBar()


def main(argv: Optional[List[str]] = None) -> int:
    """The command line; returns the exit status (0: nothing failed)."""
    parser = argparse.ArgumentParser(
        prog="python3 -m vastrelmon.bulk",
        description="Converts every BMP under SOURCE (a folder or fsspec URL) to GIF on Dask, beside "
                    "each BMP or under TARGET at the same relative path; existing GIFs are skipped.")
    parser.add_argument("source")
    parser.add_argument("target", nargs="?")
    parser.add_argument("--scheduler", metavar="ADDRESS",
                        help="a Dask scheduler's address (default: a local cluster of one worker per core)")
    parser.add_argument("--batch-size", type=int, default=250, help="BMPs per task (default 250)")
    parser.add_argument("--no-interlace", dest="interlace", action="store_false", help="rows top to bottom")
    parser.add_argument("--transparent", type=int, metavar="INDEX", help="transparent colour index 0..255")
    parser.add_argument("--uncompressed", dest="compress", action="store_false", help="no LZW compression")
    parser.add_argument("--widest-codes", action="store_true", help="with --uncompressed: codes up to 12 bits")
    parser.add_argument("--color-mode", choices=vastrelmon.COLOR_MODES)
    args = parser.parse_args(argv)
    try:
        summary = convert_tree(args.source, args.target, scheduler=args.scheduler, batch_size=args.batch_size,
                               progress=sys.stdout.isatty(), interlace=args.interlace,
                               transparent=args.transparent, compress=args.compress,
                               widest_codes=args.widest_codes, color_mode=args.color_mode)
    except (OSError, ValueError, TypeError) as error:
        print(f"vastrelmon.bulk: {error}", file=sys.stderr)
        return 2
    print(summary)
    return 0 if summary.ok else 1


if __name__ == "__main__":
    from vastrelmon import bulk  # the workers find the batch function there, not in __main__
    sys.exit(bulk.main())
