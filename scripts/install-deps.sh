#!/usr/bin/env bash
# Installs the Debian packages the build, the simulation and the tests need, when
# any is missing. Needs root.
set -euo pipefail

packages=(
  g++ cmake pkg-config make clang-format
  qtbase5-dev qtbase5-dev-tools
  libpcsclite-dev pcscd vsmartcard-vpcd pcsc-tools
  libssl-dev
  cups-daemon cups-client
  xvfb xdotool xclip imagemagick x11-utils x11-xserver-utils libx11-dev
  iproute2 procps dpkg-dev file
  lintian appstream desktop-file-utils
  clang libclang-rt-14-dev
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
  echo "Missing packages: ${missing[*]}" >&2
  echo "Run this as root, or install them with: sudo apt-get install ${missing[*]}" >&2
  exit 1
fi
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}"
