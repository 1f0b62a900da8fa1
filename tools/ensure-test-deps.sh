#!/bin/sh
# Installs what the tests need and the machine may lack: giflib's headers
# (the independent GIF decoder). As root it installs them; otherwise it stops
# with the command to run.
set -e
missing=""
[ -f /usr/include/gif_lib.h ] || missing="$missing libgif-dev"
[ -z "$missing" ] && exit 0
if [ "$(id -u)" = 0 ]; then
    echo "Installing test dependencies:$missing"
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq $missing >/dev/null
else
    echo "Missing test dependencies. Run: sudo apt-get install -y$missing" >&2
    exit 1
fi
