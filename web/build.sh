#!/usr/bin/env bash
# Builds the page into build-web/ at the top of the repository:
# build-web/index.html, one file that works opened from disk (file://) or
# from any static server. The C++ code is compiled by Debian's emscripten
# into build-wasm/ (also the dialogue for node, which the reference runs
# check: build-wasm/web/zireze-dialogue.js); the JavaScript dependencies come
# from npm, as pinned by web/package-lock.json.
set -euo pipefail
web=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$web")
wasm=$root/build-wasm
out=$root/build-web
# Debian's emcc finds its JavaScript helpers there.
export NODE_PATH=${NODE_PATH:-/usr/share/nodejs}

for tool in emcmake emcc node npm; do
  command -v "$tool" >/dev/null || { echo "build.sh: $tool is missing (tools/install-deps.sh --tests)" >&2; exit 1; }
done

# toml++ is header-only: the emscripten build sees only its folder, not the
# rest of /usr/include (which would bring the system's C headers).
toml=$(dirname "$(find /usr/include /usr/local/include -maxdepth 2 -name toml.h -path '*toml++*' 2>/dev/null | head -n 1)")
[ -d "$toml" ] || { echo "build.sh: toml++ headers not found" >&2; exit 1; }
mkdir -p "$wasm/include"
ln -sfn "$toml" "$wasm/include/toml++"

emcmake cmake -S "$root" -B "$wasm" -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_CXX_FLAGS=-fwasm-exceptions -DCMAKE_EXE_LINKER_FLAGS=-fwasm-exceptions \
  -DZIREZE_TOMLPP_INCLUDE="$wasm/include" -DZIREZE_TESTS=OFF >/dev/null
cmake --build "$wasm" -j"$(nproc)"

cd "$web"
# Installed again when the lock file has changed since.
[ node_modules/.package-lock.json -nt package-lock.json ] || npm ci --no-audit --no-fund
node_modules/.bin/esbuild src/main.js --bundle --format=iife --minify --target=es2020 \
  --log-level=warning --outfile="$wasm/page-bundle.js"
# Chart.js on its own, which the page runs when it makes its first chart.
node_modules/.bin/esbuild src/chartjs-lib.js --bundle --format=iife --global-name=zirezeChartJs --minify \
  --target=es2020 --log-level=warning --outfile="$wasm/chartjs.js"

mkdir -p "$out"
node assemble.mjs index.html src/style.css src/start.js "$wasm/web/zireze-page.wasm" "$wasm/web/zireze-page.js" \
  "$wasm/page-bundle.js" "$wasm/chartjs.js" src/worker.js "$root/LICENSE" "$out/index.html"

# The page as a whole stays under 4 MiB.
size=$(du -sb "$out" | cut -f1)
if [ "$size" -ge $((4 * 1024 * 1024)) ]; then
  echo "build.sh: build-web/ holds $size bytes, over 4 MiB" >&2
  exit 1
fi
echo "build.sh: $out/index.html ($(stat -c %s "$out/index.html") bytes; build-web/ $size bytes)"
