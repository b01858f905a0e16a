#!/usr/bin/env bash
# smoke_start_stop.sh PROGRAM: start, wait until the window is up, send SIGTERM, expect a
# clean exit. Runs in a private home so no real settings or data are touched.
set -u
program=$1
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
export HOME=$home XDG_CONFIG_HOME=$home/config XDG_DATA_HOME=$home/data XDG_RUNTIME_DIR=$home/run
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
export QT_QPA_PLATFORM=offscreen
cd "$home"
"$program" >"$home/out.txt" 2>&1 &
pid=$!
sleep "${SMOKE_SECONDS:-3}"
if ! kill -0 "$pid" 2>/dev/null; then
  echo "program ended before it was asked to"; cat "$home/out.txt"; exit 1
fi
kill -TERM "$pid"
wait "$pid"
rc=$?
cat "$home/out.txt"
if [ "$rc" -ne 0 ]; then echo "exit code $rc"; exit 1; fi
if grep -qE 'ERROR: (Address|Leak)Sanitizer|runtime error:' "$home/out.txt"; then exit 1; fi
# The end sequence ran: the settings store was written.
if [ ! -f "$XDG_CONFIG_HOME/Quorvex/Rostelmark.ini" ]; then echo "settings store not written"; exit 1; fi
# First start on an empty data folder: ending the program writes both files, the duty
# file holding the default duty and margin (40 bytes).
data="$XDG_DATA_HOME/Quorvex/Rostelmark 1"
if [ ! -f "$data/personen.dat" ]; then echo "personen.dat not written"; exit 1; fi
if [ "$(stat -c %s "$data/dienste.dat" 2>/dev/null)" != 40 ]; then echo "dienste.dat missing or not 40 bytes"; exit 1; fi
if ls "$data"/*schreibe*.dat >/dev/null 2>&1; then echo "lock file left behind"; exit 1; fi
echo "clean start and stop"
