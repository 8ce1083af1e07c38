#!/bin/sh
# The benchmark command: installs what is needed, builds the benchmarks
# (Release, -DORVADO_BENCH=ON), makes the large databases when they are
# missing, runs every benchmark several times and writes docs/benchmarks.md.
#
#   scripts/bench.sh
#
# BENCH_BUILD_DIR  build folder (default: build-bench in the source tree);
#                  the databases live in its benchdata/ folder, out of git
# BENCH_RUNS       runs per figure after one warm-up (default 7)
set -eu
cd "$(dirname "$0")/.."
ROOT=$PWD
BUILD=${BENCH_BUILD_DIR:-$ROOT/build-bench}
RUNS=${BENCH_RUNS:-7}
PARTS=200000
LINES=2000000
SEED=1
# A small shop: a tenth of the parts and lines.
SMALL_PARTS=20000
SMALL_LINES=200000
# The larger page cache the page-cache benchmark tries for the enterprise file.
CACHE_PAGES=8192

scripts/install-packages.sh
cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DORVADO_BENCH=ON >/dev/null
cmake --build "$BUILD" --target orvado-makedb bench_lookup bench_pagecache bench_datalayer bench_order bench_history bench_startup

BIN=$BUILD/bin
DATA=$BUILD/benchdata
mkdir -p "$DATA" "$BUILD/firebird-lock" "$BUILD/xdg"
chmod 700 "$BUILD/xdg"
export FIREBIRD_LOCK="$BUILD/firebird-lock"
export XDG_RUNTIME_DIR="$BUILD/xdg"
export QT_QPA_PLATFORM=offscreen
export LC_ALL=C.UTF-8
export BENCH_RUNS="$RUNS"

ENT=$DATA/enterprise-$PARTS-$LINES-$SEED.gdb
SMALL=$DATA/enterprise-$SMALL_PARTS-$SMALL_LINES-$SEED.gdb
PRICE=$DATA/price.gdb
make_enterprise() {
    if [ ! -f "$1" ]; then
        echo "Making $1 ..."
        rm -f "$1.part"
        "$BIN/orvado-makedb" large "$1.part" "$2" "$3" $SEED
        mv "$1.part" "$1"
    fi
}
make_enterprise "$ENT" $PARTS $LINES
make_enterprise "$SMALL" $SMALL_PARTS $SMALL_LINES
if [ ! -f "$PRICE" ]; then
    rm -f "$PRICE.part"
    "$BIN/orvado-makedb" price "$PRICE.part"
    mv "$PRICE.part" "$PRICE"
fi

BENCHES="bench_lookup bench_lookup_small bench_pagecache bench_datalayer bench_order bench_history bench_startup"
OUT=$BUILD/bench-results
rm -rf "$OUT"
mkdir -p "$OUT"
# Where allowed, the benchmarks run at a raised priority, so that other work
# on the machine disturbs them less (program and floor share each process, so
# both gain alike).
PRIO=""
[ "$(id -u)" -eq 0 ] && PRIO="nice -n -10"
run() {
    name=$1
    shift
    echo "Running $name ..."
    $PRIO "$BIN/$name" "$@" >"$OUT/$name.md"
}
# The same benchmark a second time, its output under another name.
run_as() {
    name=$1
    bin=$2
    shift 2
    echo "Running $name ..."
    $PRIO "$BIN/$bin" "$@" >"$OUT/$name.md"
}
load_before=$(cut -d' ' -f1-3 /proc/loadavg)
run bench_lookup "$ENT" "$PRICE"
run_as bench_lookup_small bench_lookup "$SMALL" "$PRICE" --small-shop
run bench_pagecache "$ENT" "$PRICE" $CACHE_PAGES
run bench_datalayer "$ENT"
run bench_order "$ENT" "$PRICE"
run bench_history
run bench_startup "$ENT" "$PRICE"
load_after=$(cut -d' ' -f1-3 /proc/loadavg)

