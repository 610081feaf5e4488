#!/usr/bin/env bash
# Builds the fuzz targets of tests/fuzz with clang's libFuzzer, ASan and UBSan in
# build-fuzz/, then fuzzes each for FUZZ_SECONDS (60) from its corpus. Fails on a crash
# or a broken verdict and leaves the input that showed it in build-fuzz/findings/TARGET/;
# copy it into tests/fuzz/corpus/TARGET/ once it is fixed, so that every run replays it.
# Extra arguments are target names, to fuzz only those.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
seconds=${FUZZ_SECONDS:-60}
build=build-fuzz

CC=clang CXX=clang++ cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DQUORVANE_FUZZ=ON >/dev/null
cmake --build "$build" --target quorvane_fuzzers -j"$(nproc)"

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for dir in tests/fuzz/corpus/*/; do targets+=("$(basename "$dir")"); done
fi

export ASAN_OPTIONS=abort_on_error=1:detect_leaks=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
status=0
for target in "${targets[@]}"; do
  corpus=$build/corpus/$target
  findings=$build/findings/$target
  mkdir -p "$corpus" "$findings"
  echo "== $target: ${seconds} s"
  # New inputs go to the working corpus in the build folder; the repository's seeds
  # are only read.
  if ! "$build/tests/fuzz/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -close_fd_mask=1 -print_final_stats=1 -artifact_prefix="$findings/" \
    "$corpus" "tests/fuzz/corpus/$target" 2>"$build/$target.log"; then
    status=1
    echo "$target FAILED; its input is in $findings/:" >&2
    ls "$findings" >&2
    tail -n 40 "$build/$target.log" >&2
  fi
  grep -E '^(stat::number_of_executed_units|stat::new_units_added)' "$build/$target.log" || true
done
exit $status
