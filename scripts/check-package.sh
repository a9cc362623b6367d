#!/usr/bin/env bash
# Builds the Debian package from a build tree and checks it: the desktop entry
# and the AppStream metadata validate, lintian finds no error, the package's
# MIME type claims Tipsmith's configuration files and no other .set file, and
# the program unpacked into a temporary root starts and shows its window.
#   scripts/check-package.sh [BUILD_DIR]     the build tree, build/ unless named
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath "${1:-build}")
packaging=$PWD/packaging

desktop-file-validate "$packaging/org.tipsmith.Tipsmith.desktop"
appstreamcli validate --no-net "$packaging/org.tipsmith.Tipsmith.metainfo.xml"

version=$(sed -n 's/^project(Tipsmith VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
deb=$build/tipsmith_${version}_$(dpkg --print-architecture).deb
rm -f "$deb"
(cd "$build" && cpack -G DEB >/dev/null)
[ -f "$deb" ] || { echo "cpack made no $deb" >&2; exit 1; }

lintian_report=$(lintian "$deb" 2>&1 | grep -v 'running with root privileges' || true)
[ -z "$lintian_report" ] || echo "$lintian_report"
if grep -q '^E:' <<<"$lintian_report"; then
    echo "lintian reports errors" >&2
    exit 1
fi

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg-deb -x "$deb" "$root"
share=$root/usr/share

# The MIME type and its handler as a desktop sees them once the package is
# installed: the caches its installation triggers are made, and the unpacked
# folders come before the system's.
XDG_DATA_DIRS=$share update-mime-database "$share/mime"
update-desktop-database "$share/applications"
desktop() {
    PATH=$root/usr/bin:$PATH XDG_DATA_HOME=$root/home XDG_DATA_DIRS=$share:/usr/share \
        XDG_CONFIG_HOME=$root/config XDG_CONFIG_DIRS=$root/config "$@"
}
mkdir "$root/files"
printf '<%%%%Border%%%%>3<%%%%/Border%%%%>\r\n' >"$root/files/saved.set"
printf '<%%%%BORDER%%%%>3<%%%%/BORDER%%%%>\r\n' >"$root/files/earlier.set"
printf '[Section]\nkey=1\n' >"$root/files/other.set"
for file in saved.set earlier.set other.set; do
    type=$(desktop gio info -a standard::content-type "$root/files/$file" |
        sed -n 's/.*content-type: //p')
    expected=application/x-tipsmith-settings
    [ "$file" = other.set ] && expected=text/plain
    if [ "$type" != "$expected" ]; then
        echo "$file is $type, not $expected" >&2
        exit 1
    fi
done
handler=$(desktop gio mime application/x-tipsmith-settings | sed -n '1s/.*: //p')
if [ "$handler" != org.tipsmith.Tipsmith.desktop ]; then
    echo "configuration files open with '$handler', not Tipsmith" >&2
    exit 1
fi

# The unpacked program, on the offscreen platform: it prints its window's
# title once the window has been shown and painted, then quits.
shown=$(cd "$root" && HOME=$root XDG_RUNTIME_DIR=$root QT_QPA_PLATFORM=offscreen \
    TIPSMITH_QUIT_WHEN_SHOWN=1 timeout 60 "$root/usr/bin/tipsmith" 2>/dev/null)
if [ "$shown" != "shown: Tipsmith" ]; then
    echo "the unpacked program did not show its window: '$shown'" >&2
    exit 1
fi
for companion in tipsmith-cli tipsmith-brand tipsmith-newsd; do
    "$root/usr/bin/$companion" --help >/dev/null
done
echo "package $deb: checked"
