#!/bin/sh
# Checks what users get from `make install` and `make package`:
#  - the manual pages are lint-clean, render with man, carry the project's
#    version and describe every option and colour-mode code, and the
#    library's page every function, field and constant of its header;
#  - `make install DESTDIR=...` installs a working program (which also runs
#    the README's whole-folder recipe) and a library that exports its API
#    alone and that examples/convert.c builds against with pkg-config (shared
#    and static) and with CMake's find_package, converting as the program
#    does; `make uninstall` takes away all of it and nothing else;
#  - the three .debs pass lintian without errors or warnings, the symbols
#    file matches the library and, as root, they install with dpkg, the
#    program runs from PATH, has its manual page found by man, pkg-config
#    finds the library, and all are removed again;
#  - the MIT licence reaches every installation: the copyright file of
#    make install and of each .deb, LICENSE.txt and the runtime's notices
#    in the zip;
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
packages="vastrelmon libvastrelmon-dev libvastrelmon1"
cleanup() {
    if [ "$installed_deb" = yes ]; then
        # shellcheck disable=SC2086 # one word a package
        dpkg -r $packages > /dev/null 2>&1
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
# $1: the page, $2: a text its rendering shows.
lint_page() {
    messages=$(mandoc -Tlint "$1" 2>&1)
    [ -z "$messages" ] || fail "mandoc -Tlint $1: $messages"
    messages=$(groff -k -man -ww -z -Tutf8 "$1" 2>&1)
    [ -z "$messages" ] || fail "groff -ww $1: $messages"
    # As lintian renders pages: any message from groff is a fault.
    LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z "$1" \
        > /dev/null 2> "$work/man.err"
    [ -s "$work/man.err" ] && fail "man --warnings $1: $(cat "$work/man.err")"
    LC_ALL=C.UTF-8 MANWIDTH=80 man -l "$1" > "$work/rendered.txt" 2>&1
    grep -q "$2" "$work/rendered.txt" || fail "man -l $1 does not render the page"
    section=${1##*.}
    grep -q "^\.TH VASTRELMON $section [0-9-]* \"vastrelmon $version\"" "$1" ||
        fail "$1 does not name version $version in .TH"
}
for page in man/vastrelmon.1 man/ja/vastrelmon.1; do
    before=$failures
    lint_page "$page" "gifsicle(1)"
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

page=man/vastrelmon.3
header=include/vastrelmon.h
before=$failures
lint_page "$page" "vastrelmon_convert_file("
# Every function and constant of the header by name, every field as a .B
# line of its own (".B int transparent", ".B char message[256]").
names=$(grep -o 'vastrelmon_[a-z_]*(\|VASTRELMON_[A-Z0-9_]*' "$header" | tr -d '(' |
    grep -v '^VASTRELMON_\(H\|API\|SHARED_BUILD\)$' | sort -u)
fields=$(sed -n '/^typedef struct/,/^}/s/^ *[a-z_ ]*[ *]\([a-z_]*\)\(\[[0-9]*\]\)\{0,1\};.*/\1/p' "$header")
if [ -z "$names" ] || [ -z "$fields" ]; then
    fail "nothing found in $header: update this check"
fi
for name in $names; do
    grep -q "\\<$name\\>" "$page" || fail "$page does not describe $name"
done
grep -o 'VASTRELMON_[A-Z0-9_]* = [0-9]*' "$header" | while read -r name _ value; do
    grep -q "^\.BR $name \" ($value)\"\$" "$page" || echo "$name"
done > "$work/values.txt"
[ -s "$work/values.txt" ] && fail "$page lacks the value of: $(cat "$work/values.txt")"
for field in $fields; do
    grep -q "^\.B [a-z_ ]*[ *]$field\(\[[0-9]*\]\)\{0,1\}\$" "$page" || fail "$page does not describe the field $field"
done
[ $failures -eq "$before" ] && echo "ok   $page"

# Converts the example with a program built on the library and checks the
# GIF against the reference build's; while the library converts nothing yet
# (status 1, VASTRELMON_ERROR_INVALID_ARGUMENT, for every call) the
# comparison is skipped. $1: label, then the command that runs the program.
check_library_conversion() {
    label=$1
    shift
    dir="$out/$label"
    mkdir -p "$dir/ref"
    "$@" "$example" "$dir/example.gif" > "$dir/out.txt" 2>&1
    status=$?
    if [ $status -ne 0 ] || [ ! -f "$dir/example.gif" ]; then
        cat "$dir/out.txt"
        fail "$label: conversion ended with status $status"
    elif [ -x "$reference" ]; then
        cp "$example" "$dir/ref/example.bmp"
        (cd "$dir/ref" && "$reference" example.bmp > /dev/null)
        cmp -s "$dir/example.gif" "$dir/ref/example.gif" ||
            fail "$label: GIF differs from the build-test program's"
    fi
}

# The library installed under $1 (a DESTDIR, or "" for the system) with the
# prefix $2: it exports its API only, and examples/convert.c builds with
# pkg-config (shared, and static from libvastrelmon.a) and with CMake's
# find_package, and converts.
check_library() {
    root=$1
    prefix=$2
    before=$failures
    out=$(mktemp -d "$work/library.XXXXXX")
    libdir=$(dirname "$(find "$root$prefix/lib" -name libvastrelmon.so.1 | head -n 1)")
    quiet sh tests/install/check_exports.sh "$libdir/libvastrelmon.so.1" include/vastrelmon.h ||
        fail "the installed libvastrelmon.so.1 exports other than its API"
    # The .pc names the prefix; pkg-config puts the DESTDIR before its paths.
    pc() {
        PKG_CONFIG_LIBDIR="$libdir/pkgconfig" PKG_CONFIG_SYSROOT_DIR="$root" pkg-config "$@" vastrelmon
    }
    [ "$(pc --modversion)" = "$version" ] || fail "pkg-config --modversion: $(pc --modversion 2>&1)"
    cflags="-std=c99 -Wall -Wextra -pedantic -Werror"
    # shellcheck disable=SC2046,SC2086 # pkg-config's words split as they should
    if quiet cc $cflags examples/convert.c $(pc --cflags --libs) -o "$out/convert-pc"; then
        check_library_conversion pkg-config env LD_LIBRARY_PATH="$libdir" "$out/convert-pc"
    else
        fail "cc examples/convert.c \$(pkg-config --cflags --libs vastrelmon)"
    fi
    # shellcheck disable=SC2046,SC2086
    if quiet cc $cflags examples/convert.c $(pc --cflags --libs --static | sed 's/-lvastrelmon\b/-l:libvastrelmon.a/') \
        -o "$out/convert-static"; then
        readelf -d "$out/convert-static" | grep -q "libvastrelmon" &&
            fail "the program linked with libvastrelmon.a needs the shared library"
        check_library_conversion static "$out/convert-static"
    else
        fail "cc examples/convert.c with libvastrelmon.a and \$(pkg-config --static --libs vastrelmon)"
    fi
    rm -rf "$out/cmake"
    if quiet cmake -S tests/install/consumer -B "$out/cmake" -DCMAKE_PREFIX_PATH="$root$prefix" &&
        quiet cmake --build "$out/cmake"; then
        check_library_conversion find_package env LD_LIBRARY_PATH="$libdir" "$out/cmake/convert"
    else
        fail "examples/convert.c with find_package(vastrelmon) (tests/install/consumer)"
    fi
    [ $failures -eq "$before" ] &&
        echo "ok   library in $root$prefix: exports, pkg-config (shared, static), find_package"
}

echo "== make install DESTDIR=... and make uninstall"
before=$failures
dest="$work/dest"
# A file and folders that were there before must survive the uninstall.
mkdir -p "$dest/usr/local/share/man/man1"
echo other > "$dest/usr/local/share/man/man1/other.1"
if quiet make -s install BUILD=build-install DESTDIR="$dest"; then
    (cd "$dest" && find . ! -type d | sort) > "$work/files.txt"
    cat > "$work/expected.txt" <<EOF
./usr/local/bin/vastrelmon
./usr/local/include/vastrelmon.h
./usr/local/lib/cmake/vastrelmon/vastrelmonConfig.cmake
./usr/local/lib/cmake/vastrelmon/vastrelmonConfigVersion.cmake
./usr/local/lib/cmake/vastrelmon/vastrelmonTargets-release.cmake
./usr/local/lib/cmake/vastrelmon/vastrelmonTargets.cmake
./usr/local/lib/libvastrelmon.a
./usr/local/lib/libvastrelmon.so
./usr/local/lib/libvastrelmon.so.1
./usr/local/lib/libvastrelmon.so.1.0.0
./usr/local/lib/pkgconfig/vastrelmon.pc
./usr/local/share/doc/vastrelmon/README.md
./usr/local/share/doc/vastrelmon/changelog.gz
./usr/local/share/doc/vastrelmon/copyright
./usr/local/share/man/ja/man1/vastrelmon.1.gz
./usr/local/share/man/man1/other.1
./usr/local/share/man/man1/vastrelmon.1.gz
./usr/local/share/man/man3/vastrelmon.3.gz
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

    check_library "$dest" /usr/local

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

echo "== make package: the .debs"
deb="build-package/vastrelmon_${version}_amd64.deb"
lib_deb="build-package/libvastrelmon1_${version}_amd64.deb"
dev_deb="build-package/libvastrelmon-dev_${version}_amd64.deb"
debs="$deb $lib_deb $dev_deb"
# shellcheck disable=SC2086 # one word a file
rm -f $debs
# shellcheck disable=SC2086
if quiet make -s package-deb && ls $debs > /dev/null 2>&1; then
    [ "$(dpkg-deb -f "$deb" Section)" = graphics ] || fail "Section is not graphics"
    dpkg-deb -f "$deb" Depends | grep -q "libc6" || fail "Depends lacks libc6 (dpkg-shlibdeps)"
    dpkg-deb -f "$lib_deb" Depends | grep -q "libstdc++6" || fail "libvastrelmon1's Depends lacks libstdc++6"
    [ "$(dpkg-deb -f "$dev_deb" Depends)" = "libvastrelmon1 (= $version)" ] ||
        fail "libvastrelmon-dev's Depends: $(dpkg-deb -f "$dev_deb" Depends)"
    # lintian exits non-zero on errors; warnings fail here too, as the README
    # promises none. Its other remarks are shown.
    for package in $debs; do
        lintian --pedantic "$package" > "$work/lintian.txt" 2>&1
        lintian_status=$?
        grep -v "running with root privileges" "$work/lintian.txt"
        if [ $lintian_status -ne 0 ] || grep -q "^[EW]:" "$work/lintian.txt"; then
            fail "lintian reports errors or warnings for $package"
        else
            echo "ok   lintian $package: no errors or warnings"
        fi
    done
    # The symbols file lists every exported function, each with the version
    # that brought it; dpkg-gensymbols -c4 fails on any difference.
    mkdir -p "$work/symbols/debian"
    dpkg-deb -x "$lib_deb" "$work/symbols/root"
    printf 'Source: vastrelmon\n\nPackage: libvastrelmon1\nArchitecture: any\n' > "$work/symbols/debian/control"
    dpkg-deb -e "$lib_deb" "$work/symbols/control"
    (cd "$work/symbols" && quiet dpkg-gensymbols -c4 -plibvastrelmon1 -v"$version" -Proot \
        -I"$work/symbols/control/symbols" -O/dev/null) ||
        fail "$lib_deb: its symbols file does not match the library"

    before=$failures
    if [ "$(id -u)" != 0 ]; then
        echo "Skipping dpkg -i/-r of the .debs: that needs root (CI runs as root)."
    elif dpkg-query -W -f='${Status}\n' $packages 2>/dev/null | grep -q "ok installed"; then
        echo "Skipping dpkg -i/-r of the .debs: a vastrelmon or libvastrelmon package is installed here already."
    else
        # Minimal images drop manual pages at unpacking (path-exclude in
        # /etc/dpkg/dpkg.cfg.d); --path-include lets this package's in.
        if grep -qs '^path-exclude[= ]*/usr/share/man' /etc/dpkg/dpkg.cfg.d/*; then
            echo "Note: /etc/dpkg/dpkg.cfg.d excludes /usr/share/man; these packages' pages are let in with --path-include."
        fi
        installed_deb=yes
        # shellcheck disable=SC2086
        if quiet dpkg -i --path-include='/usr/share/man/*/vastrelmon.[13].gz' $debs; then
            system_path=/usr/sbin:/usr/bin:/sbin:/bin
            [ "$(PATH=$system_path command -v vastrelmon)" = /usr/bin/vastrelmon ] ||
                fail "vastrelmon is not on PATH after dpkg -i"
            check_conversion "packaged program" "$work/deb" env PATH=$system_path vastrelmon
            [ "$(man -w vastrelmon 2>&1)" = /usr/share/man/man1/vastrelmon.1.gz ] ||
                fail "man -w vastrelmon: $(man -w vastrelmon 2>&1)"
            [ "$(man -w 3 vastrelmon 2>&1)" = /usr/share/man/man3/vastrelmon.3.gz ] ||
                fail "man -w 3 vastrelmon: $(man -w 3 vastrelmon 2>&1)"
            MANPAGER=cat MANWIDTH=80 man vastrelmon 2>&1 | grep -q "gifsicle(1)" ||
                fail "man vastrelmon does not show the page"
            for package in $packages; do
                grep -q "^License: Expat" /usr/share/doc/$package/copyright ||
                    fail "/usr/share/doc/$package/copyright is missing or names no Expat (MIT) licence"
            done
            [ "$(pkg-config --modversion vastrelmon 2>&1)" = "$version" ] ||
                fail "pkg-config --modversion vastrelmon: $(pkg-config --modversion vastrelmon 2>&1)"
            check_library "" /usr
        else
            fail "dpkg -i $debs"
        fi
        # shellcheck disable=SC2086
        if quiet dpkg -r $packages; then
            installed_deb=no
            for path in /usr/bin/vastrelmon /usr/share/man/man1/vastrelmon.1.gz \
                        /usr/share/man/ja/man1/vastrelmon.1.gz /usr/share/doc/vastrelmon \
                        /usr/include/vastrelmon.h /usr/share/man/man3/vastrelmon.3.gz \
                        /usr/share/doc/libvastrelmon1 /usr/share/doc/libvastrelmon-dev \
                        /usr/lib/*/libvastrelmon* /usr/lib/*/pkgconfig/vastrelmon.pc /usr/lib/*/cmake/vastrelmon; do
                if [ -e "$path" ] || [ -L "$path" ]; then
                    fail "dpkg -r left $path"
                fi
            done
        else
            fail "dpkg -r $packages"
        fi
        [ $failures -eq "$before" ] &&
            echo "ok   dpkg -i, vastrelmon from PATH, man vastrelmon, man 3 vastrelmon, the library in /usr, dpkg -r"
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
