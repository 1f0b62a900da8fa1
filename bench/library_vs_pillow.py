#!/usr/bin/python3
"""The library in memory against Pillow in memory, on the same pictures.

For a 64 x 64 and a 1600 x 1200 8-bit picture (photo8, made by bmpgen), the
median time of the library's vastrelmon_convert (bench/library_timing) and of
Pillow's Image.open(BytesIO(data)).save(BytesIO(), "GIF") in this process,
and their ratio; the target is at most 0.1.

Usage: bench/library_vs_pillow.py [--build build-bench] [--runs 101]
"""
import argparse
import io
import os
import statistics
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, "/usr/lib/python3/dist-packages")  # Debian's Pillow
from PIL import Image  # noqa: E402

SIZES = [(64, 64), (1600, 1200)]


def pillow_ms(data, runs):
    times = []
    for _ in range(runs):
        start = time.perf_counter()
        Image.open(io.BytesIO(data)).save(io.BytesIO(), "GIF")
        times.append((time.perf_counter() - start) * 1000)
    return statistics.median(times)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build", default="build-bench")
    parser.add_argument("--runs", type=int, default=101)
    args = parser.parse_args()
    worst = 0.0
    print("| picture | library ms | Pillow ms | ratio |")
    print("|---|---|---|---|")
    with tempfile.TemporaryDirectory() as folder:
        for width, height in SIZES:
            path = os.path.join(folder, f"photo8-{width}x{height}.bmp")
            subprocess.run([os.path.join(args.build, "bmpgen"), "photo8", str(width), str(height), path],
                           check=True, capture_output=True)
            ours = float(subprocess.run([os.path.join(args.build, "bench", "library_timing"), path,
                                         str(args.runs)], check=True, capture_output=True,
                                        text=True).stdout)
            with open(path, "rb") as f:
                theirs = pillow_ms(f.read(), args.runs)
            ratio = ours / theirs
            worst = max(worst, ratio)
            print(f"| photo8 {width} x {height} | {ours:.3f} | {theirs:.3f} | {ratio:.3f} |")
    print(f"library against Pillow: worst ratio {worst:.3f} (target at most 0.1)")
    return 0 if worst <= 0.1 else 1


if __name__ == "__main__":
    sys.exit(main())
