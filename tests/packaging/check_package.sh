#!/usr/bin/env bash
# Checks the Debian package given, or builds it first (scripts/package.sh: Release, no sanitizers), unpacks it into a temporary
# root with dpkg -x and checks the installed tree: programs, man pages, completion, desktop entry,
# AppStream metainfo, icons, copyright, dependencies, and lintian.
#   check_package.sh SOURCE_DIR [PACKAGE_BUILD_DIR | PACKAGE.deb]
set -euo pipefail
source_dir="$(cd "$1" && pwd)"
here="$source_dir/tests/packaging"
build="${2:-$source_dir/build-package}"
unset LD_LIBRARY_PATH DISPLAY WAYLAND_DISPLAY
export LC_ALL=C

if [[ "$build" == *.deb ]]; then
  deb=$build  # built already (scripts/check-gates.sh package)
else
  deb=$("$source_dir/scripts/package.sh" "$build" | tail -1)
fi
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg -x "$deb" "$root"
echo "unpacked $deb into $root"

passed=0
failed=0
ok() { passed=$((passed + 1)); }
fail() { failed=$((failed + 1)); echo "FAIL: $*"; }
check() {  # check WHAT COMMAND...: COMMAND succeeds
  local what=$1
  shift
  if "$@"; then ok; else fail "$what"; fi
}

version=$(sed -nE 's/^project\(Tagwright VERSION ([0-9.]+).*/\1/p' "$source_dir/CMakeLists.txt")
arch=$(dpkg --print-architecture)
check "package file is tagwright_${version}_$arch.deb" test "$(basename "$deb")" = "tagwright_${version}_$arch.deb"
check "control: Package tagwright" test "$(dpkg-deb -f "$deb" Package)" = tagwright
check "control: Version $version" test "$(dpkg-deb -f "$deb" Version)" = "$version"
depends=$(dpkg-deb -f "$deb" Depends)
for library in libc6 libstdc++6 libqt6core6 libqt6widgets6; do
  check "Depends names $library (dpkg-shlibdeps): $depends" grep -qE "(^|, )${library//+/\\+}( |,|$)" <<<"$depends"
done
changelog_version=$(zcat "$root/usr/share/doc/tagwright/changelog.gz" | sed -nE '1s/^tagwright \(([^)]*)\).*/\1/p')
check "changelog's latest entry is $version, not '$changelog_version'" test "$changelog_version" = "$version"
check "copyright file" test -s "$root/usr/share/doc/tagwright/copyright"

# The programs: they answer --version without a display, with no library of the project beside them
# and without the sanitizers.
for program in tagwright tagwright-cli; do
  binary="$root/usr/bin/$program"
  check "$program is installed" test -x "$binary"
  check "$program --version prints 'Tagwright $version'" test "$("$binary" --version)" = "Tagwright $version"
  check "$program: every library found" sh -c "! ldd '$binary' | grep -q 'not found'"
  check "$program: no sanitizer runtime" sh -c "! ldd '$binary' | grep -qE 'libasan|libubsan'"
  check "$program: no library of the project" sh -c "! ldd '$binary' | grep -q tagwright"
done

# Man pages.
for page in tagwright tagwright-cli; do
  check "man page $page(1) is installed compressed" test -s "$root/usr/share/man/man1/$page.1.gz"
done
check "man pages list every option of every command" "$here/check_man_pages.sh" \
  "$root/usr/bin/tagwright-cli" "$root/usr/share/man/man1/tagwright-cli.1.gz" \
  "$root/usr/bin/tagwright" "$root/usr/share/man/man1/tagwright.1.gz"

# Shell completion.
check "bash completion completes tagwright-cli" "$here/check_completion.sh" \
  "$root/usr/bin/tagwright-cli" "$root/usr/share/bash-completion/completions/tagwright-cli"
if command -v zsh >/dev/null; then
  check "zsh completion parses" zsh -n "$root/usr/share/zsh/vendor-completions/_tagwright-cli"
fi
if command -v fish >/dev/null; then
  check "fish completion parses" fish --no-execute "$root/usr/share/fish/vendor_completions.d/tagwright-cli.fish"
fi

# Desktop entry, AppStream metainfo, icons.
desktop_files=("$root"/usr/share/applications/*.desktop)
check "one desktop entry" test ${#desktop_files[@]} -eq 1 -a -f "${desktop_files[0]}"
desktop=${desktop_files[0]}
check "desktop-file-validate $(basename "$desktop")" desktop-file-validate "$desktop"
check "desktop entry runs tagwright" grep -qE '^Exec=tagwright( |$)' "$desktop"
metainfo_files=("$root"/usr/share/metainfo/*.metainfo.xml)
check "one metainfo file" test ${#metainfo_files[@]} -eq 1 -a -f "${metainfo_files[0]}"
metainfo=${metainfo_files[0]}
check "appstreamcli validate --no-net $(basename "$metainfo")" appstreamcli validate --no-net "$metainfo"
id=$(sed -nE 's:.*<id>(.*)</id>.*:\1:p' "$metainfo")
check "metainfo is named after its id $id" test "$(basename "$metainfo")" = "$id.metainfo.xml"
launchable=$(sed -nE 's:.*<launchable type="desktop-id">(.*)</launchable>.*:\1:p' "$metainfo")
check "metainfo launches the installed desktop entry ($launchable)" test "$launchable" = "$(basename "$desktop")"
check "metainfo shows the screenshot" grep -q '<image[^>]*>https://[^<]*/screenshot.png</image>' "$metainfo"
icon=$(sed -nE 's/^Icon=//p' "$desktop")
check "scalable icon $icon.svg" test -s "$root/usr/share/icons/hicolor/scalable/apps/$icon.svg"
for size in 48 256; do
  png="$root/usr/share/icons/hicolor/${size}x$size/apps/$icon.png"
  check "icon $icon.png is $size px" sh -c "file '$png' | grep -q 'PNG image data, $size x $size'"
done

# Lintian: no errors; its warnings are shown.
lintian_output=$(TMPDIR="$root" lintian --fail-on error "$deb" 2>&1) && lintian_status=0 || lintian_status=$?
[ -n "$lintian_output" ] && printf 'lintian:\n%s\n' "$lintian_output"
check "lintian reports no error" test "$lintian_status" -eq 0

echo "package: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
