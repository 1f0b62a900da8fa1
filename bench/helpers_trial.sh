#!/bin/sh
# The second-thread helpers on trial: runs the benchmark build's program on
# the 6400 x 4800 workloads (a screenshot-like picture run-length coded and
# stored plainly besides; and a 2000 x 1500 noise8 and photo24, in
# the one-to-five-megapixel range) with every helper, with each one left
# out, and with none (VASTRELMON_HELPERS), in turns run by run, so a change
# in the machine's load hits all of them alike. Prints the median of the
# whole process's time and how much slower the run is without the helper
# (negative: the helper costs time), and compares every output byte for
# byte with the first.
#
# Usage: bench/helpers_trial.sh [RUNS] [BUILD]
#   RUNS   runs per variant and workload (default 11)
#   BUILD  a build folder with VASTRELMON_BENCH=ON (default build-bench)
# With VASTRELMON_OUTPUT_SYNC=0 in the environment every run leaves out the
# syncs before the output is named. Run it on a quiet machine.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
runs=${1:-11}
build=${2:-$root/build-bench}
if [ ! -x "$build/vastrelmon" ] || [ ! -x "$build/bmpgen" ]; then
    cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DVASTRELMON_BENCH=ON >/dev/null
    cmake --build "$build" --target vastrelmon bmpgen -j2 >/dev/null
fi

python3 - "$build" "$runs" <<'PYTHON'
import filecmp, os, statistics, subprocess, sys, tempfile, time

build, runs = sys.argv[1], int(sys.argv[2])
variants = ["", "no-read-ahead", "no-write-behind", "none"]
workloads = [("photo24", 6400, 4800), ("photo8", 6400, 4800), ("dither1", 6400, 4800),
             ("noise8", 6400, 4800), ("screen8rle", 6400, 4800), ("screen8", 6400, 4800),
             ("noise8", 2000, 1500), ("photo24", 2000, 1500)]
work = tempfile.mkdtemp(prefix="helpers-trial-")
print("%d runs per variant, median wall time of the whole process in seconds" % runs)
print("%-18s %s" % ("", " ".join("%18s" % (v or "all") for v in variants)))
for kind, width, height in workloads:
    source = os.path.join(work, "%s-%d.bmp" % (kind, width))
    subprocess.run([os.path.join(build, "bmpgen"), kind, str(width), str(height), source], check=True,
                   stdout=subprocess.DEVNULL)
    times = {v: [] for v in variants}
    reference = None
    for _ in range(runs):
        for v in variants:
            target = os.path.join(work, "out.gif")
            if os.path.exists(target):
                os.remove(target)
            environment = dict(os.environ, VASTRELMON_HELPERS=v) if v else dict(os.environ)
            start = time.perf_counter()
            status = subprocess.run([os.path.join(build, "vastrelmon"), source, target], env=environment,
                                    stdout=subprocess.DEVNULL).returncode
            times[v].append(time.perf_counter() - start)
            if status != 0:
                sys.exit("%s failed on %s" % (v or "all", kind))
            if reference is None:
                reference = os.path.join(work, "reference.gif")
                os.rename(target, reference)
            elif not filecmp.cmp(reference, target, shallow=False):
                sys.exit("%s wrote other bytes on %s" % (v or "all", kind))
    for leftover in (reference, source, os.path.join(work, "out.gif")):
        if os.path.exists(leftover):
            os.remove(leftover)
    medians = {v: statistics.median(times[v]) for v in variants}
    base = medians[""]
    cells = ["%7.4f (%+5.1f%%)" % (medians[v], 100.0 * (medians[v] - base) / base) for v in variants]
    print("%-18s %s" % ("%s %dx%d" % (kind, width, height), " ".join("%18s" % c for c in cells)), flush=True)
os.rmdir(work)
print("identical output from every variant on every workload")
PYTHON
