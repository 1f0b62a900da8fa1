#!/bin/sh
# Runs the program of build folder $1 on pictures big enough for every
# second-thread helper, with and without compression and the progress line,
# and fails when a run fails. Used by `make tsan-tests`.
set -eu
build=$(cd "$1" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for kind in photo24 photo8 noise8 dither1 screen8rle screen8; do
    "$build/bmpgen" "$kind" 1600 1200 "$work/$kind.bmp" >/dev/null
    for options in "" "/u" "/v"; do
        rm -f "$work/out.gif"
        # shellcheck disable=SC2086
        (cd "$work" && "$build/vastrelmon" $options "$kind.bmp" out.gif >/dev/null) || {
            echo "run failed: $kind $options" >&2
            exit 1
        }
    done
done
# Big enough for the file to be written behind.
"$build/bmpgen" noise8 3000 3000 "$work/behind.bmp" >/dev/null
rm -f "$work/out.gif"
(cd "$work" && "$build/vastrelmon" behind.bmp out.gif >/dev/null) || {
    echo "run failed: noise8 3000 x 3000" >&2
    exit 1
}
echo "big pictures converted"
