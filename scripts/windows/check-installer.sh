#!/usr/bin/env bash
# Checks the Windows installer as a user would meet it, under Wine in a new
# prefix of its own: it installs silently; the installed tipsmith.exe starts
# on a virtual display and paints its window; the installed tipsmith-cli
# writes the same bytes as the Linux build's; "Open with" offers Tipsmith for
# .set files while another program keeps them; the uninstaller, run silently,
# leaves nothing of Tipsmith behind.
#   check-installer.sh BUILD_DIR [LINUX_TIPSMITH_CLI]
# Without LINUX_TIPSMITH_CLI, build/bin/tipsmith-cli of the Linux build is used.
set -euo pipefail
build=$(realpath "$1")
root=$(cd "$(dirname "$0")/../.." && pwd)
linux_cli=${2:-$root/build/bin/tipsmith-cli}
version=$(sed -n 's/^project(Tipsmith VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
installer=$build/Tipsmith-$version-win64.exe
[ -f "$installer" ] || { echo "no $installer" >&2; exit 1; }
[ -x "$linux_cli" ] || { echo "no Linux tipsmith-cli at $linux_cli to compare with" >&2; exit 1; }

wine=$(command -v wine64 || echo /usr/lib/wine/wine64)
wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver64)
work=$(mktemp -d)
# No .NET, no browser engine, and no menu entries on the Linux desktop.
export WINEPREFIX=$work/wine WINEDEBUG=-all WINEDLLOVERRIDES='mscoree,mshtml=;winemenubuilder.exe=d'
# The installed copy must find every DLL and plugin in its own folder.
unset WINEPATH QT_PLUGIN_PATH
trap '"$wineserver" -k 2>/dev/null || true; rm -rf "$work"' EXIT
fail() { echo "check-installer: $*" >&2; exit 1; }
# Runs a Windows program and waits until every program of the prefix has ended
# (an uninstaller goes on in a copy of itself).
run() { "$wine" "$@"; "$wineserver" -w; }
traces() {
    grep -il 'tipsmith' "$WINEPREFIX"/*.reg || true
    find "$WINEPREFIX/drive_c" -ipath '*tipsmith*' -print || true
}

run wineboot -i >/dev/null 2>&1
# Another program owns .set files.
run reg add 'HKCR\.set' /ve /d Other.Settings /f >/dev/null
[ -z "$(traces)" ] || fail "a new prefix already holds Tipsmith: $(traces)"

run "$installer" /S
folder="$WINEPREFIX/drive_c/Program Files/Tipsmith"
[ -f "$folder/tipsmith.exe" ] || fail "the installer put no tipsmith.exe into Program Files"
[ -f "$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Tipsmith/Tipsmith.lnk" ] ||
    fail "no Start-menu entry"
grep -qi 'Uninstall\\\\Tipsmith\]' "$WINEPREFIX/system.reg" || fail "no uninstaller registered"
query() { "$wine" reg query "$@" 2>/dev/null | tr -d '\r'; }
query 'HKCR\.set' /ve | grep -q 'Other.Settings' || fail ".set files were taken over"
query 'HKCR\.set\OpenWithProgids' | grep -q 'Tipsmith.Settings' || fail "Tipsmith is not in .set files' Open with"

shown=$(TIPSMITH_QUIT_WHEN_SHOWN=1 timeout 300 xvfb-run -a -s '-screen 0 1280x1024x24' \
    "$wine" 'C:\Program Files\Tipsmith\tipsmith.exe' 2>/dev/null | tr -d '\r')
[ "$shown" = "shown: Tipsmith" ] || fail "the installed program did not show its window: '$shown'"

# tipsmith-cli writes the same files as on Linux: the style sheet, the script
# and the sample page of the start settings; the accessible script of a styled
# box.
data=$root/tests/tools/cli/data
generate_both() {
    local name=$1
    shift
    "$linux_cli" generate "$data/$name.set" "$work/linux/$name" "$@" >/dev/null
    "$wine" 'C:\Program Files\Tipsmith\tipsmith-cli.exe' generate "Z:${data//\//\\}\\$name.set" \
        "C:\\out\\$name" "$@" >/dev/null
}
generate_both start --title 'Same bytes'
generate_both styled --script accessible
"$wineserver" -w
[ "$(ls "$work/linux/start" | wc -l)" -eq 3 ] || fail "the Linux tipsmith-cli did not write three files"
diff -r "$work/linux" "$WINEPREFIX/drive_c/out" || fail "tipsmith-cli wrote other bytes on Windows"
rm -rf "$WINEPREFIX/drive_c/out"

run 'C:\Program Files\Tipsmith\Uninstall.exe' /S
left=$(traces)
[ -z "$left" ] || fail "the uninstaller left: $left"
query 'HKCR\.set' /ve | grep -q 'Other.Settings' || fail "uninstalling took .set files from their program"
echo "installer $installer: checked ($(find "$work/linux" -type f | wc -l) files of tipsmith-cli the same as on Linux)"
