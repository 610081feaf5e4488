#!/usr/bin/env bash
# Starts pcscd with the vpcd virtual readers ("Virtual PCD 00 00" on TCP 35963,
# "Virtual PCD 00 01" on 35964) unless it already runs, and waits until vpcd listens.
set -euo pipefail

listening() { ss -ltn 2>/dev/null | grep -q ":35963 "; }

listening && exit 0
# A pcscd that is shutting down still shows in the process table for a moment.
for _ in $(seq 1 30); do
  pgrep -x pcscd >/dev/null || break
  sleep 0.1
done
if ! pgrep -x pcscd >/dev/null; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "pcscd is not running; start it as root (pcscd) or run this script as root" >&2
    exit 1
  fi
  mkdir -p /run/pcscd
  # pcscd keeps every descriptor it inherits: a caller's
  # `flock /tmp/quorvane-pcscd.lock ...` would stay locked for as long as pcscd runs.
  (
    for path in /proc/self/fd/*; do
      fd=${path##*/}
      if [ "$fd" -gt 2 ]; then exec {fd}>&-; fi
    done
    exec pcscd
  )
fi
for _ in $(seq 1 150); do
  listening && exit 0
  sleep 0.1
done
echo "pcscd runs but vpcd does not listen on 35963: is vsmartcard-vpcd installed?" >&2
exit 1
