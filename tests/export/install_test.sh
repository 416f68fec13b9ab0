#!/usr/bin/env bash
# `cmake --install` into a scratch prefix: the executable, the desktop
# entry, the icon, the manual page and the README land where desktops, man
# and the shell look, and they agree with the program's own --help.
#   install_test.sh BUILD_DIR
set -euo pipefail
build=$1
prefix=$(mktemp -d "${TMPDIR:-/tmp}/quorbel-install-XXXXXX")
trap 'rm -rf "$prefix"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$prefix" >/dev/null

for f in bin/quorbel share/applications/quorbel.desktop \
  share/icons/hicolor/64x64/apps/quorbel.png share/man/man6/quorbel.6.gz \
  share/doc/quorbel/README.md; do
  [[ -f "$prefix/$f" ]] || fail "$f not installed"
done
[[ -x "$prefix/bin/quorbel" ]] || fail "bin/quorbel is not executable"

# The installed program is the built one.
[[ "$("$prefix/bin/quorbel" --version)" == "$("$build/quorbel" --version)" ]] ||
  fail "installed --version differs from the build's"
[[ "$("$prefix/bin/quorbel" --version)" =~ ^quorbel\ [0-9]+\.[0-9]+\.[0-9]+\ \(commit\ ([0-9a-f]{12}(-modified)?|unknown)\)$ ]] ||
  fail "--version says '$("$prefix/bin/quorbel" --version)'"

# The icon: a PNG whose header says 64 x 64 (width and height are the
# big-endian words at bytes 16 and 20).
icon=$prefix/share/icons/hicolor/64x64/apps/quorbel.png
[[ "$(od -An -tx1 -N8 "$icon" | tr -d ' \n')" == 89504e470d0a1a0a ]] ||
  fail "the icon is not a PNG"
[[ "$(od -An -tu1 -j16 -N8 "$icon" | tr -s ' ')" == " 0 0 0 64 0 0 0 64" ]] ||
  fail "the icon is not 64 x 64"

# The desktop entry: valid, its icon name is the installed icon's, and its
# commands use options the program has.
desktop=$prefix/share/applications/quorbel.desktop
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$desktop" || fail "desktop-file-validate"
else
  echo "desktop-file-validate missing: entry not validated" >&2
fi
grep -qx 'Icon=quorbel' "$desktop" || fail "Icon= is not quorbel"
grep -qx 'Categories=Game;' "$desktop" || fail "not in the Game category"
help=$("$build/quorbel" --help)
options=$(grep -o -- '--[a-z]\+' <<<"$help" | sort -u)
[[ $(wc -l <<<"$options") -ge 12 ]] || fail "--help lists too few options"
while read -r exec; do
  for word in ${exec#Exec=}; do
    [[ $word == quorbel || $word == --* ]] || fail "odd word '$word' in $exec"
    [[ $word == quorbel ]] || grep -qx -- "$word" <<<"$options" ||
      fail "$exec: $word is not an option"
  done
done < <(grep '^Exec=' "$desktop")

# The manual page: every option of --help, the keys, and no groff warnings.
manual=$(gzip -dc "$prefix/share/man/man6/quorbel.6.gz")
while read -r option; do
  # In roff a minus is \-: "--info" is written \-\-info.
  grep -qE -- "${option//-/\\\\-}([^a-z]|\$)" <<<"$manual" ||
    fail "the manual page does not describe $option"
done <<<"$options"
grep -q '^\.SH KEYS' <<<"$manual" || fail "the manual page has no KEYS"
grep -q 'Escape' <<<"$manual" || fail "the manual page does not name Escape"
grep -q '^\.TH QUORBEL 6 .*quorbel [0-9]' <<<"$manual" ||
  fail "the manual page's title has no version"
if command -v groff >/dev/null; then
  warnings=$(groff -man -Tutf8 -ww -z <<<"$manual" 2>&1)
  [[ -z "$warnings" ]] || fail "groff: $warnings"
else
  echo "groff missing: manual page not checked for warnings" >&2
fi
echo "installed and checked under $prefix"
