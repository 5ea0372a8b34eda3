#!/usr/bin/env bash
# Builds every download of this version from a clean checkout, then checks
# them as a user gets them (scripts/verify-release.sh):
#   scripts/release.sh [--no-verify | --install-check] [OUTDIR]
# OUTDIR, taken from the caller's folder, defaults to the checkout's dist/.
# --no-verify only builds: for a second build of a commit whose bytes are
# compared with a checked one. --install-check also installs the amd64
# package on this machine, runs it and purges it (root or sudo).
# The files are made and checked in a folder beside OUTDIR and take its place
# only when all is done: a release that fails or is interrupted leaves OUTDIR
# as it was. OUTDIR must be empty, or absent, or dist/ holding a release; a
# release that finds it changed at the end refuses and leaves the finished
# files beside it. One release at a time writes beside OUTDIR (a lock on its
# parent folder), and every tool's temporary files go into the release's own
# work folder, so that nothing is left behind, whenever it stops.
# The same commit gives the same bytes: every time stamp is the last commit's,
# and neither the paths, the umask, the time zone nor the locale reach an
# artifact.
set -euo pipefail
umask 022
export LC_ALL=C TZ=UTC
fail() { echo "release.sh: $*" >&2; exit 1; }

# What this release makes, removed whenever it stops, before anything is made.
work=""
staged=""
keep_staged=no
remove_made() {
  [ -z "$work" ] || rm -rf "$work"
  [ -z "$staged" ] || [ "$keep_staged" = yes ] || rm -rf "$staged" "$staged.previous"
}
trap remove_made EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

verify=yes
case "${1:-}" in
  --no-verify) verify=no; shift ;;
  --install-check) verify=install; shift ;;
  -*) fail "$1 is not an option: give --no-verify or --install-check, then OUTDIR" ;;
