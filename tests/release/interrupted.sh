#!/usr/bin/env bash
# Ctrl-C at two moments of a release, sent as a terminal sends it, to the
# whole process group:   tests/release/interrupted.sh RELEASE_FOLDER
#  - while the archives are written: OUTDIR is left as it was (empty), and
#    nothing is left beside it;
#  - while the amd64 package is installed by the install check (on a
#    finished RELEASE_FOLDER): dpkg is left consistent, the package gone.
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
release=$(realpath "$1")
fail() { echo "interrupted.sh: $*" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# interrupt_when CONDITION COMMAND...: COMMAND in a process group of its own,
# sent SIGINT as soon as CONDITION holds; prints COMMAND's exit status. A
# background command of a script starts with SIGINT ignored, which a
# terminal's foreground command does not: it is set back first.
interrupt_when() {
  local condition=$1
  shift
  python3 -c 'import os, signal, sys; signal.signal(signal.SIGINT, signal.SIG_DFL); os.setsid(); os.execvp(sys.argv[1], sys.argv[1:])' \
    "$@" >"$work/log" 2>&1 &
  local group=$! tries=0
  until eval "$condition"; do
    kill -0 "$group" 2>/dev/null || { cat "$work/log" >&2; fail "$1 ended before the moment to interrupt it"; }
    tries=$((tries + 1))
    [ "$tries" -lt 60000 ] || fail "the moment to interrupt $1 never came"
    sleep 0.01
  done
  kill -INT -- "-$group"
  local status=0
  wait "$group" || status=$?
  echo "$status"
}

mkdir "$work/out"
status=$(interrupt_when 'compgen -G "$work/.tremovia-release.*/*.tar.gz" >/dev/null' \
  "$top/scripts/release.sh" --no-verify "$work/out")
[ "$status" -ne 0 ] || fail "the interrupted release reported success"
[ -z "$(ls -A "$work/out")" ] || fail "the interrupted release left files in OUTDIR: $(ls -A "$work/out")"
[ -z "$(compgen -G "$work/.tremovia-release.*")" ] || fail "the interrupted release left its folder beside OUTDIR"
echo "a release interrupted while writing its archives (status $status): OUTDIR empty, nothing left beside it"

status=$(interrupt_when 'pgrep -x dpkg >/dev/null' "$top/scripts/verify-release.sh" --install-check "$release")
[ "$status" -ne 0 ] || fail "the interrupted install check reported success"
[ -z "$(dpkg --audit)" ] || fail "dpkg --audit after the interruption: $(dpkg --audit)"
! dpkg-query -W tremovia >/dev/null 2>&1 || fail "the package is still known to dpkg after the interruption"
echo "an install check interrupted while dpkg ran (status $status): dpkg --audit silent, the package gone"
