#!/bin/sh
# Runs a Windows program under wine, as the emulator of a Windows build's
# tests:  wine-run.sh PROGRAM [ARGUMENT...]
# Its output goes through files, not the caller's pipes: the first program in
# a wine prefix starts wine's background services, which inherit its
# descriptors and would hold a test runner's pipes open long after the
# program has ended. A program that wine failed to start (it failed and wrote
# nothing) is started once more, after wine's messages are shown; a program
# that ran is never run again, whatever it printed.
set -u
export WINEDEBUG="${WINEDEBUG:--all}"
if [ ! -d "${WINEPREFIX:-$HOME/.wine}" ]; then
  wine wineboot -i </dev/null >/dev/null 2>&1  # makes the prefix
  wineserver -w
fi
# A server that outlives each program by a minute, rather than one started
# and stopped for every program; where one runs already, this does nothing.
wineserver -p60 </dev/null >/dev/null 2>&1
work=$(mktemp -d) || exit 1
trap 'rm -rf "$work"' EXIT
for attempt in 1 2; do
  wine "$@" >"$work/out" 2>"$work/err"
  status=$?
  if [ "$status" -eq 0 ] || [ -s "$work/out" ] || [ "$attempt" -eq 2 ]; then
    break
  fi
  {
    echo "wine-run.sh: wine did not start $1 (status $status, no output); wine said:"
    cat "$work/err"
    echo "wine-run.sh: starting it once more"
  } >&2
done
cat "$work/out"
cat "$work/err" >&2
exit "$status"
