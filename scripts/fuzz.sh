#!/bin/sh
# Builds the libFuzzer targets with clang into build-fuzz/ and runs each one
# for FUZZ_SECONDS seconds (default 30) on a copy of its seed corpus in
# fuzz/corpus/. Fails on any crash, hang, leak, sanitizer report or broken
# property; what was found is kept in build-fuzz/findings/<target>/.
set -eu
cd "$(dirname "$0")/.."

SECONDS_EACH=${FUZZ_SECONDS:-30}
TARGETS="orderfile inifile historyfile remarksplit paramtext"
WERROR=OFF
[ "${CI:-}" = "true" ] && WERROR=ON

cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
  -DORVADO_FUZZ=ON -DORVADO_WERROR=$WERROR >/dev/null
names=""
for t in $TARGETS; do names="$names fuzz_$t"; done
# shellcheck disable=SC2086
cmake --build build-fuzz --target $names

# Scratch space in memory when there is some: the grown corpora, the logs, and
# the files the targets write (they use $TMPDIR).
base=/dev/shm
[ -d "$base" ] && [ -w "$base" ] || base=${TMPDIR:-/tmp}
work=$(mktemp -d "$base/orvado-fuzz.XXXXXX")
trap 'rm -rf "$work"' EXIT
trap 'exit 130' INT TERM

failed=0
for t in $TARGETS; do
  dir="$work/$t"
  mkdir -p "$dir/corpus" "$dir/tmp" "$dir/artifacts"
  cp fuzz/corpus/"$t"/* "$dir/corpus/"
  rc=0
  TMPDIR="$dir/tmp" ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1}" UBSAN_OPTIONS="print_stacktrace=1" \
    build-fuzz/bin/fuzz_"$t" -max_total_time="$SECONDS_EACH" -timeout=10 -rss_limit_mb=2048 -max_len=4096 \
    -print_final_stats=1 -artifact_prefix="$dir/artifacts/" "$dir/corpus" >"$dir/log" 2>&1 || rc=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$dir/log" | tail -n 1)
  secs=$(sed -n 's/^Done [0-9]* runs in \([0-9]*\) second.*/\1/p' "$dir/log" | tail -n 1)
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$dir/log" | tail -n 1)
  files=$(find "$dir/corpus" -type f | wc -l)
  if [ "$rc" -eq 0 ] && ! grep -Eq 'ERROR: |runtime error:|property broken' "$dir/log"; then
    echo "fuzz_$t: ok, ${runs:-?} runs in ${secs:-?} s (${rate:-?}/s), corpus $files files"
  else
    failed=1
    mkdir -p build-fuzz/findings/"$t"
    cp "$dir/log" "$dir"/artifacts/* build-fuzz/findings/"$t"/ 2>/dev/null || true
    what=$(grep -E -m 1 'ERROR: |runtime error:|property broken' "$dir/log" || echo "exit status $rc")
    echo "fuzz_$t: FAILED ($what), ${runs:-?} runs; input and log in build-fuzz/findings/$t/"
    grep -E -A 30 -m 1 'ERROR: |runtime error:|property broken' "$dir/log" | head -n 40 >&2 || true
  fi
done
exit $failed
