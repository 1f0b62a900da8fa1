#!/bin/sh
# The Python package's tests: installs the Debian packages they need (as
# root; otherwise stops with the command to run), builds the program and
# bmpgen they compare with (build-test/, as `make test`), installs the
# package into a virtual environment under build-python/ that sees Debian's
# packages, and runs pytest there. No test run counts as a failure.
set -e
cd "$(dirname "$0")/.."
PYTHON=/usr/bin/python3
JOBS="${JOBS:-2}"

missing=""
for package in python3-dev python3-venv python3-setuptools python3-build python3-pytest \
               python3-numpy python3-pil python3-dask python3-distributed python3-fsspec; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "ok installed" || missing="$missing $package"
done
if [ -n "$missing" ]; then
    if [ "$(id -u)" = 0 ]; then
        echo "Installing the Python tests' packages:$missing"
        apt-get update -qq
        DEBIAN_FRONTEND=noninteractive apt-get install -y -qq $missing >/dev/null
    else
        echo "Missing packages for the Python tests. Run: sudo apt-get install -y$missing" >&2
        exit 1
    fi
fi

sh tools/ensure-test-deps.sh  # what the CMake test build needs
cmake -S . -B build-test -DCMAKE_BUILD_TYPE=Release -DVASTRELMON_TESTS=ON >/dev/null
cmake --build build-test --target bmpgen vastrelmon -j "$JOBS" >/dev/null

[ -x build-python/venv/bin/python ] || "$PYTHON" -m venv --system-site-packages build-python/venv
VASTRELMON_JOBS="$JOBS" build-python/venv/bin/pip install --quiet --no-build-isolation --no-deps \
    --force-reinstall ./python

cd python
status=0
VASTRELMON_BUILD="${VASTRELMON_BUILD:-$PWD/../build-test}" \
    ../build-python/venv/bin/python -m pytest -p no:cacheprovider -p no:logging "$@" tests || status=$?
if [ "$status" = 5 ]; then
    echo "run_tests.sh: pytest collected no tests" >&2
    exit 1
fi
exit "$status"
