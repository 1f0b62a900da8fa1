#!/bin/sh
# Runs the cross-built Windows program and its unit tests under Wine, and
# checks that vastrelmon.exe writes byte-identical GIF files and the same
# messages as the Linux build for the same inputs and options.
#
# Usage: tests/windows/run_wine_tests.sh <windows-build-dir> <linux-build-dir>
set -u
win_build=$(cd "$1" && pwd)
linux_build=$(cd "$2" && pwd)
export WINEDEBUG=-all
export WINEPREFIX="$win_build/wineprefix"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() {
    echo "FAILED: $*"
    failures=$((failures + 1))
}

# Runs a Windows program under Wine with its standard output in the file
# $1 (its other messages go to the standard error). Wine's connection to its own
# server drops now and then ("wine client error"); such a run says nothing
# about the program, so it is made again, once, from the same start.
wine_to() {
    out=$1
    shift
    for attempt in 1 2; do
        wine "$@" > "$out" 2> "$work/wine.err"
        status=$?
        if ! grep -q 'wine client error' "$work/wine.err"; then
            cat "$work/wine.err" >&2
            return $status
        fi
        echo "(attempt $attempt: Wine lost its server; running again)"
        rm -f out.gif
    done
    cat "$work/wine.err" >&2
    return $status
}

# The console output of a Windows program ends its lines with CR LF.
unix_lines() {
    sed 's/\r$//' "$1"
}

