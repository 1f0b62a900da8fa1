#!/bin/sh
# Checks what users get from `make install` and `make package`:
#  - the manual pages are lint-clean, render with man, carry the project's
#    version and describe every option and colour-mode code;
#  - `make install DESTDIR=...` installs a working program (which also runs
#    the README's whole-folder recipe) and `make uninstall` takes away all of
#    it and nothing else;
#  - the .deb passes lintian without errors and, as root, installs with
#    dpkg, runs from PATH, has its manual page found by man and is removed
#    again;
#  - the MIT licence reaches every installation: the copyright file of
#    make install and the .deb, LICENSE.txt and the runtime's notices in the
#    zip;
#  - the Windows zip holds the program, README and licence, and the
#    program runs under Wine (when MinGW-w64 and Wine are installed).
#
# Usage, from the top folder after the unit tests (make install-tests):
#   sh tests/install/run_install_tests.sh
set -u
top=$(pwd)
work=$(mktemp -d)
failures=0
installed_deb=no
cleanup() {
    if [ "$installed_deb" = yes ]; then
        dpkg -r vastrelmon > /dev/null 2>&1
    fi
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "FAILED: $*"
    failures=$((failures + 1))
}
# Runs a command quietly; on failure shows its output.
quiet() {
    if ! "$@" > "$work/quiet.log" 2>&1; then
        cat "$work/quiet.log"
        return 1
    fi
}

