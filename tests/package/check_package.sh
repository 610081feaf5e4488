#!/usr/bin/env bash
# Builds the .deb as `cpack` makes it for users and checks it as Debian would: lintian
# without error or warning, a valid desktop entry and AppStream metadata, and, unpacked
# into an empty root, everything its programs need: a manual page for every program,
# a dependency on the package of every library they link, the entries' files present.
# Covers every program the package installs, whichever rule installs it.
#
# Usage: check_package.sh CPACK_CONFIG WORK_DIR
# Exit status 77 (skipped) when a tool it needs is missing.
set -uo pipefail

cpack_config=$1
work=$2
out=$work/out
root=$work/root
rm -rf "$out" "$root"
mkdir -p "$out" "$root"

for tool in cpack lintian appstreamcli desktop-file-validate dpkg-deb dpkg-parsechangelog \
  readelf ldconfig; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is missing (scripts/install-deps.sh installs it)"; exit 77; }
done

failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

cpack --config "$cpack_config" -B "$out" >"$work/cpack.log" 2>&1 || {
  cat "$work/cpack.log"
  echo "FAIL: cpack"
  exit 1
}
debs=("$out"/*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || { echo "FAIL: not one .deb: ${debs[*]}"; exit 1; }
deb=${debs[0]}
echo "package: $(basename "$deb")"

field() { dpkg-deb -f "$deb" "$1"; }
package=$(field Package)
version=$(field Version)

# Exit status 2 for an error or a warning; the other tags are shown too.
lintian --display-info --pedantic --fail-on error,warning "$deb" || fail "lintian"

dpkg-deb -x "$deb" "$root" || { echo "FAIL: dpkg-deb -x"; exit 1; }

desktop_files=("$root"/usr/share/applications/*.desktop)
[ -f "${desktop_files[0]}" ] || fail "no desktop entry"
for entry in "${desktop_files[@]}"; do
  [ -f "$entry" ] || continue
  desktop-file-validate "$entry" || fail "desktop-file-validate $(basename "$entry")"
  program=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$entry")
  [ -x "$root/usr/bin/$program" ] || fail "$(basename "$entry"): Exec=$program is not in usr/bin"
  icon=$(sed -n 's/^Icon=//p' "$entry")
  compgen -G "$root/usr/share/icons/hicolor/*/apps/$icon.png" >/dev/null ||
    fail "$(basename "$entry"): no icon $icon"
done

compgen -G "$root/usr/share/metainfo/*.metainfo.xml" >/dev/null || fail "no AppStream metadata"
# The metadata, and the desktop entries and programs it names.
appstreamcli validate-tree --no-net "$root" || fail "appstreamcli validate-tree"
for metainfo in "$root"/usr/share/metainfo/*.metainfo.xml; do
  grep -q "<release version=\"$version\"" "$metainfo" ||
    fail "$(basename "$metainfo"): no release $version"
done

changelog=$root/usr/share/doc/$package/changelog.gz
changelog_version=$(zcat "$changelog" 2>/dev/null | dpkg-parsechangelog -l - -S Version 2>/dev/null)
[ "$changelog_version" = "$version" ] ||
  fail "the changelog's latest version is \"$changelog_version\", the package's $version"

# The package that holds a library on this machine.
library_package() {
  local path
  path=$(ldconfig -p | awk -v name="$1" '$1 == name { print $NF; exit }')
  [ -n "$path" ] || return
  # Debian 12 registers some libraries under /lib, others under /usr/lib.
  dpkg -S "${path#/usr}" "/usr${path#/usr}" 2>/dev/null | cut -d: -f1 | sort -u
}

depends=$(field Depends)
echo "Depends: $depends"
echo "Recommends: $(field Recommends)"
grep -qw pcscd <<<"$depends" || fail "Depends lacks pcscd"
grep -qw pcsc-tools <<<"$(field Recommends)" || fail "Recommends lacks pcsc-tools"
depended=$(tr ',|' '\n\n' <<<"$depends" | sed 's/(.*//; s/ //g')

programs=0
for program in "$root"/usr/bin/*; do
  [ -f "$program" ] || continue
  programs=$((programs + 1))
  name=$(basename "$program")
  [ -f "$root/usr/share/man/man1/$name.1.gz" ] ||
    fail "$name: no manual page usr/share/man/man1/$name.1.gz"
  readelf -h "$program" >/dev/null 2>&1 || continue
  while read -r library; do
    owner=$(library_package "$library")
    if [ -z "$owner" ]; then
      fail "$name: links $library, which no installed package holds"
    elif ! grep -qxF "$owner" <<<"$depended"; then
      fail "$name: links $library of $owner but does not depend on $owner"
    fi
  done < <(readelf -d "$program" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p')
done
[ "$programs" -gt 0 ] || fail "no program in usr/bin"

[ "$failures" -eq 0 ] || exit 1
echo "PASS: $programs program(s), lintian clean"
