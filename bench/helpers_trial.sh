#!/bin/sh
# The speed helpers on trial: builds the program once with every helper and
# once with each helper switched off, makes the four 6400 x 4800 workloads
# with the project's generator and times the whole process on each.
# The builds take turns run by run (one round runs each build once), so a
# change in the machine's load hits all of them alike; the table shows the
# median of the runs and how much slower the run is without the helper
# (negative: the helper costs time). Every output is compared byte for byte
# with the output of the build with every helper.
#
# Usage: bench/helpers_trial.sh [RUNS] [REV]
#   RUNS  runs per build and workload (default 11, at least 7)
#   REV   a git revision to measure instead of the working tree; helpers that
#         revision has no switch for are left out
# The builds go to build-trial/. Run it on a quiet machine.
# With VASTRELMON_OUTPUT_SYNC=0 in the environment the builds get the output
# hooks of the benchmark build and every run leaves out the sync before the
# output is named: the disk's time then no longer drowns the helpers'.
set -eu
hooks=""
if [ "${VASTRELMON_OUTPUT_SYNC:-1}" = 0 ]; then
    hooks="-DVASTRELMON_BENCH=ON"
fi

root=$(cd "$(dirname "$0")/.." && pwd)
runs=${1:-11}
rev=${2:-}
out="$root/build-trial"
mkdir -p "$out"

source_dir="$root"
if [ -n "$rev" ]; then
    source_dir="$out/source"
    rm -rf "$source_dir"
    mkdir -p "$source_dir"
    git -C "$root" archive "$rev" | tar -x -C "$source_dir"
fi

# name and the CMake switch turned off ("-" for none). The entries of the
# row copier and of the code relay (with its polling) are for older
# revisions (REV), which still have those switches.
configs="all:- no_side_thread:SIDE_THREAD no_code_relay:CODE_RELAY no_code_runs:CODE_RUNS no_row_copier:ROW_COPIER no_relay_copier:CODE_RELAY,ROW_COPIER no_huge_pages:HUGE_PAGES no_large_writes:LARGE_WRITES no_run_lists:RUN_LISTS no_tagged_roots:TAGGED_ROOTS no_early_writeback:EARLY_WRITEBACK no_write_behind:WRITE_BEHIND no_relay_poll:RELAY_POLL no_rows_ahead:ROWS_AHEAD no_coded_ring:CODED_RING no_hashed_rows:HASHED_ROWS"
built=""
for entry in $configs; do
    name=${entry%%:*}
    switches=${entry#*:}
    flags=""
    known=yes
    if [ "$switches" != "-" ]; then
        for switch in $(echo "$switches" | tr ',' ' '); do
            grep -q "option(VASTRELMON_$switch " "$source_dir/CMakeLists.txt" || known=no
            flags="$flags -DVASTRELMON_$switch=OFF"
        done
    fi
    [ "$known" = yes ] || continue
    # shellcheck disable=SC2086
    cmake -S "$source_dir" -B "$out/$name" -DCMAKE_BUILD_TYPE=Release -DVASTRELMON_TESTS=OFF $hooks $flags >/dev/null
    cmake --build "$out/$name" --target vastrelmon bmpgen -j2 >/dev/null
    built="$built $name"
done

python3 - "$out" "$runs" $built <<'EOF'
import filecmp, os, statistics, subprocess, sys, tempfile, time

out, runs, names = sys.argv[1], int(sys.argv[2]), sys.argv[3:]
kinds = ["photo24", "photo8", "dither1", "noise8"]
work = tempfile.mkdtemp(prefix="helpers-trial-")
bmpgen = os.path.join(out, names[0], "bmpgen")
print("%d runs per build, median wall time of the whole process in seconds" % runs)
print("%-8s %s" % ("", " ".join("%16s" % n for n in names)))
for kind in kinds:
    source = os.path.join(work, kind + ".bmp")
    subprocess.run([bmpgen, kind, "6400", "4800", source], check=True, stdout=subprocess.DEVNULL)
    times = {n: [] for n in names}
    reference = None
    for _ in range(runs):
        for n in names:
            target = os.path.join(work, n + ".gif")
            if os.path.exists(target):
                os.remove(target)
            os.sync()
            start = time.perf_counter()
            status = subprocess.run([os.path.join(out, n, "vastrelmon"), source, target],
                                    stdout=subprocess.DEVNULL).returncode
            times[n].append(time.perf_counter() - start)
            if status != 0:
                sys.exit("%s failed on %s" % (n, kind))
            if reference is None:
                reference = os.path.join(work, "reference.gif")
                os.rename(target, reference)
            elif not filecmp.cmp(reference, target, shallow=False):
                sys.exit("%s wrote other bytes on %s" % (n, kind))
    medians = {n: statistics.median(times[n]) for n in names}
    base = medians[names[0]]
    cells = ["%7.3f (%+5.1f%%)" % (medians[n], 100.0 * (medians[n] - base) / base) for n in names]
    print("%-8s %s" % (kind, " ".join("%16s" % c for c in cells)), flush=True)
    for name in os.listdir(work):
        os.remove(os.path.join(work, name))
os.rmdir(work)
print("identical output from every build on every workload")
EOF
