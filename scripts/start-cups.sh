#!/usr/bin/env bash
# Starts cupsd unless it already runs and sets up the simulated card printer's queue
# "Vantorel_Sim" (make and model "Vantorel Sim Card Printer", device file:///dev/null)
# as the default queue, enabled and accepting jobs. Safe to run again.
set -euo pipefail
cd "$(dirname "$0")/.."

queue=Vantorel_Sim
ppd=sim/printer-sdk/vantorel-sim.ppd
files_conf=/etc/cups/cups-files.conf

if [ "$(id -u)" -ne 0 ]; then
  if lpstat -p "$queue" >/dev/null 2>&1; then exit 0; fi
  echo "The CUPS queue $queue is missing; run this script as root" >&2
  exit 1
fi

# cupsd refuses file: device URIs unless told otherwise.
restart=no
if ! grep -qx 'FileDevice Yes' "$files_conf" 2>/dev/null; then
  echo 'FileDevice Yes' >>"$files_conf"
  restart=yes
fi

scheduler_up() { lpstat -r 2>/dev/null | grep -q 'is running'; }

if [ "$restart" = yes ] && scheduler_up; then
  pkill -HUP -x cupsd # a running cupsd reads its configuration again on SIGHUP
  sleep 1
fi
# Asked of the scheduler, not of the process table: a cupsd that is dying or stuck
# still shows there.
if ! scheduler_up; then
  mkdir -p /run/cups
  cupsd
fi
for _ in $(seq 1 50); do
  scheduler_up && break
  sleep 0.1
done
scheduler_up || { echo "cupsd did not start" >&2; exit 1; }

lpadmin -p "$queue" -v file:///dev/null -P "$ppd" 2>/dev/null
cupsenable "$queue"
cupsaccept "$queue"
lpadmin -d "$queue"
