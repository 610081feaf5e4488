#!/usr/bin/env bash
# Installs what is missing, builds, starts the simulation and opens the window with a
# virtual card carrying the DESFire ATR in "Virtual PCD 00 00".
set -euo pipefail
cd "$(dirname "$0")/.."
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display: run this from a desktop session (or set DISPLAY, e.g. under Xvfb)." >&2
  exit 1
fi
./scripts/install-deps.sh
./scripts/start-pcscd.sh
./scripts/build.sh
build_dir=${BUILD_DIR:-build}
"$build_dir"/sim/vcard/vcard --slot 0 --card iso &
card=$!
trap 'kill $card 2>/dev/null || true' EXIT
"$build_dir"/src/app/quorvane
