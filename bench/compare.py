#!/usr/bin/python3
"""Side-by-side benchmark: Vastrelmon against the common converters.

Makes four 6400 x 4800 workloads with the project's own generator, runs every
converter several times on each and prints the median wall time of the whole
process, the peak resident memory, the output size and the time relative to
Vastrelmon. The runs of the converters alternate (one round runs each of them
once), so a change in the machine's load hits all of them alike. Every GIF is
decoded again: the table says whether it holds exactly the BMP's colours
(lossless) and whether it shows the same pixels as Vastrelmon's.

Usage: bench/compare.py [--runs N] [--size WxH] [--only KIND,...] [--build DIR]
Run through `make bench`, which builds the program and the generator first.
The exit status is 0 when Vastrelmon takes at most half the time of the
fastest other converter on every workload.
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
DEBIAN_PYTHON = "/usr/bin/python3"  # Debian's Pillow lives there, not in other Pythons
GNU_TIME = "/usr/bin/time"
WORKLOADS = [
    ("24-bit, 256 colours, photo-like", "photo24"),
    ("8-bit, same picture", "photo8"),
    ("1-bit, dithered", "dither1"),
    ("8-bit noise", "noise8"),
]
# Debian package of each peer, and the program that shows it is installed.
PEER_PACKAGES = [("imagemagick", "convert-im6.q16"), ("graphicsmagick", "gm"),
                 ("netpbm", "pamtogif"), ("time", "time"), ("python3-pil", None)]


def system_tool(name):
    """The distribution's own program, never a wrapper earlier on the PATH."""
    for folder in ("/usr/bin", "/bin"):
        path = os.path.join(folder, name)
        if os.access(path, os.X_OK):
            return path
    return shutil.which(name)


def converters(vastrelmon):
    # Every command runs in the work folder on plain file names: Vastrelmon
    # reads a leading '/' as the start of an option.
    convert = system_tool("convert-im6.q16") or system_tool("convert")
    gm = system_tool("gm")
    bmptopnm, pamtogif = system_tool("bmptopnm"), system_tool("pamtogif")
    return [
        ("Vastrelmon", lambda src, dst: [vastrelmon, src, dst]),
        ("ImageMagick convert", lambda src, dst: [convert, src, dst]),
        ("GraphicsMagick gm convert", lambda src, dst: [gm, "convert", src, dst]),
        ("netpbm bmptopnm + pamtogif",
         lambda src, dst: ["/bin/sh", "-c", '"$0" "$2" 2>/dev/null | "$1" > "$3" 2>/dev/null',
                           bmptopnm, pamtogif, src, dst]),
        ("Pillow Image.save",
         lambda src, dst: [DEBIAN_PYTHON, "-c",
                           "import sys; from PIL import Image; Image.open(sys.argv[1]).save(sys.argv[2])",
                           src, dst]),
    ]


def ensure_peers():
    missing = [package for package, tool in PEER_PACKAGES if tool is not None and system_tool(tool) is None]
    if subprocess.run([DEBIAN_PYTHON, "-c", "import PIL"], capture_output=True).returncode != 0:
        missing.append("python3-pil")
    if not missing:
        return
    if os.geteuid() != 0:
        sys.exit("Missing peer converters. Run: sudo apt-get install -y " + " ".join(missing))
    print("Installing peer converters: " + " ".join(missing), flush=True)
    subprocess.run(["apt-get", "update", "-qq"], check=True)
    subprocess.run(["apt-get", "install", "-y", "-qq"] + missing, check=True,
                   env=dict(os.environ, DEBIAN_FRONTEND="noninteractive"), stdout=subprocess.DEVNULL)


def run_once(argv, cwd):
    """Wall time in seconds, peak resident memory in bytes and exit status.

    GNU time starts the command and reports its peak memory (a pipeline's
    shell includes the programs it waited for). Measured from here, the
    memory would include the copy of this Python process made when
    starting the command.
    """
    report = os.path.join(cwd, "peak.txt")
    start = time.perf_counter()
    status = subprocess.run([GNU_TIME, "-f", "%M", "-o", report] + argv, cwd=cwd,
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).returncode
    elapsed = time.perf_counter() - start
    with open(report) as lines:
        peak_kib = int(lines.read().split()[-1])
    return elapsed, peak_kib * 1024, status


