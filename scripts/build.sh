#!/bin/sh
# Configures and builds into build/ (warnings are errors when CI=true).
#
#   scripts/build.sh                            every target
#   scripts/build.sh Orvado guide orvado-makedb only these targets
#
# Arguments that start with -D go to the configure step.
set -eu
cd "$(dirname "$0")/.."
WERROR=OFF
[ "${CI:-}" = "true" ] && WERROR=ON
defs=""
targets=""
for a in "$@"; do
  case $a in
    -D*) defs="$defs $a" ;;
    *) targets="$targets $a" ;;
  esac
done
# shellcheck disable=SC2086
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORVADO_WERROR=$WERROR $defs >/dev/null
if [ -n "$targets" ]; then
  # shellcheck disable=SC2086
  cmake --build build --target $targets
else
  cmake --build build
fi
