#!/usr/bin/env bash
# The release under hostile folders and timing, from a clean checkout:
#   tests/release/release_test.sh RELEASE_FOLDER
# RELEASE_FOLDER is a finished release, for the install check. Each release
# here has a TMPDIR of its own, which must be empty when it has stopped.
#  - refused before anything is made: an empty OUTDIR, a file, a folder that
#    is not empty (its file kept), a folder inside the checkout reached
#    through a symbolic link, a folder that cannot be made, a dist/ that
#    does not hold a release (its files kept);
#  - a relative OUTDIR, from another folder, is made there; while it builds,
#    a second release into it is refused, and a file dropped into it makes
#    the release refuse at the end: the file kept, the release beside it;
#  - Ctrl-C, sent as a terminal sends it, while the page is built and while
#    the archives are written: OUTDIR as it was, nothing beside it;
#  - Ctrl-C while the install check runs dpkg, which ignores it: dpkg
#    consistent, the package gone.
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd -P)
release=$(realpath "$1")
fail() { echo "release_test.sh: $*" >&2; exit 1; }
work=""
trap '[ -z "$work" ] || rm -rf "$work"' EXIT
work=$(mktemp -d)

# in_tmp COMMAND...: COMMAND with a TMPDIR of its own, $tmp, empty afterwards.
in_tmp() {
  tmp=$(mktemp -d "$work/tmp-XXXXXX")
  local status=0
  TMPDIR=$tmp "$@" >"$work/log" 2>&1 || status=$?
  [ -z "$(ls -A "$tmp")" ] || fail "$* left in TMPDIR: $(ls -A "$tmp")"
  return "$status"
}

# refused WHY COMMAND...: COMMAND must fail, saying WHY.
refused() {
  local why=$1
  shift
  ! in_tmp "$@" || fail "$* succeeded"
  grep -q "$why" "$work/log" || { cat "$work/log" >&2; fail "$* failed without saying \"$why\""; }
}

# interrupt_when CONDITION COMMAND...: COMMAND in a process group of its own,
# with a TMPDIR of its own, sent SIGINT as soon as CONDITION holds; prints
# COMMAND's exit status. A background command of a script starts with SIGINT
# ignored, which a terminal's foreground command does not: it is set back.
interrupt_when() {
  local condition=$1
  shift
  tmp=$(mktemp -d "$work/tmp-XXXXXX")
  TMPDIR=$tmp python3 -c 'import os, signal, sys; signal.signal(signal.SIGINT, signal.SIG_DFL); os.setsid(); os.execvp(sys.argv[1], sys.argv[1:])' \
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
  [ -z "$(ls -A "$tmp")" ] || fail "the interrupted $1 left in TMPDIR: $(ls -A "$tmp")"
  echo "$status"
}

script=$top/scripts/release.sh
mkdir "$work/full" "$work/folder"
touch "$work/a-file" "$work/full/kept"
ln -s "$top" "$work/link"
refused "the OUTDIR given is empty" "$script" --no-verify ''
refused "is not a folder" "$script" --no-verify "$work/a-file"
refused "is not empty" "$script" --no-verify "$work/full"
[ -f "$work/full/kept" ] || fail "a refused release removed a file from OUTDIR"
refused "inside the checkout" "$work/link/scripts/release.sh" --no-verify "$work/link/inside"
refused "cannot make the folder" "$script" --no-verify /proc/none/out
[ ! -e "$top/inside" ] || fail "a release wrote inside the checkout"
echo "refused before making anything: an empty OUTDIR, a file, a full folder, the checkout through a link, /proc"

# The checkout's dist/ is replaced only when it holds a release: in a clone,
# a dist/ with a file of someone else's, and one with a file beside a
# release's, are refused and left as they were.
git clone -q "$top" "$work/clone"
mkdir "$work/clone/dist"
echo "mine" >"$work/clone/dist/notes.txt"
refused "dist/ holds files that are not a release" "$work/clone/scripts/release.sh" --no-verify
(cd "$work/clone/dist" && sha256sum notes.txt >SHA256SUMS && echo "mine" >other.txt)
refused "dist/ holds files that are not a release" "$work/clone/scripts/release.sh" --no-verify
[ "$(cat "$work/clone/dist/notes.txt" "$work/clone/dist/other.txt")" = "$(printf 'mine\nmine')" ] ||
  fail "a refused release changed dist/"