esac
[ $# -le 1 ] || fail "more than one OUTDIR given: $*"
[ $# -eq 0 ] || [ -n "$1" ] || fail "the OUTDIR given is empty: give a folder, or none for dist/"

# Physical paths, so that a checkout reached through a symbolic link is the
# checkout; OUTDIR from the caller's folder, byte for byte (the x keeps a
# trailing newline from the command substitution).
top=$(cd "$(dirname "$0")/.." && pwd -P)
if [ $# -eq 1 ]; then
  out=$(realpath -m -- "$1" && echo x)
  out=${out%$'\nx'}
else
  out=$top/dist
fi
parent=$(dirname -- "$out")
cd "$top"

[ -z "$(git status --porcelain)" ] || fail "the checkout has changes that are not committed; a release is made from a commit"
version=$(sed -n 's/^project(tremovia VERSION \([0-9.]*\) .*/\1/p' CMakeLists.txt)
[ -n "$version" ] || fail "no version in CMakeLists.txt"
SOURCE_DATE_EPOCH=$(git log -1 --format=%ct)
export SOURCE_DATE_EPOCH

[ ! -e "$out" ] || [ -d "$out" ] || fail "OUTDIR is not a folder: $out"
# What OUTDIR holds, to be found unchanged when the release takes its place.
contents() { [ ! -d "$out" ] || (cd "$out" && find . -mindepth 1 -printf '%P %y %s %T@\n' | sort); }
# dist/ may hold an earlier release, every file of which its SHA256SUMS lists.
is_release() {
  [ -f "$out/SHA256SUMS" ] &&
    [ "$(cd "$out" && ls -A | grep -vx SHA256SUMS | sort)" = "$(sed 's/^[0-9a-f]*  //' "$out/SHA256SUMS" | sort)" ]
}
case "$out/" in
  "$top/dist/") [ ! -e "$out" ] || [ -z "$(ls -A "$out")" ] || is_release ||
       fail "dist/ holds files that are not a release: move them away first" ;;
  "$top"/*) fail "$out is inside the checkout: give a folder outside it, or none for dist/" ;;
  *) [ ! -e "$out" ] || [ -z "$(ls -A "$out")" ] ||
       fail "OUTDIR is not empty: $out holds $(ls -A "$out" | head -n 3 | paste -sd ' ')$( [ "$(ls -A "$out" | wc -l)" -le 3 ] || echo ' …')" ;;
esac
found=$(contents)
if [ "$verify" = install ] && dpkg-query -W -f '${db:Status-Status}' tremovia 2>/dev/null | grep -qv '^not-installed$'; then
  fail "tremovia is installed on this machine, and --install-check installs and purges it: remove it first (apt remove tremovia)"
fi
mkdir -p -- "$parent" 2>/dev/null || fail "cannot make the folder that is to hold OUTDIR: $parent"
exec {lock}<"$parent"
flock -n "$lock" || fail "another release is being made in $parent: wait for it to end"

work=$(mktemp -d 2>/dev/null) || fail "cannot make a work folder in ${TMPDIR:-/tmp}"
# Every tool's temporary files (emscripten's, the browser's, lintian's) in
# the work folder, removed with it.
export TMPDIR=$work/tmp
mkdir "$TMPDIR"
# The finished files, beside OUTDIR so that they take its place by a rename.
staged=$(mktemp -d "$parent/.tremovia-release.XXXXXX" 2>/dev/null) || fail "cannot write beside OUTDIR, in $parent"

# build NAME ARITHMETIC [CMAKE ARGUMENT...]: the program alone, its log kept
# aside (the armhf compiler writes a note for every function that passes a
# double). ARITHMETIC is the x87 arithmetic it must compile.
build() {
  local name=$1 arithmetic=$2
  shift 2
  echo "building $name"
  if ! { ${configure:-cmake} -S "$top" -B "$work/$name" -DCMAKE_BUILD_TYPE=Release -DTREMOVIA_TESTS=OFF \
           -DTREMOVIA_WERROR=ON "$@" && cmake --build "$work/$name" -j2; } >"$work/$name.log" 2>&1; then
    tail -n 40 "$work/$name.log" >&2
    fail "the $name build failed"
  fi
  "$top/scripts/check-arithmetic.sh" "$work/$name" "$arithmetic" | sed "s|^$work/|  |"
}

# Every file and folder of a tree gets the commit's time and plain modes.
settle() {
  find "$1" -type d -exec chmod 0755 {} +
  find "$1" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +
}

linux_archive() {
  local arch=$1 strip=$2
  local name=tremovia-$version-linux-$arch
  local folder=$work/stage/$name
  mkdir -p "$folder/docs"
  "$strip" --strip-all --remove-section=.comment -o "$folder/tremovia" "$work/$arch/tremovia"
  chmod 0755 "$folder/tremovia"
  install -m 0644 tremovia.1 README.md LICENSE CHANGELOG.md "$folder/"
  install -m 0644 docs/technical-documentation.md docs/worked-lens.svg docs/worked-lens-iris.svg docs/tremovia-page.png docs/tremovia-page-phone.png \
    "$documentation" "$folder/docs/"
  settle "$folder"
  tar --sort=name --mtime="@$SOURCE_DATE_EPOCH" --owner=0 --group=0 --numeric-owner \
    -C "$work/stage" -cf - "$name" | gzip -9n >"$staged/$name.tar.gz"
}

windows_archive() {
  local folder=$work/stage/windows
  mkdir -p "$folder"
  # Linked with -s: stripping afterwards would write the time into the header.
  install -m 0755 "$work/windows/tremovia.exe" "$folder/"
  install -m 0644 LICENSE "$documentation" "$folder/"
  sed 's/$/\r/' packaging/windows/README.txt >"$folder/README.txt"
  chmod 0644 "$folder/README.txt"
  settle "$folder"
  # -X: no extra fields with owner and access time; the sorted names fix the order.
  (cd "$folder" && zip -X -D -9 -q "$staged/tremovia-$version-windows-x86_64.zip" *)
}

# The Debian changelog of this version, made from CHANGELOG.md's section.
debian_changelog() {
  echo "tremovia ($version) unstable; urgency=medium"
  echo
  awk -v heading="## [$version]" '
    index($0, heading) == 1 { inside = 1; next }
    inside && /^## / { exit }
    inside && /^- / { print "  * " substr($0, 3); next }
    inside && /^  / { print "   " $0 }' CHANGELOG.md
  echo
  echo " -- the tremovia authors <tremovia@example.org>  $(date -R -d "@$SOURCE_DATE_EPOCH")"
}

# The licence in the machine-readable form Debian asks for.
debian_copyright() {
  printf '%s\n' "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/" \
    "Upstream-Name: tremovia" "" "Files: *" "Copyright: 2026 the tremovia authors" "License: Expat"
  sed -n '/^Permission/,$p' LICENSE | sed 's/^$/./; s/^/ /'
}

# debian_package ARCH ARCHIVE_ARCH: the program of that Linux archive.
debian_package() {
  local arch=$1 archive_arch=$2
  local root=$work/deb-$arch
  local doc=$root/usr/share/doc/tremovia
  mkdir -p "$root/DEBIAN" "$root/usr/bin" "$root/usr/share/man/man1" "$doc" "$root/usr/share/lintian/overrides"
  install -m 0755 "$work/stage/tremovia-$version-linux-$archive_arch/tremovia" "$root/usr/bin/"
  gzip -9n <tremovia.1 >"$root/usr/share/man/man1/tremovia.1.gz"
  debian_changelog | gzip -9n >"$doc/changelog.gz"
  debian_copyright >"$doc/copyright"
  install -m 0644 docs/technical-documentation.md docs/worked-lens.svg docs/worked-lens-iris.svg "$documentation" "$doc/"
  install -m 0644 packaging/debian/lintian-overrides "$root/usr/share/lintian/overrides/tremovia"
  find "$root/usr" -type f -exec chmod 0644 {} + && chmod 0755 "$root/usr/bin/tremovia"
  (cd "$root" && find usr -type f | sort | xargs md5sum) >"$root/DEBIAN/md5sums"
  sed -e "s/@VERSION@/$version/" -e "s/@ARCHITECTURE@/$arch/" \
      -e "s/@INSTALLED_SIZE@/$(du -sk --apparent-size "$root/usr" | cut -f1)/" \
      packaging/debian/control >"$root/DEBIAN/control"
  chmod 0644 "$root/DEBIAN/control" "$root/DEBIAN/md5sums"
  settle "$root"
  dpkg-deb --root-owner-group -Zxz --build "$root" "$staged/tremovia_${version}_$arch.deb" >/dev/null
}

echo "tremovia $version, dated by the last commit ($(date -d "@$SOURCE_DATE_EPOCH" '+%F %T') UTC), for $out"
build x86_64 "native x87"
# Made by pandoc in the x86-64 build; one file, with its figure inside.
documentation=$work/x86_64/technical-documentation.html
[ -f "$documentation" ] || fail "technical-documentation.html was not made: pandoc is needed (apt-get install pandoc)"
configure="emcmake cmake" build web software
build aarch64 software -DCMAKE_TOOLCHAIN_FILE=cmake/aarch64-linux-gnu.cmake
build i686 "native x87" -DCMAKE_TOOLCHAIN_FILE=cmake/i686-linux-gnu.cmake
build armhf software -DCMAKE_TOOLCHAIN_FILE=cmake/arm-linux-gnueabihf.cmake
build windows "native x87" -DCMAKE_TOOLCHAIN_FILE=cmake/x86_64-w64-mingw32.cmake -DCMAKE_EXE_LINKER_FLAGS_RELEASE=-s

linux_archive x86_64 strip
linux_archive aarch64 aarch64-linux-gnu-strip
linux_archive i686 i686-linux-gnu-strip
linux_archive armhf arm-linux-gnueabihf-strip
windows_archive
debian_package amd64 x86_64
debian_package arm64 aarch64
debian_package i386 i686
debian_package armhf armhf
install -m 0644 "$work/web/tremovia.html" "$staged/tremovia-$version.html"
(cd "$staged" && sha256sum -- * >SHA256SUMS)

# The lock is not passed on: wine's server outlives the check.
case "$verify" in
  yes) "$top/scripts/verify-release.sh" "$staged" {lock}<&- ;;
  install) "$top/scripts/verify-release.sh" --install-check "$staged" {lock}<&- ;;
esac

# The finished release takes OUTDIR's place, uninterrupted, if OUTDIR holds
# what it held at the start: otherwise someone else wrote there, and the
# release stays beside it.
trap '' INT TERM
chmod 0755 "$staged"
if [ "$(contents)" != "$found" ]; then
  keep_staged=yes
  fail "OUTDIR changed while the release was made, and is left as it is: $out. The finished release is in $staged"
fi
previous=$staged.previous
[ ! -e "$out" ] || mv "$out" "$previous"
mv "$staged" "$out"
rm -rf "$previous"
echo "the release is in $out"
