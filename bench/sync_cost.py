#!/usr/bin/python3
"""What the syncs cost: the data's before the output is named, and on Linux
its folder's after.

Makes the four 6400 x 4800 workloads of compare.py with the project's own
generator and converts each one many times, alternating a run with the syncs
and one without (VASTRELMON_OUTPUT_SYNC=0, which leaves out both; read only
by builds with the output hooks: the test and benchmark builds). Every run
starts with nothing waiting to be written back. Prints the median wall time
of each.

Usage: bench/sync_cost.py [--runs N] [--size WxH] [--build DIR]   (default build-test/)
"""
import argparse
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
WORKLOADS = ["photo24", "photo8", "dither1", "noise8"]


def run_once(vastrelmon, work, sync):
    target = os.path.join(work, "out.gif")
    if os.path.exists(target):
        os.remove(target)
    os.sync()
    environment = dict(os.environ, VASTRELMON_OUTPUT_SYNC="1" if sync else "0")
    start = time.perf_counter()
    status = subprocess.run([vastrelmon, "in.bmp", "out.gif"], cwd=work, env=environment,
                            stdout=subprocess.DEVNULL).returncode
    elapsed = time.perf_counter() - start
    if status != 0 or not os.path.exists(target):
        sys.exit("the conversion failed")
    return elapsed, os.path.getsize(target)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--runs", type=int, default=9)
    parser.add_argument("--size", default="6400x4800")
    parser.add_argument("--build", default=os.path.join(ROOT, "build-test"))
    args = parser.parse_args()
    width, height = args.size.split("x")
    build = os.path.abspath(args.build)
    vastrelmon, bmpgen = os.path.join(build, "vastrelmon"), os.path.join(build, "bmpgen")
    work = tempfile.mkdtemp(prefix="vastrelmon-sync-")
    print(f"| workload ({width} x {height}) | GIF bytes | with sync | without | cost |")
    print("|---|---|---|---|---|")
    try:
        for kind in WORKLOADS:
            subprocess.run([bmpgen, kind, width, height, "in.bmp"], check=True, cwd=work)
            times = {True: [], False: []}
            size = 0
            for _ in range(args.runs):
                for sync in (True, False):
                    elapsed, size = run_once(vastrelmon, work, sync)
                    times[sync].append(elapsed)
            with_sync, without = statistics.median(times[True]), statistics.median(times[False])
            # Milliseconds to a tenth: the folder's sync is about one.
            print(f"| {kind} | {size:,} | {with_sync * 1e3:.1f} ms | {without * 1e3:.1f} ms "
                  f"| {(with_sync - without) * 1e3:+.1f} ms ({(with_sync / without - 1) * 100:+.0f}%) |", flush=True)
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
