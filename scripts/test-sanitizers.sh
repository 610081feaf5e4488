#!/usr/bin/env bash
# Builds the whole suite with AddressSanitizer and UndefinedBehaviorSanitizer in
# build-asan/ and runs every label of it. Services as for test.sh.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
./scripts/start-pcscd.sh
./scripts/start-cups.sh
BUILD_DIR=build-asan BUILD_TYPE=Debug ./scripts/build.sh -DQUORVANE_SANITIZE=ON

# Child processes (the printer probe) inherit these and are checked alike.
# fast_unwind_on_malloc=0: Qt's libraries keep no frame pointers, so the fast unwinder
# stops inside them and lsan.supp could not see which library a leak belongs to.
# The slow unwinding makes every allocation costly, which widens every race between
# threads: tests must hold on a slow machine anyway, and this one finds out.
# detect_stack_use_after_return: worker and test code hand references across threads.
# intercept_strndup=0: strndup copies at most n bytes, yet strict_string_checks wants
# a NUL in its source; Qt's X11 platform (e2e) hands it unterminated atom names.
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1:\
fast_unwind_on_malloc=0:detect_stack_use_after_return=1:\
check_initialization_order=1:strict_init_order=1:intercept_strndup=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export LSAN_OPTIONS=suppressions=$PWD/scripts/lsan.supp:print_suppressions=0
cd build-asan
ctest --output-on-failure "$@"
