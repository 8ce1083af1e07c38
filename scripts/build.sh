#!/bin/sh
# Configures and builds into build/ (warnings are errors when CI=true).
set -eu
cd "$(dirname "$0")/.."
WERROR=OFF
[ "${CI:-}" = "true" ] && WERROR=ON
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORVADO_WERROR=$WERROR "$@" >/dev/null
cmake --build build
