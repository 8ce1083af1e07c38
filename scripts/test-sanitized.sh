#!/bin/sh
# Builds build-asan/ with AddressSanitizer and UndefinedBehaviorSanitizer and
# runs every test there; any sanitizer report fails its test. Debug, so the
# range checks (Q_ASSERT) in Qt's inline container code are on as well.
set -eu
cd "$(dirname "$0")/.."
WERROR=OFF
[ "${CI:-}" = "true" ] && WERROR=ON
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DORVADO_SANITIZE=ON -DORVADO_WERROR=$WERROR "$@" >/dev/null
cmake --build build-asan -j2

SUPP="$PWD/tests/sanitize"
# Any report ends the process with exit code 23, so CTest marks the test
# failed. intercept_tls_get_addr=0: GCC 12's runtime takes some dynamic TLS
# blocks of the plugins the client library loads (the embedded engine) for
# glibc 2.19 ones and records a garbage range, and the leak checker then dies
# scanning it ("Tracer caught signal 11").
export ASAN_OPTIONS="halt_on_error=1:exitcode=23:abort_on_error=0:detect_leaks=1:\
intercept_tls_get_addr=0:detect_stack_use_after_return=1:\
check_initialization_order=1:strict_init_order=1:strict_string_checks=1:\
detect_container_overflow=1:print_stacktrace=1:fast_unwind_on_malloc=0:\
malloc_context_size=30:handle_abort=1:print_suppressions=0"
export UBSAN_OPTIONS="halt_on_error=1:exitcode=23:print_stacktrace=1:\
report_error_type=1:suppressions=$SUPP/ubsan.supp"
export LSAN_OPTIONS="exitcode=23:print_suppressions=0:suppressions=$SUPP/lsan.supp"
# Fewer lookups for the soak test: the sanitized build is several times slower.
export ORVADO_SOAK_LOOKUPS=2000
export ORVADO_SOAK_SERVER_LOOKUPS=1000
export FIREBIRD_LOCK="$PWD/build-asan/firebird-lock"
mkdir -p "$FIREBIRD_LOCK"
cd build-asan
ctest --output-on-failure -j2
