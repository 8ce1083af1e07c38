#!/bin/sh
# Installs what is needed, builds, and runs every test: the test suite in
# build/, a bounded run of every fuzz target (build-fuzz/), and the whole test
# suite again under AddressSanitizer and UndefinedBehaviorSanitizer
# (build-asan/), and the Debian package, built and started as a desk would
# start it (scripts/test-package.sh). Every stage runs even when an earlier one failed, so one run
# shows everything; the exit code is non-zero when any stage failed.
set -eu
cd "$(dirname "$0")/.."
scripts/install-packages.sh
scripts/build.sh
export FIREBIRD_LOCK="$PWD/build/firebird-lock"
mkdir -p "$FIREBIRD_LOCK"

failed=""
(cd build && ctest --output-on-failure -j2) || failed="$failed tests"
scripts/fuzz.sh || failed="$failed fuzzing"
scripts/test-sanitized.sh || failed="$failed sanitized-tests"
scripts/test-package.sh || failed="$failed package"

if [ -n "$failed" ]; then
  echo "Failed stages:$failed" >&2
  exit 1
fi