echo "== Windows unit tests under Wine (the first start prepares Wine's configuration)"
# Wine makes its configuration at its first start; let that finish before
# anything is measured against it.
wineboot --init > /dev/null 2>&1
wineserver -w > /dev/null 2>&1
for test in "$win_build"/tests/*.exe; do
    if wine_to "$work/unit.log" "$test" --gtest_brief=1 ||
        { echo "(first run of $(basename "$test") failed; running again)"; wine_to "$work/unit.log" "$test" --gtest_brief=1; }; then
        echo "ok   $(basename "$test"): $(grep -a -o '[0-9]* tests\? from [0-9]* test suites\? ran' "$work/unit.log")"
    else
        cat "$work/unit.log"
        fail "$(basename "$test")"
    fi
done

echo "== vastrelmon.exe against the Linux build"
gen="$linux_build/bmpgen"
mkdir -p "$work/in" "$work/seeds"
"$gen" photo24 97 61 "$work/in/photo24.bmp"
"$gen" photo8 64 48 "$work/in/photo8.bmp"
"$gen" dither1 33 17 "$work/in/dither1.bmp"
"$gen" noise8 120 90 "$work/in/noise8.bmp"
"$gen" example 80 50 "$work/in/example24.bmp"
"$gen" seeds "$work/seeds" > /dev/null
cp "$work/seeds/seed-4-40-33x7.bmp" "$work/in/four.bmp"
cp "$work/seeds/seed-4-12-9x5-td.bmp" "$work/in/fourcore.bmp"
cp "$work/seeds/seed-1-124-9x5.bmp" "$work/in/one124.bmp"

cases=0
for input in "$work"/in/*.bmp; do
    name=$(basename "$input" .bmp)
    for options in "" "/i" "/t1" "/t3 /i" "/u" "/u /b" "/b" "/v" "/o" "/emc" "/esr" "/esb" "/esw" "/es8" "/ec1" "/ec2" "/ec4" "/v /u /b /i"; do
        rm -rf "$work/linux" && mkdir -p "$work/linux" && cp "$input" "$work/linux/in.bmp"
        # The Linux side speaks as to a code page 437 console, whatever the
        # locale of the shell (a UTF-8 one would get UTF-8 separators).
        # shellcheck disable=SC2086
        (cd "$work/linux" && LC_ALL=C "$linux_build/vastrelmon" $options in.bmp out.gif > out.txt)
        linux_status=$?
        cases=$((cases + 1))
        label="$name [$options]"
        # Wine now and then fails to start a program at all, most often just
        # after it made its configuration; a difference is therefore looked
        # at again once, and only one that comes back is a failure.
        for attempt in 1 2; do
            rm -rf "$work/win" && mkdir -p "$work/win" && cp "$input" "$work/win/in.bmp"
            # shellcheck disable=SC2086
            (cd "$work/win" && wine_to out.txt "$win_build/vastrelmon.exe" $options in.bmp out.gif)
            win_status=$?
            problem=""
            [ "$linux_status" = "$win_status" ] || problem="exit $win_status, Linux $linux_status"
            unix_lines "$work/win/out.txt" > "$work/win/out.unix"
            cmp -s "$work/win/out.unix" "$work/linux/out.txt" || problem="$problem; messages differ"
            if [ -f "$work/linux/out.gif" ]; then
                cmp -s "$work/win/out.gif" "$work/linux/out.gif" || problem="$problem; GIF files differ"
            elif [ -f "$work/win/out.gif" ]; then
                problem="$problem; Windows wrote a file Linux refused"
            fi
            [ -z "$problem" ] && break
            [ "$attempt" = 1 ] && echo "(attempt 1 of $label: $problem; running again)"
        done
        [ -z "$problem" ] || fail "$label: $problem"
    done
done
echo "$cases runs compared"

echo "== never overwrite"
rm -rf "$work/win" && mkdir -p "$work/win" && cp "$work/in/photo8.bmp" "$work/win/in.bmp"
printf 'keep me' > "$work/win/in.gif"
(cd "$work/win" && wine "$win_build/vastrelmon.exe" in.bmp > out.txt)
status=$?
[ "$status" = 0 ] || fail "existing output: exit $status"
[ "$(cat "$work/win/in.gif")" = "keep me" ] || fail "existing output was changed"
grep -q 'Error :"in.gif" Already Exists' "$work/win/out.txt" || fail "existing output: no message 17"

# No hidden temporary ".vastrelmon-*.tmp" may outlive a run.
no_temporary() {
    if ls -A "$1" | grep -q '^\.vastrelmon-'; then
        fail "$2: a temporary file was left in the folder"
    fi
}
no_temporary "$work/win" "existing output"

echo "== a name that appears while the output is written"
# Whichever comes first keeps the name: the other file (created without
# overwriting, set -C) and message 17, or the program's complete GIF.
"$gen" noise8 4000 3000 "$work/big.bmp"
mkdir -p "$work/linux"
(cd "$work/linux" && rm -f big.gif && "$linux_build/vastrelmon" ../big.bmp big.gif > /dev/null)
for delay in 0.3 0.6 1 1.5 2; do
    rm -rf "$work/win" && mkdir -p "$work/win"
    (cd "$work/win" && wine "$win_build/vastrelmon.exe" ../big.bmp big.gif > out.txt) &
    runner=$!
    sleep "$delay"
    if (set -C; printf 'theirs' > "$work/win/big.gif") 2> /dev/null; then
        wait "$runner"
        status=$?
        [ "$status" = 0 ] || fail "name taken after ${delay}s: exit $status"
        [ "$(cat "$work/win/big.gif")" = "theirs" ] || fail "name taken after ${delay}s: the other file was replaced"
        grep -q 'Error :"big.gif" Already Exists' "$work/win/out.txt" || fail "name taken after ${delay}s: no message 17"
        echo "name taken after ${delay}s: the other file kept, message 17"
    else
        wait "$runner"
        status=$?
        [ "$status" = 0 ] || fail "finished within ${delay}s: exit $status"
        cmp -s "$work/win/big.gif" "$work/linux/big.gif" || fail "finished within ${delay}s: GIF differs from Linux"
        echo "finished within ${delay}s: the whole GIF"
    fi
    no_temporary "$work/win" "name taken after ${delay}s"
done

echo "== a full disk"
rm -rf "$work/win" && mkdir -p "$work/win"
# Wine's server must already run, outside the limit, or it would inherit it.
if command -v wineserver > /dev/null; then
    wineserver -p5 > /dev/null 2>&1
fi
# SIGXFSZ stays ignored through exec, so the write fails instead.
(cd "$work/win" && trap '' XFSZ && ulimit -f 64 && wine "$win_build/vastrelmon.exe" ../big.bmp big.gif > out.txt)
status=$?
[ "$status" = 255 ] || fail "full disk: exit $status, expected 255"
grep -q -E 'Error :"big.gif" Can'"'"'t (Write|Close)' "$work/win/out.txt" || fail "full disk: no message 34 or 36"
[ ! -e "$work/win/big.gif" ] || fail "full disk: a partial output was left"
no_temporary "$work/win" "full disk"

echo "== exit status of a failed run"
(cd "$work/win" && wine "$win_build/vastrelmon.exe" missing.bmp > out.txt)
status=$?
[ "$status" = 255 ] || fail "missing input: exit $status, expected 255"
grep -q 'Error :"missing.bmp" Can'"'"'t Open' "$work/win/out.txt" || fail "missing input: no message 19"

echo "== drive letters and separators in shown names"
(cd "$work/win" && wine "$win_build/vastrelmon.exe" 'C:\no\such\folder\photo.BMP' > out.txt)
unix_lines "$work/win/out.txt" | grep -q '^Info  :Input Filename:photo.BMP$' || fail "drive path: input name"
unix_lines "$work/win/out.txt" | grep -q '^Info  :Output Filename:photo.gif$' || fail "drive path: output name"

echo "== Japanese console (code page 932)"
# Wine takes its code pages from the Unix locale; make a Japanese one.
if localedef -i ja_JP -f UTF-8 "$work/ja_JP.UTF-8" > /dev/null 2>&1; then
    jp_prefix="$win_build/wineprefix-ja"
    # U+8868 is 95 5C in code page 932: its second byte is a backslash.
    (cd "$work/win" && LOCPATH="$work" LANG=ja_JP.UTF-8 WINEPREFIX="$jp_prefix" \
        wine "$win_build/vastrelmon.exe" 'C:\dir\表.bmp' > jp.txt)
    (cd "$work/linux" && LC_ALL=ja_JP.SJIS "$linux_build/vastrelmon" > jp-linux.txt)
    unix_lines "$work/win/jp.txt" | head -n 5 > "$work/win/jp-banner.txt"
    head -n 5 "$work/linux/jp-linux.txt" > "$work/linux/jp-banner.txt"
    cmp -s "$work/win/jp-banner.txt" "$work/linux/jp-banner.txt" || fail "Japanese banner differs from Linux"
    # "情報  :入力ファイル名:表.bmp" in code page 932
    printf '\217\356\225\361  :\223\374\227\315\203t\203@\203C\203\213\226\274:\225\\.bmp\n' > "$work/expect-jp"
    unix_lines "$work/win/jp.txt" | grep -a -F -x -f "$work/expect-jp" > /dev/null || fail "double-byte name shown wrongly"
else
    echo "skipped: cannot make a ja_JP locale here (install the locales package)"
fi

if [ "$failures" -ne 0 ]; then
    echo "$failures Windows check(s) failed"
    exit 1
fi
echo "All Windows checks passed"
