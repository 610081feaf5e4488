#!/usr/bin/env bash
# Installs what is missing, builds, starts pcscd (with the vpcd virtual readers) and
# cupsd (with the simulated card printer's queue Vantorel_Sim) and opens the window on
# the simulated printer, which holds a virtual DESFire card. Safe to run again.
set -euo pipefail
cd "$(dirname "$0")/.."

if [ -z "${DISPLAY:-}" ]; then
  cat >&2 <<'EOF'
The window needs an X display, and DISPLAY is not set. Run this in a desktop session
(with sudo, keep the display: sudo --preserve-env=DISPLAY,XAUTHORITY ./scripts/demo.sh),
over ssh -X, or on a virtual screen: apt-get install xvfb, then xvfb-run -a ./scripts/demo.sh
EOF
  exit 1
fi
if [ "$(id -u)" -ne 0 ]; then
  echo "Not root: this goes on only if the packages are installed and pcscd and cupsd with" \
    "the queue Vantorel_Sim already run; installing and starting them needs root." >&2
fi

./scripts/install-deps.sh
./scripts/start-pcscd.sh
./scripts/start-cups.sh

if ! xdpyinfo >/dev/null 2>&1; then
  echo "Cannot open the display $DISPLAY (is it running, and may this user use it?)" >&2
  exit 1
fi

build_dir=${BUILD_DIR:-build}
cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-RelWithDebInfo}" >/dev/null
cmake --build "$build_dir" -j"$(nproc)" --target quorvane VantorelAPI

cat <<'EOF'

Opening the window. Then:
  1. choose the reader "Virtual PCD 00 00" (contact) or "Virtual PCD 00 01" (contactless);
  2. Printer > Card to Contact (or Card to Contactless), and Print in the print dialog
     (Vantorel_Sim is the default printer): the card's ATR and description appear;
  3. tick Advanced, press "DESFire 8K Stress Test": "DESFire Test Passed";
  4. Printer > Eject Card: "No smart card inserted.".
EOF
sdk_dir=$(cd "$build_dir/sim/printer-sdk" && pwd)
LD_LIBRARY_PATH="$sdk_dir${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}" exec "$build_dir"/src/app/quorvane
