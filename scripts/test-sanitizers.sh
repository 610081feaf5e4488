#!/usr/bin/env bash
# Builds the whole suite with AddressSanitizer and UndefinedBehaviorSanitizer in
# build-asan/ and runs it (the real-window test excepted). Services as for test.sh.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
./scripts/start-pcscd.sh
BUILD_DIR=build-asan BUILD_TYPE=Debug ./scripts/build.sh -DQUORVANE_SANITIZE=ON
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export LSAN_OPTIONS=suppressions=$PWD/scripts/lsan.supp:print_suppressions=0
cd build-asan
ctest --output-on-failure -LE e2e "$@"
