#!/usr/bin/env bash
# Installs what is missing, starts pcscd with the vpcd readers, builds, and runs the
# benchmarks: prints the table and writes it as JSON (build/bench-results.json unless
# --json FILE is given). Other options go to the benchmark (--runs N, --only ROWS,
# --help).
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
./scripts/start-pcscd.sh
./scripts/build.sh
build_dir=${BUILD_DIR:-build}
# The vpcd readers are shared with the service tests: wait for them to be free.
exec flock /tmp/quorvane-pcscd.lock "$build_dir"/bench/quorvane_bench \
  --json "$build_dir"/bench-results.json "$@"
