#!/usr/bin/python3
"""Side-by-side benchmark: Vastrelmon against the common converters.

Makes four 6400 x 4800 workloads with the project's own generator, runs every
converter several times on each, and prints median wall time, peak resident
memory, output size and the time ratio to Vastrelmon. It also decodes every
GIF and says whether it holds exactly the BMP's colours (lossless) and
whether it matches Vastrelmon's pixels.

Usage: bench/compare.py [--runs N] [--size WxH] [--only NAME,...]
Run through `make bench`, which builds the program and the generator first.
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
BUILD = os.path.join(ROOT, "build-bench")
VASTRELMON = os.path.join(BUILD, "vastrelmon")
BMPGEN = os.path.join(BUILD, "bmpgen")
PEER_PACKAGES = ["imagemagick", "graphicsmagick", "netpbm", "python3-pil"]
WORKLOADS = [
    ("24-bit, 256 colours, photo-like", "photo24"),
    ("8-bit, same picture", "photo8"),
    ("1-bit, dithered", "dither1"),
    ("8-bit noise", "noise8"),
]


def converters(python):
    return [
        ("Vastrelmon", lambda src, dst: [VASTRELMON, src, dst]),
        ("ImageMagick convert", lambda src, dst: ["convert", src, dst]),
        ("GraphicsMagick gm convert", lambda src, dst: ["gm", "convert", src, dst]),
        ("netpbm bmptopnm | pamtogif",
         lambda src, dst: ["sh", "-c", 'bmptopnm "$0" 2>/dev/null | pamtogif > "$1" 2>/dev/null', src, dst]),
        ("Pillow Image.save",
         lambda src, dst: [python, "-c", "import sys; from PIL import Image; Image.open(sys.argv[1]).save(sys.argv[2])", src, dst]),
    ]


def ensure_peers():
    missing = [p for p, tool in [("imagemagick", "convert"), ("graphicsmagick", "gm"), ("netpbm", "pamtogif")]
               if shutil.which(tool) is None]
    try:
        subprocess.run(["/usr/bin/python3", "-c", "import PIL"], check=True, capture_output=True)
    except subprocess.CalledProcessError:
        missing.append("python3-pil")
    if not missing:
        return
    if os.geteuid() != 0:
        sys.exit("Missing peer converters. Run: sudo apt-get install -y " + " ".join(missing))
    print("Installing peer converters: " + " ".join(missing), flush=True)
    subprocess.run(["apt-get", "update", "-qq"], check=True)
    subprocess.run(["apt-get", "install", "-y", "-qq"] + missing, check=True,
                   env=dict(os.environ, DEBIAN_FRONTEND="noninteractive"), stdout=subprocess.DEVNULL)


def run_once(argv):
    """Wall time in seconds and peak resident memory in bytes of one run."""
    start = time.perf_counter()
    process = subprocess.Popen(argv, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    _, status, usage = os.wait4(process.pid, 0)
    elapsed = time.perf_counter() - start
    process.returncode = os.waitstatus_to_exitcode(status)
    return elapsed, usage.ru_maxrss * 1024, process.returncode


def decode_rgb(path):
    from PIL import Image
    with Image.open(path) as picture:
        return picture.size, picture.convert("RGB").tobytes()


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--size", default="6400x4800")
    parser.add_argument("--only", default="", help="comma-separated workload kinds")
    args = parser.parse_args()
    width, height = (int(v) for v in args.size.split("x"))
    ensure_peers()
    sys.path.insert(0, "/usr/lib/python3/dist-packages")  # Debian's Pillow

    work = tempfile.mkdtemp(prefix="vastrelmon-bench-")
    rows = []
    try:
        for title, kind in WORKLOADS:
            if args.only and kind not in args.only.split(","):
                continue
            source = os.path.join(work, kind + ".bmp")
            subprocess.run([BMPGEN, kind, str(width), str(height), source], check=True)
            _, bmp_rgb = decode_rgb(source)
            results = []
            ours_rgb = None
            for name, command in converters("/usr/bin/python3"):
                times, peaks = [], []
                output = os.path.join(work, "out.gif")
                failed = False
                for _ in range(args.runs):
                    if os.path.exists(output):
                        os.remove(output)
                    elapsed, peak, status = run_once(command(source, output))
                    if status != 0 or not os.path.exists(output):
                        failed = True
                        break
                    times.append(elapsed)
                    peaks.append(peak)
                if failed:
                    results.append((name, None, None, None, "failed", ""))
                    continue
                size = os.path.getsize(output)
                _, rgb = decode_rgb(output)
                if name == "Vastrelmon":
                    ours_rgb = rgb
                lossless = "lossless" if rgb == bmp_rgb else "LOSSY"
                same = "same pixels" if rgb == ours_rgb else "differs from ours"
                results.append((name, statistics.median(times), max(peaks), size, lossless, same))
            ours_time = results[0][1]
            peers = [r[1] for r in results[1:] if r[1] is not None]
            fastest = min(peers) if peers else None
            rows.append((title, results, ours_time, fastest))
    finally:
        shutil.rmtree(work, ignore_errors=True)

    print()
    print(f"| workload ({width} x {height}) | converter | median wall time | peak RSS | output bytes | time / Vastrelmon | pixels |")
    print("|---|---|---|---|---|---|---|")
    for title, results, ours_time, fastest in rows:
        for name, median, peak, size, lossless, same in results:
            if median is None:
                print(f"| {title} | {name} | failed | | | | |")
                continue
            ratio = median / ours_time if ours_time else float("nan")
            print(f"| {title} | {name} | {median:.3f} s | {peak / 1e6:.0f} MB | {size:,} | {ratio:.1f}x | {lossless}, {same} |")
    print()
    verdict = True
    for title, results, ours_time, fastest in rows:
        if ours_time is None or fastest is None:
            print(f"{title}: cannot compare")
            verdict = False
            continue
        share = ours_time / fastest
        ok = share <= 0.5
        verdict = verdict and ok
        print(f"{title}: Vastrelmon {ours_time:.3f} s = {share:.2f} x the fastest peer ({fastest:.3f} s) {'OK' if ok else 'TOO SLOW'}")
    return 0 if verdict else 1


if __name__ == "__main__":
    sys.exit(main())