echo "a dist/ that is not a release refused, its files kept"

# A name ending in a line end is that folder, not another.
mkdir "$work/full"$'\n'
touch "$work/full"$'\n'/other
refused "holds other" "$script" --no-verify "$work/full"$'\n'
echo "a name ending in a line end is that folder"

# A relative OUTDIR, from the caller's folder; meanwhile, a second release
# and a file dropped into OUTDIR.
status=0
mkdir "$work/tmp-full"
(cd "$work/folder" && TMPDIR=$work/tmp-full "$script" --no-verify out) >"$work/full.log" 2>&1 &
first=$!
until compgen -G "$work/folder/.tremovia-release.*" >/dev/null; do
  kill -0 "$first" 2>/dev/null || { cat "$work/full.log" >&2; fail "the release ended before it made its folder"; }
  sleep 0.05
done
refused "another release is being made" "$script" --no-verify "$work/folder/out"
mkdir -p "$work/folder/out"
echo "mine" >"$work/folder/out/dropped"
wait "$first" || status=$?
[ "$status" -ne 0 ] || fail "a release into an OUTDIR that changed reported success"
grep -q "OUTDIR changed while the release was made" "$work/full.log" || { cat "$work/full.log" >&2; fail "it did not say why"; }
[ "$(cat "$work/folder/out/dropped")" = mine ] && [ "$(ls -A "$work/folder/out")" = dropped ] ||
  fail "the release touched the OUTDIR that changed"
left=$(compgen -G "$work/folder/.tremovia-release.*")
grep -qF "The finished release is in $left" "$work/full.log" || fail "it did not say where the release is"
(cd "$left" && sha256sum --quiet -c SHA256SUMS) || fail "the release left beside OUTDIR is not whole"
[ -z "$(ls -A "$work/tmp-full")" ] || fail "the release left in TMPDIR: $(ls -A "$work/tmp-full")"
echo "a relative OUTDIR from the caller's folder; a second release refused; a dropped file kept, the release beside it"

mkdir "$work/out"
for moment in 'compgen -G "$tmp/tmp.*/web/*" >/dev/null && compgen -G "$tmp/tmp.*/tmp/*" >/dev/null' \
              'compgen -G "$work/.tremovia-release.*/*.tar.gz" >/dev/null'; do
  status=$(interrupt_when "$moment" "$script" --no-verify "$work/out")
  [ "$status" -ne 0 ] || fail "the interrupted release reported success"
  [ -z "$(ls -A "$work/out")" ] || fail "the interrupted release left files in OUTDIR: $(ls -A "$work/out")"
  [ -z "$(compgen -G "$work/.tremovia-release.*")" ] || fail "the interrupted release left its folder beside OUTDIR"
done
echo "releases interrupted while the page was built and while the archives were written: OUTDIR empty, nothing left"

status=$(interrupt_when 'pid=$(pgrep -x dpkg) && awk "/^SigIgn/ {print \$2}" "/proc/$pid/status" >"$work/ignored"' \
  "$top/scripts/verify-release.sh" --install-check "$release")
[ "$status" -ne 0 ] || fail "the interrupted install check reported success"
# SIGINT is signal 2 and SIGTERM 15: bits 1 and 14 of the mask.
ignored=$(cat "$work/ignored")
(( (0x$ignored & 0x4002) == 0x4002 )) || fail "dpkg ran with INT or TERM not ignored (SigIgn $ignored)"
[ -z "$(dpkg --audit)" ] || fail "dpkg --audit after the interruption: $(dpkg --audit)"
! dpkg-query -W tremovia >/dev/null 2>&1 || fail "the package is still known to dpkg after the interruption"
echo "an install check interrupted while dpkg ran, ignoring INT and TERM (status $status): dpkg --audit silent, the package gone"
