#!/usr/bin/python3
"""Side-by-side benchmark: Vastrelmon against the common converters.

Makes six 6400 x 4800 workloads with the project's own generator, runs every
converter several times on each and prints the median wall time of the whole
process, the peak resident memory (from one more run of its own under GNU
time), the output size and the time relative to Vastrelmon. The runs of the
converters alternate (one round runs each of them once), so a change in the
machine's load hits all of them alike. Every GIF is decoded again: the table
says whether it holds exactly the BMP's colours (lossless) and whether it
shows the same pixels as Vastrelmon's.

Then, against the targets printed at the end:
- the same comparison with every converter pinned to one core (taskset -c 0);
- Vastrelmon's peak memory against input file + output file + 24 MiB;
- a size sweep of the photo and noise pictures in ns per pixel, above the
  64 x 64 run's time and timed the same way (hyperfine -N), so that the cost
  is seen to grow linearly. The sizes and the 64 x 64 run take turns in
  rounds, as the converters do. Each smaller photo is made of blocks cut from
  the 6400 x 4800 one (bmpgen's full size), so it has the big picture's
  detail per pixel: drawn whole at 640 x 480, the scene has 1.8 times the
  GIF bytes per pixel. GIF bytes per pixel and ns per GIF byte are printed
  too;
- the start-to-exit time of a 64 x 64 picture against an empty C++ program
  built the same way (hyperfine -N).

Usage: bench/compare.py [--runs N] [--size WxH] [--only KIND,...] [--build DIR]
                        [--skip SECTION,...]   (pinned, sweep, small)
Run through `make bench`, which builds the program and the generator first.
The exit status is 0 when every target is met.
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
    ("8-bit run-length, screenshot-like", "screen8rle"),
    ("32-bit, the photo", "photo32"),
]
# Debian package of each peer, and the program that shows it is installed.
PEER_PACKAGES = [("imagemagick", "convert-im6.q16"), ("graphicsmagick", "gm"),
                 ("netpbm", "pamtogif"), ("time", "time"), ("hyperfine", "hyperfine"),
                 ("util-linux", "taskset"), ("python3-pil", None)]
MIB = 1 << 20
RSS_ALLOWANCE = 24 * MIB       # peak RSS budget: input + output + this
TARGET_SHARE = 0.25            # of the fastest peer's median wall time
RESOLVE_SHARE = 0.30
PINNED_SHARE = 0.40            # the same, every converter on one core
SMALL_OVERHEAD = 1e-3          # 64 x 64 start-to-exit above an empty program
LINEAR_FACTOR = 1.5            # ns/pixel at 640 x 480 against 6400 x 4800
SWEEP_SIZES = [(640, 480), (1600, 1200), (3200, 2400), (6400, 4800)]
SWEEP_KINDS = ["photo24", "noise8"]
SWEEP_CUT_KINDS = ["photo24"]  # cut from the biggest size: noise is the same at every size
SWEEP_BASE_RUNS = 300          # runs of the 64 x 64 picture and of the smallest size
SWEEP_ROUNDS = 3               # the sizes take turns, each round a share of every size's runs


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


def pinned(argv):
    return [system_tool("taskset"), "-c", "0"] + argv


def run_once(argv, cwd):
    """Wall time in seconds and exit status of one run, started from here
    with nothing in between."""
    start = time.perf_counter()
    status = subprocess.run(argv, cwd=cwd, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).returncode
    return time.perf_counter() - start, status


def peak_memory(argv, cwd):
    """Peak resident memory in bytes of a run of its own, or None.

    GNU time starts the command and reports its peak memory (a pipeline's
    shell includes the programs it waited for). Measured from here, the
    memory would include the copy of this Python process made when
    starting the command. Not in the timed runs: starting GNU time as well
    adds a few milliseconds to every run, a fixed cost that is no
    converter's.
    """
    report = os.path.join(cwd, "peak.txt")
    status = subprocess.run([GNU_TIME, "-f", "%M", "-o", report] + argv, cwd=cwd,
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).returncode
    if status != 0:
        return None
    with open(report) as lines:
        return int(lines.read().split()[-1]) * 1024


def decode_rgb(path):
    from PIL import Image
    with Image.open(path) as picture:
        return picture.size, picture.convert("RGB").tobytes()


def measure(kind, width, height, runs, work, vastrelmon, bmpgen, pin=False):
    source = kind + ".bmp"
    subprocess.run([bmpgen, kind, str(width), str(height), source], check=True, cwd=work)
    input_bytes = os.path.getsize(os.path.join(work, source))
    _, bmp_rgb = decode_rgb(os.path.join(work, source))
    tools = converters(vastrelmon)
    if pin:
        tools = [(name, (lambda c: lambda src, dst: pinned(c(src, dst)))(command)) for name, command in tools]
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
            elapsed, status = run_once(command(source, output), work)
            if status != 0 or not os.path.exists(target):
                failed.add(name)
                continue
            times[name].append(elapsed)
    for name, command in tools:
        if name in failed:
            continue
        target = os.path.join(work, outputs[name])
        os.remove(target)
        os.sync()
        peak = peak_memory(command(source, outputs[name]), work)
        if peak is None or not os.path.exists(target):
            failed.add(name)
            continue
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
    return results, input_bytes


def sweep_times(kind, runs, work, vastrelmon, bmpgen):
    """Wall times of Vastrelmon alone on the 64 x 64 picture and on kind at
    every sweep size, and the size of each GIF.

    Timed like the 64 x 64 run of the targets (hyperfine -N, synced before
    each run), so the cost of starting a timer process is not counted as
    time per pixel. The sizes take turns in SWEEP_ROUNDS rounds, each
    running a share of every size's runs: a slow spell of the machine, which
    lasts minutes here, then falls on every size alike instead of on
    whichever was being timed.
    """
    pictures = [("small.bmp", None)]
    for w, h in SWEEP_SIZES:
        source = "%s-%dx%d.bmp" % (kind, w, h)
        full = [str(v) for v in SWEEP_SIZES[-1]] if kind in SWEEP_CUT_KINDS else []
        subprocess.run([bmpgen, kind, str(w), str(h), source] + full, check=True, cwd=work)
        pictures.append((source, (w, h)))
    times = {size: [] for _, size in pictures}
    sizes = {}
    for round_number in range(SWEEP_ROUNDS):
        for source, size in pictures:
            print(f"sweep {kind} {size[0]} x {size[1]}" if size else f"sweep {kind} 64 x 64",
                  f"round {round_number + 1} of {SWEEP_ROUNDS}", file=sys.stderr, flush=True)
            share = max(1, round(runs[size] / SWEEP_ROUNDS))
            times[size] += hyperfine_statistic([vastrelmon, source, "sweep.gif"], work,
                                               prepare="sh -c 'rm -f sweep.gif; sync'", statistic="times",
                                               runs=share)
            sizes[size] = os.path.getsize(os.path.join(work, "sweep.gif"))
            os.remove(os.path.join(work, "sweep.gif"))
    for source, size in pictures:
        if size is not None:
            os.remove(os.path.join(work, source))
    return {size: statistics.median(t) for size, t in times.items()}, {s: len(t) for s, t in times.items()}, sizes


def hyperfine_mean(argv, work, prepare=None):
    """Mean of hyperfine's runs without a shell, in seconds."""
    return hyperfine_statistic(argv, work, prepare)


