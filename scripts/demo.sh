#!/usr/bin/env bash
# Installs what is missing, builds, starts the simulation and opens the window with
# the simulated card printer: no card is in any reader until Printer > Card to Contact
# (on the queue Vantorel_Sim) brings the printer's card to "Virtual PCD 00 00".
set -euo pipefail
cd "$(dirname "$0")/.."
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display: run this from a desktop session (or set DISPLAY, e.g. under Xvfb)." >&2
  exit 1
fi
./scripts/install-deps.sh
./scripts/start-pcscd.sh
./scripts/start-cups.sh
./scripts/build.sh
build_dir=${BUILD_DIR:-build}
sdk_dir=$(cd "$build_dir/sim/printer-sdk" && pwd)
LD_LIBRARY_PATH="$sdk_dir${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}" \
  "$build_dir"/src/app/quorvane
