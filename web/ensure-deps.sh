#!/bin/sh
# What `make web` and `make web-tests` need: Emscripten, Chromium for the
# page's tests, Node.js and npm. As root it installs what is missing;
# otherwise it names the command to run and exits with 3, which
# `make web-tests` takes as "skip".
missing=""
need() {
    command -v "$1" >/dev/null 2>&1 || missing="$missing $2"
}
need emcc emscripten
need chromium chromium
need node nodejs
need npm npm
[ -z "$missing" ] && exit 0
if [ "$(id -u)" = 0 ]; then
    echo "Installing what the web build and its tests need:$missing"
    apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq $missing >/dev/null || exit 1
    exit 0
fi
echo "Skipping the web tests: run 'sudo apt-get install -y$missing' to run them."
exit 3