def hyperfine_statistic(argv, work, prepare=None, statistic="mean", runs=None):
    """Mean or median (or the list of "times") of hyperfine's runs without a
    shell, in seconds: 300 runs or more after 20 to warm up, or exactly
    `runs` after 2."""
    report = os.path.join(work, "hyperfine.json")
    count = ["--warmup", "20", "--min-runs", "300"] if runs is None else ["--warmup", "2", "--runs", str(runs)]
    command = [system_tool("hyperfine"), "-N"] + count + ["--export-json", report, "--style", "none"]
    if prepare:
        command += ["--prepare", prepare]
    import json
    import shlex
    subprocess.run(command + [" ".join(shlex.quote(a) for a in argv)], cwd=work, check=True,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    with open(report) as data:
        return json.load(data)["results"][0][statistic]


def side_by_side(args, width, height, work, vastrelmon, bmpgen, pin):
    rows = []
    for title, kind in WORKLOADS:
        if args.only and kind not in args.only.split(","):
            continue
        print("measuring " + kind + (" pinned to one core" if pin else ""), file=sys.stderr, flush=True)
        results, input_bytes = measure(kind, width, height, args.runs, work, vastrelmon, bmpgen, pin)
        ours_time = results[0][1]
        peers = [r[1] for r in results[1:] if r[1] is not None]
        rows.append((title, results, ours_time, min(peers) if peers else None, input_bytes))
    heading = "every converter pinned to one core, " if pin else ""
    print()
    print(f"| workload ({width} x {height}, {heading}median of {args.runs}) | converter | wall time | peak RSS "
          f"| output bytes | time / Vastrelmon | pixels |")
    print("|---|---|---|---|---|---|---|")
    for title, results, ours_time, fastest, _ in rows:
        for name, median, peak, size, lossless, same in results:
            if median is None:
                print(f"| {title} | {name} | failed | | | | |")
                continue
            ratio = f"{median / ours_time:.1f}x" if ours_time else "n/a"
            print(f"| {title} | {name} | {median:.3f} s | {peak / 1e6:.0f} MB | {size:,} | {ratio} "
                  f"| {lossless}, {same} |")
    print()
    return rows


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--size", default="6400x4800")
    parser.add_argument("--only", default="", help="comma-separated workload kinds")
    parser.add_argument("--skip", default="", help="comma-separated sections: pinned, sweep, small")
    parser.add_argument("--build", default=os.path.join(ROOT, "build-bench"),
                        help="build folder holding vastrelmon, bmpgen and bench/empty_main")
    args = parser.parse_args()
    skip = set(filter(None, args.skip.split(",")))
    width, height = (int(v) for v in args.size.split("x"))
    build = os.path.abspath(args.build)
    vastrelmon, bmpgen = os.path.join(build, "vastrelmon"), os.path.join(build, "bmpgen")
    empty = os.path.join(build, "bench", "empty_main")
    for program in (vastrelmon, bmpgen, empty):
        if not os.access(program, os.X_OK):
            sys.exit(program + " is missing: build it first (make bench does)")
    ensure_peers()
    sys.path.insert(0, "/usr/lib/python3/dist-packages")  # Debian's Pillow, whatever runs this

    work = tempfile.mkdtemp(prefix="vastrelmon-bench-")
    verdicts = []  # (text, met)
    try:
        rows = side_by_side(args, width, height, work, vastrelmon, bmpgen, pin=False)
        for title, results, ours_time, fastest, input_bytes in rows:
            if ours_time is None or fastest is None:
                verdicts.append((f"{title}: cannot compare", False))
                continue
            share = ours_time / fastest
            state = "OK" if share <= TARGET_SHARE else "resolvable" if share <= RESOLVE_SHARE else "TOO SLOW"
            verdicts.append((f"{title}: {ours_time:.3f} s = {share:.2f} x the fastest peer ({fastest:.3f} s); "
                             f"target {TARGET_SHARE} x: {state}", share <= RESOLVE_SHARE))
            peak, output_bytes = results[0][2], results[0][3]
            budget = input_bytes + output_bytes + RSS_ALLOWANCE
            verdicts.append((f"{title}: peak RSS {peak / MIB:.0f} MiB, budget {budget / MIB:.0f} MiB "
                             f"(input + output + 24 MiB): {'OK' if peak <= budget else 'OVER'}", peak <= budget))
        if "pinned" not in skip:
            for title, results, ours_time, fastest, _ in side_by_side(args, width, height, work, vastrelmon,
                                                                      bmpgen, pin=True):
                if ours_time is None or fastest is None:
                    verdicts.append((f"{title}, one core: cannot compare", False))
                    continue
                share = ours_time / fastest
                verdicts.append((f"{title}, one core: {share:.2f} x the fastest peer; target {PINNED_SHARE} x: "
                                 f"{'OK' if share <= PINNED_SHARE else 'TOO SLOW'}", share <= PINNED_SHARE))
        small = None
        if "small" not in skip or "sweep" not in skip:
            subprocess.run([bmpgen, "photo8", "64", "64", "small.bmp"], check=True, cwd=work)
            print("timing the 64 x 64 picture and the empty program (hyperfine -N)", file=sys.stderr, flush=True)
            small = hyperfine_mean([vastrelmon, "small.bmp", "small.gif"], work, prepare="rm -f small.gif")
            floor = hyperfine_mean([empty], work)
            print(f"64 x 64 8-bit picture, start to exit: {small * 1e3:.2f} ms; empty C++ program: "
                  f"{floor * 1e3:.2f} ms; difference {(small - floor) * 1e3:.2f} ms")
            met = small - floor <= SMALL_OVERHEAD
            verdicts.append((f"64 x 64: {(small - floor) * 1e3:.2f} ms above an empty program; target 1 ms: "
                             f"{'OK' if met else 'TOO SLOW'}", met))
        if "sweep" not in skip:
            print()
            print(f"Sweep: every size and the 64 x 64 run take turns in {SWEEP_ROUNDS} rounds, synced before each "
                  f"run; {', '.join(SWEEP_CUT_KINDS)} cut from {SWEEP_SIZES[-1][0]} x {SWEEP_SIZES[-1][1]}")
            print(f"| picture | size | wall time (median) | runs | ns per pixel above the 64 x 64 run "
                  f"| GIF bytes per pixel | ns per GIF byte |")
            print("|---|---|---|---|---|---|---|")
            # The small sizes, whose runs take milliseconds and vary with the
            # disk's sync, get more runs: about as many pixels in all as the
            # runs of the biggest.
            runs = {(w, h): max(args.runs, round(SWEEP_BASE_RUNS * SWEEP_SIZES[0][0] * SWEEP_SIZES[0][1] / (w * h)))
                    for w, h in SWEEP_SIZES}
            runs[None] = SWEEP_BASE_RUNS
            for kind in SWEEP_KINDS:
                medians, counts, sizes = sweep_times(kind, runs, work, vastrelmon, bmpgen)
                base = medians[None]
                print(f"| {kind} | 64 x 64 | {base:.4f} s | {counts[None]} | | | |")
                per_pixel = {}
                for w, h in SWEEP_SIZES:
                    seconds, size = medians[(w, h)], sizes[(w, h)]
                    per_pixel[(w, h)] = (seconds - base) / (w * h) * 1e9
                    print(f"| {kind} | {w} x {h} | {seconds:.4f} s | {counts[(w, h)]} | {per_pixel[(w, h)]:.2f} "
                          f"| {size / (w * h):.3f} | {(seconds - base) / size * 1e9:.1f} |")
                low, high = per_pixel[SWEEP_SIZES[0]], per_pixel[SWEEP_SIZES[-1]]
                met = low <= LINEAR_FACTOR * high
                verdicts.append((f"linear, {kind}: {low:.2f} ns/pixel at 640 x 480 against {high:.2f} at "
                                 f"6400 x 4800; target within {LINEAR_FACTOR} x: {'OK' if met else 'NOT LINEAR'}",
                                 met))
    finally:
        shutil.rmtree(work, ignore_errors=True)

    print()
    for text, _ in verdicts:
        print(text)
    return 0 if all(met for _, met in verdicts) else 1


if __name__ == "__main__":
    sys.exit(main())
