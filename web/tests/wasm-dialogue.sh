#!/usr/bin/env bash
# The WebAssembly build of the dialogue as a program: node runs it on this
# process's standard streams and current folder (web/build.sh builds it).
exec node "$(cd "$(dirname "$0")/../.." && pwd)/build-wasm/web/zireze-dialogue.js" "$@"
