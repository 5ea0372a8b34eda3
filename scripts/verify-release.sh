#!/usr/bin/env bash
# Checks a release folder the way a user gets it, and fails at the first
# fault:   scripts/verify-release.sh [--install-check] OUTDIR
# Every archive is unpacked in an empty folder and its program run from there
# (qemu for aarch64, i686 and armhf, wine for Windows) on every input of
# .ci/compared-inputs, against the x86-64 program; every package passes
# lintian; the page is opened in Chromium. With --install-check the amd64
# package is also installed on this machine, run, read with man and purged;
# an interruption lets dpkg finish, then purges.
set -euo pipefail
umask 022
export LC_ALL=C
fail() { echo "verify-release.sh: $*" >&2; exit 1; }

install_check=no
if [ "${1:-}" = --install-check ]; then
  install_check=yes
  shift
fi
[ $# -eq 1 ] || fail "give one release folder"
top=$(cd "$(dirname "$0")/.." && pwd)
out=$(realpath "$1")
version=$(sed -n 's/^project(tremovia VERSION \([0-9.]*\) .*/\1/p' "$top/CMakeLists.txt")
work=""
trap 'purge_on_exit; [ -z "$work" ] || rm -rf "$work"' EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
work=$(mktemp -d)

# holds WHAT EXPECTED ACTUAL: two sorted listings must be the same.
holds() {
  if [ "$2" != "$3" ]; then
    diff <(echo "$2") <(echo "$3") >&2 || true
    fail "$1 does not hold what it should (< expected, > found)"
  fi
}

# The documentation pandoc made, not the Markdown under its name.
is_html() {
  [ "$(head -c 15 "$1")" = "<!DOCTYPE html>" ] || fail "$2: technical-documentation.html is not HTML"
}

# A program built for the target alone: linked static, stripped.
static_and_stripped() {
  local headers sections
  headers=$(readelf -lW "$1")
  sections=$(readelf -SW "$1")
  [[ $headers != *INTERP* ]] || fail "$1 is not linked static"
  [[ $sections != *.symtab* ]] || fail "$1 is not stripped"
}

# The amd64 package installed on this machine, run, read with man and purged.
# dpkg is never interrupted halfway: it ignores INT and TERM, the traps run
# when it has finished, and whatever ends the script purges the package.
sudo=""
[ "$(id -u)" -eq 0 ] || sudo=sudo
uninterrupted() { (trap '' INT TERM; exec $sudo "$@"); }
installed=no
purge_on_exit() {
  [ "$installed" = yes ] || return 0
  uninterrupted dpkg --purge tremovia >>"$work/dpkg.log" 2>&1 || echo "verify-release.sh: dpkg --purge tremovia failed" >&2
}
install_check() {
  echo "== the amd64 package, installed and purged"
  installed=yes
  if ! uninterrupted dpkg -i "tremovia_${version}_amd64.deb" >"$work/dpkg.log" 2>&1; then
    cat "$work/dpkg.log" >&2
    grep -q 'lock' "$work/dpkg.log" && fail "dpkg's lock is held by another process (apt or dpkg at work): try again when it has finished"
    fail "dpkg -i failed"
  fi
  hash -r
  [ "$(command -v tremovia)" = /usr/bin/tremovia ] || fail "tremovia is not on PATH as /usr/bin/tremovia"
  typical='1\n1.5\n1\n0\n1\n10\n-10\n\n\n\n\n\n\n\n\n'
  [ "$(printf "$typical" | tremovia | od -An -tx1)" = "$(printf "$typical" | $reference | od -An -tx1)" ] ||
    fail "the installed tremovia does not print the typical run"
  [ "$(man -w tremovia)" = /usr/share/man/man1/tremovia.1.gz ] || fail "man does not find tremovia's page"
  page=$(MANWIDTH=200 man tremovia 2>/dev/null)
  [[ $page == *"tremovia - a thick lens by the ray-transfer matrix method"* ]] || fail "man tremovia does not show the page"
  uninterrupted dpkg --purge tremovia >>"$work/dpkg.log" 2>&1 || { cat "$work/dpkg.log" >&2; fail "dpkg --purge failed"; }
  installed=no
  hash -r
  for path in /usr/bin/tremovia /usr/share/man/man1/tremovia.1.gz /usr/share/doc/tremovia \
    /usr/share/lintian/overrides/tremovia /var/lib/dpkg/info/tremovia.list; do
    [ ! -e "$path" ] || fail "$path is left after dpkg --purge"
  done
  ! dpkg-query -W tremovia >/dev/null 2>&1 || fail "dpkg still knows tremovia after --purge"
  echo "  installed: runs as tremovia from PATH, man tremovia finds its page; purged: nothing left"
}
if [ "$install_check" = yes ] && dpkg-query -W -f '${db:Status-Status}' tremovia 2>/dev/null | grep -qv '^not-installed$'; then
  fail "tremovia is installed on this machine, and --install-check installs and purges it: remove it first (apt remove tremovia)"
fi

cd "$out"
echo "== $out: the checksums and the files"
sha256sum --quiet -c SHA256SUMS
holds SHA256SUMS "$(ls | grep -vx SHA256SUMS)" "$(sed 's/^[0-9a-f]*  //' SHA256SUMS | sort)"
artifacts=(SHA256SUMS "tremovia-$version-windows-x86_64.zip" "tremovia-$version.html")
for arch in x86_64 aarch64 i686 armhf; do artifacts+=("tremovia-$version-linux-$arch.tar.gz"); done
for arch in amd64 arm64 i386 armhf; do artifacts+=("tremovia_${version}_$arch.deb"); done
holds "$out" "$(printf '%s\n' "${artifacts[@]}" | sort)" "$(ls)"
ls -l --time-style=+ | tail -n +2 | awk '{printf "  %10s  %s\n", $5, $6}'

echo "== the Linux archives, unpacked"
programs=()
for target in x86_64: aarch64:qemu-aarch64 i686:qemu-i386 armhf:qemu-arm; do
  arch=${target%%:*} emulator=${target#*:}
  name=tremovia-$version-linux-$arch
  mkdir "$work/$arch"
  tar -xzf "$name.tar.gz" -C "$work/$arch"
  tar -tzf "$name.tar.gz" | sort -c || fail "$name.tar.gz: its names are not in sorted order"
  holds "$name.tar.gz" "$(printf "$name%s\n" "" /CHANGELOG.md /LICENSE /README.md /docs /docs/technical-documentation.md \
    /docs/technical-documentation.html /docs/worked-lens.svg /docs/worked-lens-iris.svg \
    /docs/tremovia-page.png /docs/tremovia-page-phone.png /tremovia /tremovia.1 | sort)" \
    "$(cd "$work/$arch" && find . -mindepth 1 -printf '%P\n' | sort)"
  for picture in $(grep -o -e '!\[[^]]*\](docs/[^)]*)' -e '<img src="docs/[^"]*"' "$work/$arch/$name/README.md" |
                   grep -o 'docs/[^)"]*'); do
    [ -f "$work/$arch/$name/$picture" ] || fail "$name.tar.gz: its README shows $picture, which it does not hold"
  done
  static_and_stripped "$work/$arch/$name/tremovia"
  is_html "$work/$arch/$name/docs/technical-documentation.html" "$name.tar.gz"
  ! grep -Eq '(src|href)="[^"#d]|(src|href)="d[^a]' "$work/$arch/$name/docs/technical-documentation.html" ||
    fail "$name.tar.gz: technical-documentation.html loads something beside it"
  programs+=("${emulator:+$emulator }$work/$arch/$name/tremovia")
  echo "  $name.tar.gz: as listed; tremovia static and stripped"
done
reference=${programs[0]}
[ "$install_check" = no ] || install_check
echo "== the Windows archive, unpacked"
mkdir "$work/windows"
(cd "$work/windows" && unzip -q "$out/tremovia-$version-windows-x86_64.zip")
holds "the Windows zip" "$(printf '%s\n' LICENSE README.txt technical-documentation.html tremovia.exe)" \
  "$(cd "$work/windows" && find . -mindepth 1 -printf '%P\n' | sort)"
is_html "$work/windows/technical-documentation.html" "the Windows zip"
perl -0777 -ne 'exit(/(?<!\r)\n/ ? 1 : 0)' "$work/windows/README.txt" || fail "README.txt has a line end without CR"
[ -z "$(zipinfo -v "$out/tremovia-$version-windows-x86_64.zip" | grep 'length of extra field' | grep -v ': *0 bytes')" ] ||
  fail "the Windows zip has extra fields (owner, access time): made without -X"
[[ $(objdump -t "$work/windows/tremovia.exe") == *"no symbols"* ]] || fail "tremovia.exe is not stripped"
echo "  tremovia-$version-windows-x86_64.zip: as listed"

echo "== every program prints what the x86-64 program prints"
"$top/scripts/compare-transcripts.sh" "$top/.ci/compared-inputs" "$reference" "${programs[@]:1}" \
  "$work/windows/tremovia.exe"

echo "== the Debian packages"
for target in amd64:x86_64 arm64:aarch64 i386:i686 armhf:armhf; do
  arch=${target%%:*} archive_arch=${target#*:}
  deb=tremovia_${version}_$arch.deb
  [ "$(dpkg-deb -f "$deb" Architecture)" = "$arch" ] || fail "$deb: Architecture is not $arch"
  listing=$(dpkg-deb -c "$deb")
  holds "$deb" "$(printf './%s\n' "" usr/ usr/bin/ usr/bin/tremovia usr/share/ usr/share/doc/ usr/share/doc/tremovia/ \
    usr/share/doc/tremovia/changelog.gz usr/share/doc/tremovia/copyright \
    usr/share/doc/tremovia/technical-documentation.html usr/share/doc/tremovia/technical-documentation.md \
    usr/share/doc/tremovia/worked-lens.svg usr/share/doc/tremovia/worked-lens-iris.svg usr/share/lintian/ usr/share/lintian/overrides/ \
    usr/share/lintian/overrides/tremovia usr/share/man/ usr/share/man/man1/ usr/share/man/man1/tremovia.1.gz | sort)" \
    "$(awk '{print $6}' <<<"$listing" | sort)"
  [ -z "$(awk '$2 != "root/root"' <<<"$listing")" ] || fail "$deb: a file not owned by root"
  dpkg-deb --fsys-tarfile "$deb" | tar -xOf - ./usr/bin/tremovia >"$work/deb-program"
  cmp -s "$work/deb-program" "$work/$archive_arch/tremovia-$version-linux-$archive_arch/tremovia" ||
    fail "$deb: its program is not the one in the $archive_arch archive"
  mkdir "$work/deb-$arch"
  dpkg-deb -R "$deb" "$work/deb-$arch"
  (cd "$work/deb-$arch" && md5sum --quiet -c DEBIAN/md5sums) || fail "$deb: DEBIAN/md5sums is missing or wrong"
  is_html "$work/deb-$arch/usr/share/doc/tremovia/technical-documentation.html" "$deb"
  holds "$deb's md5sums" "$(cd "$work/deb-$arch" && find usr -type f | sort)" "$(awk '{print $2}' "$work/deb-$arch/DEBIAN/md5sums")"
  echo "  $deb: Architecture $arch, as listed, the archive's program, md5sums of every file"
done
doc=$work/deb-amd64/usr/share/doc/tremovia
# The words of a text, one a line, without list marks and the copyright file's "." lines.
words() { tr -s ' \t\n' '\n\n\n' | grep -vx -e '' -e '[-*.]'; }
holds "the package's copyright" "$(sed -n '/^Permission/,$p' "$top/LICENSE" | words)" \
  "$(sed -n '/^ Permission/,$p' "$doc/copyright" | words)"
holds "the package's changelog" \
  "$(awk -v heading="## [$version]" 'index($0, heading) == 1 { inside = 1; next } inside && /^## / { exit } inside && !/^#/' \
       "$top/CHANGELOG.md" | words)" \
  "$(gzip -dc "$doc/changelog.gz" | sed '1d; /^ -- /d' | words)"
while read -r override; do
  [[ $override =~ ^tremovia:\ [a-z-]+\ \[([^]*]+)\]$ ]] && [ -f "$work/deb-amd64/${BASH_REMATCH[1]}" ] ||
    fail "the lintian override \"$override\" does not name one file of the package"
done < <(grep -v '^#' "$work/deb-amd64/usr/share/lintian/overrides/tremovia")
echo "  the packages' copyright and changelog say what LICENSE and CHANGELOG.md say; each lintian override names one file"
mkdir "$work/lintian"
TMPDIR=$work/lintian lintian --fail-on error,warning tremovia_*.deb 2>&1 | sed 's/^/  lintian: /'
echo "  lintian: no error, no warning"

echo "== the page, opened from the release folder"
[ -d "$top/tests/page/node_modules/puppeteer-core" ] ||
  (cd "$top/tests/page" && PUPPETEER_SKIP_DOWNLOAD=1 npm ci --no-audit --no-fund >/dev/null)
node "$top/scripts/check-page.mjs" "$out/tremovia-$version.html" "$reference" "$top/.ci/compared-inputs"
echo "== the release is sound"
