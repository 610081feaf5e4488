#!/usr/bin/env bash
# Installs what is missing, starts the services, builds and runs the whole test suite.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
./scripts/start-pcscd.sh
./scripts/start-cups.sh
./scripts/build.sh
cd "${BUILD_DIR:-build}"
ctest --output-on-failure "$@"
