#!/bin/sh
# Runs each fuzz target for a bounded time from a seed corpus made by the
# project's own generator. Usage: fuzz/run.sh <build-dir> <seconds-per-target>
# Findings (crash-*, leak-*, timeout-*) land in the build folder.
set -e
build=$1
seconds=${2:-60}
seeds=$build/fuzz-seeds
rm -rf "$seeds"
mkdir -p "$seeds/bmp" "$seeds/pipeline" "$build/corpus-bmp" "$build/corpus-pipeline" "$build/corpus-library"
"$build/bmpgen" seeds "$seeds/bmp" >/dev/null
# The pipeline and library targets take one option byte before the BMP:
# vary it.
n=0
for file in "$seeds"/bmp/*.bmp; do
    for option in 000 011 026 057 112 200; do
        n=$((n + 1))
        { printf "\\$option"; cat "$file"; } > "$seeds/pipeline/seed-$n"
    done
done
ln -sfn pipeline "$seeds/library"
cd "$build"
status=0
for target in bmp pipeline library; do
    echo "== ${target} fuzz target, ${seconds} s"
    if ./fuzz/${target}_fuzz -max_total_time="$seconds" -max_len=65536 -timeout=20 \
        -print_final_stats=1 corpus-$target fuzz-seeds/$target > fuzz-$target.log 2>&1; then
        grep -E "^#[0-9]+.*DONE|stat::number_of_executed_units|stat::peak_rss" fuzz-$target.log || true
    else
        status=1
        tail -n 60 fuzz-$target.log
    fi
done
exit $status