version=$(sed -n 's/^project(vastrelmon VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
[ -n "$version" ] || fail "no project version found in CMakeLists.txt"
example="$top/examples/example.bmp"
reference="$top/build-test/vastrelmon"

# Converts the example with the given program in a fresh folder and checks
# the outcome against the reference build. $1: label, $2: folder, then the
# command that runs the program.
check_conversion() {
    label=$1
    dir=$2
    shift 2
    mkdir -p "$dir"
    cp "$example" "$dir/example.bmp"
    (cd "$dir" && "$@" example.bmp > out.txt 2>&1)
    status=$?
    if [ $status -ne 0 ] || ! grep -q "Info  :Success\." "$dir/out.txt"; then
        cat "$dir/out.txt"
        fail "$label: conversion ended with status $status"
    elif [ -x "$reference" ]; then
        mkdir -p "$dir/ref"
        cp "$example" "$dir/ref/example.bmp"
        (cd "$dir/ref" && "$reference" example.bmp > /dev/null)
        cmp -s "$dir/example.gif" "$dir/ref/example.gif" ||
            fail "$label: GIF differs from the build-test program's"
    fi
}

echo "== Manual pages"
for page in man/vastrelmon.1 man/ja/vastrelmon.1; do
    before=$failures
    messages=$(mandoc -Tlint "$page" 2>&1)
    [ -z "$messages" ] || fail "mandoc -Tlint $page: $messages"
    messages=$(groff -k -man -ww -z -Tutf8 "$page" 2>&1)
    [ -z "$messages" ] || fail "groff -ww $page: $messages"
    # As lintian renders pages: any message from groff is a fault.
    LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z "$page" \
        > /dev/null 2> "$work/man.err"
    [ -s "$work/man.err" ] && fail "man --warnings $page: $(cat "$work/man.err")"
    LC_ALL=C.UTF-8 MANWIDTH=80 man -l "$page" > "$work/rendered.txt" 2>&1
    grep -q "gifsicle(1)" "$work/rendered.txt" || fail "man -l $page does not render the page"
    grep -q "^\.TH VASTRELMON 1 [0-9-]* \"vastrelmon $version\"" "$page" ||
        fail "$page does not name version $version in .TH"
    letters=$(sed -n "s/^ *case '\(.\)':.*/\1/p" console/options.cpp)
    codes=$(grep -o '{"[a-z0-9]*", MODE_' console/options.cpp | cut -c3-4)
    if [ -z "$letters" ] || [ -z "$codes" ]; then
        fail "no options found in console/options.cpp: update this check"
    fi
    for letter in $letters; do
        grep -q "^\.BI\{0,1\} /$letter" "$page" || fail "$page does not describe /$letter"
    done
    for code in $codes; do
        grep -q "^\.B $code\$" "$page" || fail "$page does not describe /e$code"
    done
    [ $failures -eq "$before" ] && echo "ok   $page"
done
# groff breaks Japanese text only where the page's .cflags allow it.
perl -CSD -ne 'next if /^\.cflags/; print "$&\n" while /[\x{3041}-\x{30FF}\x{4E00}-\x{9FFF}]/g' \
    man/ja/vastrelmon.1 | sort -u > "$work/used.txt"
perl -CSD -ne 'print "$_\n" for /^\.cflags \d+ (.*)$/ ? split(//, $1) : ()' \
    man/ja/vastrelmon.1 | sort -u > "$work/listed.txt"
missing=$(comm -23 "$work/used.txt" "$work/listed.txt" | tr -d '\n')
[ -z "$missing" ] || fail "man/ja/vastrelmon.1: add to its .cflags 512 lines: $missing"

echo "== make install DESTDIR=... and make uninstall"
before=$failures
dest="$work/dest"
# A file and folders that were there before must survive the uninstall.
mkdir -p "$dest/usr/local/share/man/man1"
echo other > "$dest/usr/local/share/man/man1/other.1"
if quiet make -s install BUILD=build-install DESTDIR="$dest"; then
    (cd "$dest" && find . -type f | sort) > "$work/files.txt"
    cat > "$work/expected.txt" <<EOF
./usr/local/bin/vastrelmon
./usr/local/share/doc/vastrelmon/README.md
./usr/local/share/doc/vastrelmon/changelog.gz
./usr/local/share/doc/vastrelmon/copyright
./usr/local/share/man/ja/man1/vastrelmon.1.gz
./usr/local/share/man/man1/other.1
./usr/local/share/man/man1/vastrelmon.1.gz
EOF
    diff "$work/expected.txt" "$work/files.txt" || fail "installed files"
    grep -q "^License: Expat" "$dest/usr/local/share/doc/vastrelmon/copyright" ||
        fail "the installed copyright names no Expat (MIT) licence"
    check_conversion "installed program" "$work/run" "$dest/usr/local/bin/vastrelmon"
    found=$(man -M "$dest/usr/local/share/man" -w vastrelmon 2>&1)
    [ "$found" = "$dest/usr/local/share/man/man1/vastrelmon.1.gz" ] ||
        fail "man -w finds $found"
    for page in man1/vastrelmon.1.gz ja/man1/vastrelmon.1.gz; do
        LC_ALL=C.UTF-8 man -l "$dest/usr/local/share/man/$page" 2>&1 | grep -q "gifsicle(1)" ||
            fail "man -l does not render the installed $page"
    done

    # The README's recipe for a whole folder: existing GIFs are left alone,
    # a bad picture is named and does not stop the others.
    folder="$work/folder"
    mkdir -p "$folder/sub"
    cp "$example" "$folder/a.bmp"
    cp "$example" "$folder/with space.bmp"
    cp "$example" "$folder/sub/upper.BMP"
    cp "$example" "$folder/done.bmp"
    echo "earlier output" > "$folder/done.gif"
    echo "not a picture" > "$folder/bad.bmp"
    # shellcheck disable=SC2016 # $0 is expanded by the inner sh
    (cd "$folder" && PATH="$dest/usr/local/bin:$PATH" &&
        find . -iname '*.bmp' -print0 |
        xargs -0 -P "$(nproc)" -n 1 \
            sh -c 'vastrelmon "$0" || echo "failed: $0" >&2' > /dev/null 2> "$work/recipe.err")
    for gif in a.gif "with space.gif" sub/upper.gif; do
        [ -f "$folder/$gif" ] || fail "folder recipe: $gif not written"
    done
    [ "$(cat "$folder/done.gif")" = "earlier output" ] || fail "folder recipe: done.gif overwritten"
    [ ! -e "$folder/bad.gif" ] || fail "folder recipe: bad.gif left behind"
    [ "$(cat "$work/recipe.err")" = "failed: ./bad.bmp" ] ||
        fail "folder recipe reports: $(cat "$work/recipe.err")"

    if quiet make -s uninstall BUILD=build-install DESTDIR="$dest"; then
        (cd "$dest" && find . | sort) > "$work/left.txt"
        cat > "$work/expected.txt" <<EOF
.
./usr
./usr/local
./usr/local/share
./usr/local/share/man
./usr/local/share/man/man1
./usr/local/share/man/man1/other.1
EOF
        diff "$work/expected.txt" "$work/left.txt" || fail "make uninstall left the above behind"
    else
        fail "make uninstall"
    fi
else
    fail "make install"
fi
[ $failures -eq "$before" ] &&
    echo "ok   installed files, conversion, man -w, folder recipe, nothing left after uninstall"

echo "== make package: the .deb"
deb="build-package/vastrelmon_${version}_amd64.deb"
rm -f "$deb"
if quiet make -s package-deb && [ -f "$deb" ]; then
    [ "$(dpkg-deb -f "$deb" Section)" = graphics ] || fail "Section is not graphics"
    dpkg-deb -f "$deb" Depends | grep -q "libc6" || fail "Depends lacks libc6 (dpkg-shlibdeps)"
    # lintian exits non-zero on errors; its warnings are shown, not failed.
    lintian --pedantic "$deb" > "$work/lintian.txt" 2>&1
    lintian_status=$?
    grep -v "running with root privileges" "$work/lintian.txt"
    if [ $lintian_status -ne 0 ] || grep -q "^E:" "$work/lintian.txt"; then
        fail "lintian reports errors"
    else
        echo "ok   lintian: no errors"
    fi

    before=$failures
    if [ "$(id -u)" != 0 ]; then
        echo "Skipping dpkg -i/-r of the .deb: that needs root (CI runs as root)."
    elif dpkg-query -W -f='${Status}' vastrelmon 2>/dev/null | grep -q "ok installed"; then
        echo "Skipping dpkg -i/-r of the .deb: a vastrelmon package is installed here already."
    else
        # Minimal images drop manual pages at unpacking (path-exclude in
        # /etc/dpkg/dpkg.cfg.d); --path-include lets this package's in.
        if grep -qs '^path-exclude[= ]*/usr/share/man' /etc/dpkg/dpkg.cfg.d/*; then
            echo "Note: /etc/dpkg/dpkg.cfg.d excludes /usr/share/man; this package's pages are let in with --path-include."
        fi
        installed_deb=yes
        if quiet dpkg -i --path-include='/usr/share/man/*/vastrelmon.1.gz' "$deb"; then
            system_path=/usr/sbin:/usr/bin:/sbin:/bin
            [ "$(PATH=$system_path command -v vastrelmon)" = /usr/bin/vastrelmon ] ||
                fail "vastrelmon is not on PATH after dpkg -i"
            check_conversion "packaged program" "$work/deb" env PATH=$system_path vastrelmon
            [ "$(man -w vastrelmon 2>&1)" = /usr/share/man/man1/vastrelmon.1.gz ] ||
                fail "man -w vastrelmon: $(man -w vastrelmon 2>&1)"
            MANPAGER=cat MANWIDTH=80 man vastrelmon 2>&1 | grep -q "gifsicle(1)" ||
                fail "man vastrelmon does not show the page"
            grep -q "^License: Expat" /usr/share/doc/vastrelmon/copyright ||
                fail "/usr/share/doc/vastrelmon/copyright is missing or names no Expat (MIT) licence"
        else
            fail "dpkg -i $deb"
        fi
        if quiet dpkg -r vastrelmon; then
            installed_deb=no
            for path in /usr/bin/vastrelmon /usr/share/man/man1/vastrelmon.1.gz \
                        /usr/share/man/ja/man1/vastrelmon.1.gz /usr/share/doc/vastrelmon; do
                [ ! -e "$path" ] || fail "dpkg -r left $path"
            done
        else
            fail "dpkg -r vastrelmon"
        fi
        [ $failures -eq "$before" ] && echo "ok   dpkg -i, vastrelmon from PATH, man vastrelmon, dpkg -r"
    fi
else
    fail "make package-deb"
fi

echo "== make package: the Windows zip"
if command -v x86_64-w64-mingw32-g++ > /dev/null && command -v wine > /dev/null; then
    zip="build-package/vastrelmon-${version}-win64.zip"
    rm -f "$zip"
    before=$failures
    if quiet make -s package-zip && [ -f "$zip" ]; then
        zip -sf "$zip" | sed -n 's/^  //p' | sort > "$work/zip.txt"
        printf 'LICENSE.txt\nREADME.md\nnotices/\nnotices/gcc-runtime.txt\nnotices/mingw-w64-runtime.txt\nvastrelmon.exe\n' \
            > "$work/expected.txt"
        diff "$work/expected.txt" "$work/zip.txt" || fail "zip contents"
        mkdir -p "$work/zip"
        (cd "$work/zip" && cmake -E tar xf "$top/$zip")
        cmp -s LICENSE "$work/zip/LICENSE.txt" || fail "the zip's LICENSE.txt is not LICENSE"
        grep -q "RUNTIME LIBRARY EXCEPTION" "$work/zip/notices/gcc-runtime.txt" ||
            fail "the zip lacks the GCC runtime's notice"
        grep -q "winpthreads" "$work/zip/notices/mingw-w64-runtime.txt" ||
            fail "the zip lacks the MinGW-w64 runtime's notice"
        check_conversion "zipped program under Wine" "$work/zip" env WINEDEBUG=-all \
            WINEPREFIX="$top/build-windows/wineprefix" wine "$work/zip/vastrelmon.exe"
        [ $failures -eq "$before" ] && echo "ok   $zip: program, README, licence and notices; the program runs under Wine"
    else
        fail "make package-zip"
    fi
else
    echo "Skipping the Windows zip: install g++-mingw-w64-x86-64 and wine to check it."
fi

if [ $failures -ne 0 ]; then
    echo "$failures install/package check(s) FAILED"
    exit 1
fi
echo "All install and package checks passed."