DOC=$ROOT/docs/benchmarks.md
mkdir -p "$ROOT/docs"
cpu=$(lscpu | sed -n 's/^Model name:[[:space:]]*//p' | head -n 1)
mem=$(awk '/^MemTotal:/ { printf "%.1f GiB", $2 / 1048576 }' /proc/meminfo)
os=$(. /etc/os-release && echo "$PRETTY_NAME")
fbver=$(dpkg-query -W -f='${Version}' libfbclient2 2>/dev/null || echo "?")
qtver=$(dpkg-query -W -f='${Version}' libqt6core6 2>/dev/null || echo "?")
{
    echo "# Benchmarks"
    echo
    echo "Written by \`scripts/bench.sh\` on $(date -u '+%Y-%m-%d %H:%M UTC'); every figure below comes from that one run."
    echo "Each figure is the median of $RUNS runs after one warm-up, with the fastest and slowest run in brackets."
    echo "Ratios are to the floor (or reference) measured in the same run."
    echo
    echo "## Machine"
    echo
    echo "- CPU: $cpu, $(nproc) logical CPUs ($(lscpu | sed -n 's/^Thread(s) per core:[[:space:]]*//p') thread(s) per core)"
    echo "- Memory: $mem"
    echo "- System: $os, kernel $(uname -r)"
    echo "- Firebird client and embedded engine: $fbver; Qt $qtver; offscreen platform"
    echo "- Load average (1, 5, 15 min) before the runs: $load_before; after: $load_after (other work on the machine slows every figure and widens the ranges)"
    if [ -n "$PRIO" ]; then echo "- Priority of the benchmark processes: $PRIO"; fi
    echo "- Build: CMake Release, $(c++ --version | head -n 1)"
    echo "- Enterprise database: \`orvado-makedb large\` with $PARTS parts, $LINES document lines, seed $SEED ($(du -m "$ENT" | cut -f1) MiB); small shop: $SMALL_PARTS parts, $SMALL_LINES lines ($(du -m "$SMALL" | cut -f1) MiB); price database: \`orvado-makedb price\`"
    echo
    echo "## Summary"
    echo
    echo "| Figure | Program | Floor or reference | Ratio | Target | Met |"
    echo "|---|---|---|---|---|---|"
    for name in $BENCHES; do
        sed -n 's/^SUMMARY //p' "$OUT/$name.md"
    done
    echo
    for name in $BENCHES; do
        grep -v '^SUMMARY ' "$OUT/$name.md"
    done
    cat "$ROOT/bench/notes.md"
} >"$DOC"
echo "Wrote $DOC"

# A server that goes away and comes back (bench_reconnect): the private
# Firebird server of the tests on loopback, killed or stopped and started
# again under the main window's lookups. Its section closes the file.
cmake --build "$BUILD" --target bench_reconnect
load_before=$(cut -d' ' -f1-3 /proc/loadavg)
run bench_reconnect
load_after=$(cut -d' ' -f1-3 /proc/loadavg)
{
    echo
    grep -v '^SUMMARY ' "$OUT/bench_reconnect.md"
    echo "| Figure | Program | Floor or reference | Ratio | Target | Met |"
    echo "|---|---|---|---|---|---|"
    sed -n 's/^SUMMARY //p' "$OUT/bench_reconnect.md"
    echo
    echo "Load average (1, 5, 15 min) before the run: $load_before; after: $load_after."
} >>"$DOC"
echo "Added the reconnect figures to $DOC"

# Many desks on one server (bench_load): desk processes with the data module
# and the lookup, a writer committing sales and a monitor of the transaction
# markers, all on a copy of the large enterprise file served by the private
# server; and what the connection watch's looks at the monitoring tables cost
# that server, alone and beside the ten desks. Its section follows the
# reconnect figures.
cmake --build "$BUILD" --target bench_load
load_before=$(cut -d' ' -f1-3 /proc/loadavg)
run bench_load "$ENT" "$PRICE"
load_after=$(cut -d' ' -f1-3 /proc/loadavg)
{
    echo
    grep -v '^SUMMARY ' "$OUT/bench_load.md"
    echo "| Figure | Program | Floor or reference | Ratio | Target | Met |"
    echo "|---|---|---|---|---|---|"
    sed -n 's/^SUMMARY //p' "$OUT/bench_load.md"
    echo
    echo "Load average (1, 5, 15 min) before the run: $load_before; after: $load_after."
} >>"$DOC"
echo "Added the load figures to $DOC"
