#!/bin/sh
# Builds the library's core with Emscripten into OUT (default build-web):
# vastrelmon.wasm, its generated loader vastrelmon-core.mjs, the wrapper
# module vastrelmon.mjs and the page. Objects are rebuilt only when their
# source or a header is newer; the program's own driver (app/) stays out.
set -e
OUT=${1:-build-web}
JOBS=${JOBS:-2}
ROOT=$(cd "$(dirname "$0")/.." && pwd)
# Debian's emcc runs its JavaScript tools under Node.js and finds their
# modules only there.
export NODE_PATH=${NODE_PATH:-/usr/share/nodejs}
VERSION=$(sed -n 's/^project(vastrelmon VERSION \([0-9.]*\).*/\1/p' "$ROOT/CMakeLists.txt")

mkdir -p "$OUT/obj"
OUT=$(cd "$OUT" && pwd)
CXXFLAGS="-std=c++17 -O3 -fno-exceptions -Wall -Wextra -Werror -I$ROOT -I$ROOT/include"
# Read again by the shell that runs each compiler, hence the inner quotes.
CXXFLAGS="$CXXFLAGS -DVASTRELMON_VERSION_STRING='\"$VERSION\"'"

newest_header=$(ls -t "$ROOT"/include/*.h "$ROOT"/*/*.h | head -n 1)
cd "$ROOT"
sources="lib/*.cpp platform/*.cpp console/*.cpp bmp/*.cpp image/*.cpp gif/*.cpp web/shim.cpp"
# Objects of sources that are gone would be linked too.
objects=""
for source in $sources; do
    objects="$objects $OUT/obj/$(echo "$source" | tr / _).o"
done
for source in $sources; do
    object="$OUT/obj/$(echo "$source" | tr / _).o"
    if [ ! -f "$object" ] || [ "$source" -nt "$object" ] || [ "$newest_header" -nt "$object" ] ||
       [ "$0" -nt "$object" ]; then
        echo "$source $object"
    fi
done | xargs -r -n 2 -P "$JOBS" sh -c 'echo "emcc $0"; emcc '"$CXXFLAGS"' -c "$0" -o "$1"'

# One module for browsers, their workers and Node.js alike: the wrapper
# hands the generated loader the compiled WebAssembly, so the loader's own
# ways of finding and fetching it are never used.
# shellcheck disable=SC2086
emcc -O3 -fno-exceptions $objects -o "$OUT/vastrelmon-core.mjs" \
    -sMODULARIZE=1 -sEXPORT_ES6=1 -sEXPORT_NAME=createVastrelmonCore \
    -sENVIRONMENT=web,worker -sFILESYSTEM=0 -sDYNAMIC_EXECUTION=0 \
    -sALLOW_MEMORY_GROWTH=1 -sMAXIMUM_MEMORY=4GB \
    -sEXPORTED_FUNCTIONS=_malloc,_free,_web_convert,_web_status,_web_gif,_web_gif_size,_web_message_number,_web_message,_web_message_japanese,_web_detail,_web_release
mv "$OUT/vastrelmon-core.wasm" "$OUT/vastrelmon.wasm"

cp "$ROOT"/web/vastrelmon.mjs "$ROOT"/web/index.html "$ROOT"/web/style.css "$ROOT"/web/app.js \
   "$ROOT"/web/worker.js "$ROOT"/web/texts.js "$ROOT"/web/sw.js "$ROOT"/web/icon.svg \
   "$ROOT"/web/package.json "$OUT/"
# The service worker's cache is named after this build, so a new build
# replaces the files an old one cached.
stamp=$(cat "$OUT"/vastrelmon.wasm "$OUT"/*.mjs "$OUT"/*.js "$OUT"/*.html "$OUT"/*.css | cksum | cut -d ' ' -f 1)
sed -i "s/@BUILD@/$stamp/" "$OUT/sw.js"
echo "Built $OUT: $(wc -c < "$OUT/vastrelmon.wasm") bytes of WebAssembly"
