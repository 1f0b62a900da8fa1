#!/bin/sh
# The web tests: the module in Node.js and the page in headless Chromium,
# both against the program built natively in build-test. Expects build-web
# (make web) and what web/ensure-deps.sh installs.
set -e
ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$ROOT"
cmake -S . -B build-test -DCMAKE_BUILD_TYPE=Release -DVASTRELMON_TESTS=ON >/dev/null
cmake --build build-test --target bmpgen vastrelmon -j "${JOBS:-2}"
# puppeteer-core drives the system's Chromium: no browser is downloaded.
if [ ! -f web/node_modules/.package-lock.json ] || [ web/package-lock.json -nt web/node_modules/.package-lock.json ]; then
    (cd web && PUPPETEER_SKIP_DOWNLOAD=1 npm ci --no-audit --no-fund)
fi
# One test file at a time, so the timings each prints are not shared.
serial=""
if node --help | grep -q -- --test-concurrency; then
    serial=--test-concurrency=1
fi
node --test $serial web/tests/module.test.mjs web/tests/browser.test.mjs
