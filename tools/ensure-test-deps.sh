#!/bin/sh
# Installs what the tests need and the machine may lack. For `make test`:
# giflib's headers (the independent GIF decoder) and, as a speed-up only,
# ccache. With --check, for `make check` too: mandoc, groff and man-db (the
# manual pages), dpkg-dev and file (CPack's dpkg-shlibdeps), lintian, zip and
# pkg-config (building against the installed library).
# As root it installs them; otherwise it stops with the command to run (a
# missing ccache is then only skipped).
set -e
missing=""
[ -f /usr/include/gif_lib.h ] || missing="$missing libgif-dev"
need() {
    command -v "$1" >/dev/null 2>&1 || missing="$missing $2"
}
if [ "${1:-}" = --check ]; then
    need mandoc mandoc
    need groff groff-base
    need man man-db
    need dpkg-shlibdeps dpkg-dev
    need file file
    need lintian lintian
    need zip zip
    need pkg-config pkgconf
fi
if [ "$(id -u)" = 0 ]; then
    need ccache ccache
fi
[ -z "$missing" ] && exit 0
if [ "$(id -u)" = 0 ]; then
    echo "Installing test dependencies:$missing"
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq $missing >/dev/null
else
    echo "Missing test dependencies. Run: sudo apt-get install -y$missing" >&2
    exit 1
fi