def decode_rgb(path):
    from PIL import Image
    with Image.open(path) as picture:
        return picture.size, picture.convert("RGB").tobytes()


def measure(kind, width, height, runs, work, vastrelmon, bmpgen):
    source = kind + ".bmp"
    subprocess.run([bmpgen, kind, str(width), str(height), source], check=True, cwd=work)
    _, bmp_rgb = decode_rgb(os.path.join(work, source))
    tools = converters(vastrelmon)
    times = {name: [] for name, _ in tools}
    peaks = {name: [] for name, _ in tools}
    failed = set()
    outputs = {name: "out%d.gif" % i for i, (name, _) in enumerate(tools)}
    for _ in range(runs):
        for name, command in tools:
            if name in failed:
                continue
            output = outputs[name]
            target = os.path.join(work, output)
            if os.path.exists(target):
                os.remove(target)  # Vastrelmon never overwrites
            # Every run starts with nothing waiting to be written back, so no
            # converter pays for the picture just made or for an earlier
            # converter's output.
            os.sync()
            elapsed, peak, status = run_once(command(source, output), work)
            if status != 0 or not os.path.exists(target):
                failed.add(name)
                continue
            times[name].append(elapsed)
            peaks[name].append(peak)
    results = []
    ours_rgb = None
    for name, _ in tools:
        if name in failed:
            results.append((name, None, None, None, "failed", ""))
            continue
        target = os.path.join(work, outputs[name])
        size = os.path.getsize(target)
        _, rgb = decode_rgb(target)
        if name == "Vastrelmon":
            ours_rgb = rgb
        lossless = "lossless" if rgb == bmp_rgb else "LOSSY"
        same = "same pixels as ours" if rgb == ours_rgb else "other pixels than ours"
        results.append((name, statistics.median(times[name]), max(peaks[name]), size, lossless, same))
    os.remove(os.path.join(work, source))
    return results


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--size", default="6400x4800")
    parser.add_argument("--only", default="", help="comma-separated workload kinds")
    parser.add_argument("--build", default=os.path.join(ROOT, "build-bench"),
                        help="build folder holding vastrelmon and bmpgen")
    args = parser.parse_args()
    width, height = (int(v) for v in args.size.split("x"))
    build = os.path.abspath(args.build)
    vastrelmon, bmpgen = os.path.join(build, "vastrelmon"), os.path.join(build, "bmpgen")
    for program in (vastrelmon, bmpgen):
        if not os.access(program, os.X_OK):
            sys.exit(program + " is missing: build it first (make bench does)")
    ensure_peers()
    sys.path.insert(0, "/usr/lib/python3/dist-packages")  # Debian's Pillow, whatever runs this

    work = tempfile.mkdtemp(prefix="vastrelmon-bench-")
    rows = []
    try:
        for title, kind in WORKLOADS:
            if args.only and kind not in args.only.split(","):
                continue
            print("measuring " + kind, file=sys.stderr, flush=True)
            results = measure(kind, width, height, args.runs, work, vastrelmon, bmpgen)
            ours_time = results[0][1]
            peers = [r[1] for r in results[1:] if r[1] is not None]
            rows.append((title, results, ours_time, min(peers) if peers else None))
    finally:
        shutil.rmtree(work, ignore_errors=True)

    print()
    print(f"| workload ({width} x {height}, median of {args.runs}) | converter | wall time | peak RSS "
          f"| output bytes | time / Vastrelmon | pixels |")
    print("|---|---|---|---|---|---|---|")
    for title, results, ours_time, fastest in rows:
        for name, median, peak, size, lossless, same in results:
            if median is None:
                print(f"| {title} | {name} | failed | | | | |")
                continue
            ratio = f"{median / ours_time:.1f}x" if ours_time else "n/a"
            print(f"| {title} | {name} | {median:.3f} s | {peak / 1e6:.0f} MB | {size:,} | {ratio} "
                  f"| {lossless}, {same} |")
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
        print(f"{title}: Vastrelmon {ours_time:.3f} s = {share:.2f} x the fastest peer ({fastest:.3f} s) "
              f"{'OK' if ok else 'TOO SLOW'}")
    return 0 if verdict else 1


if __name__ == "__main__":
    sys.exit(main())
