#!/bin/sh
# Installs what is needed, builds, and runs every test.
set -eu
cd "$(dirname "$0")/.."
scripts/install-packages.sh
scripts/build.sh
export FIREBIRD_LOCK="$PWD/build/firebird-lock"
mkdir -p "$FIREBIRD_LOCK"
cd build
ctest --output-on-failure -j2
