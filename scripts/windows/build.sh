#!/usr/bin/env bash
# Cross-builds Tipsmith for 64-bit Windows on Debian 12, runs its tests under
# Wine and makes the installer and the portable zip:
#   build-windows/Tipsmith-<version>-win64.exe and .zip
#
#   scripts/windows/build.sh
#
# Qt for Windows comes from ../shared/windows/qt6-mingw-6.4.2.tar.xz when it is
# there, else it is built from Debian's qt6-base source package (about an hour
# on 2 cores). It, libjpeg-turbo and GoogleTest are kept in the cache folder
# TIPSMITH_WINDOWS_CACHE (~/.cache/tipsmith-windows unless set), so later runs
# only build Tipsmith.
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$PWD
here=$root/scripts/windows
cache=${TIPSMITH_WINDOWS_CACHE:-$HOME/.cache/tipsmith-windows}
build=$root/build-windows
qt_version=6.4.2
qt_archive=$root/../shared/windows/qt6-mingw-$qt_version.tar.xz
jobs=$(nproc)

packages=(
    cmake ninja-build dpkg-dev xz-utils
    g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix
    qt6-base-dev qt6-base-dev-tools googletest
    wine64 nsis xvfb xauth
)
missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    sudo=()
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    export DEBIAN_FRONTEND=noninteractive
    "${sudo[@]}" apt-get update
    "${sudo[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
fi
# The host tools (moc, rcc, uic) must be the version the Windows Qt was built from.
host_qt=$(dpkg-query -W -f='${Version}' qt6-base-dev-tools)
case $host_qt in
    $qt_version+*) ;;
    *) echo "qt6-base-dev-tools is $host_qt; the Windows Qt is $qt_version" >&2; exit 1 ;;
esac

mkdir -p "$cache"
qt=$cache/qt6-mingw
if [ ! -f "$qt/.complete" ]; then
    rm -rf "$qt"
    if [ -f "$qt_archive" ]; then
        echo "Unpacking $qt_archive"
        tar -C "$cache" -xJf "$qt_archive"
    else
        echo "No $qt_archive: building Qt $qt_version for Windows (about an hour)"
        "$here/build-qt.sh" "$cache/qt-build" "$qt"
        rm -rf "$cache/qt-build" # the source and objects, some gigabytes
    fi
    touch "$qt/.complete"
fi

deps=$cache/deps
"$here/build-deps.sh" "$cache" "$deps"

# One Wine prefix per build tree, made anew for every run so that no earlier
# run's registry or files can make a test pass.
wine=$(command -v wine64 || echo /usr/lib/wine/wine64)
wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver64)
# No .NET, no browser engine, and no menu entries on the Linux desktop.
export WINEPREFIX=$build/wine WINEDEBUG=-all WINEDLLOVERRIDES='mscoree,mshtml=;winemenubuilder.exe=d'
# Wine finds the Qt and MinGW runtime DLLs of the build tree's programs here.
windows_path() { printf 'Z:%s' "${1//\//\\}"; }
export WINEPATH="$(windows_path "$qt/bin");$(windows_path /usr/lib/gcc/x86_64-w64-mingw32/12-posix)"
WINEPATH+=";$(windows_path /usr/x86_64-w64-mingw32/lib)"

cmake -G Ninja -S "$root" -B "$build" \
    -DCMAKE_TOOLCHAIN_FILE="$here/mingw-w64.cmake" \
    -DCMAKE_PREFIX_PATH="$qt;$deps" \
    -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" -DCMAKE_C_FLAGS_RELEASE="-O2 -DNDEBUG" -DTIPSMITH_BUILD_TESTS=ON -DTIPSMITH_BUILD_BENCH=OFF
cmake --build "$build" -j"$jobs"

# One server for every test program of the run, instead of one each; it is
# started first, as a second server for the same prefix would refuse to run.
rm -rf "$WINEPREFIX"
mkdir -p "$WINEPREFIX"
"$wineserver" -p
trap '"$wineserver" -k 2>/dev/null || true' EXIT
"$wine" wineboot -i >/dev/null 2>&1
ctest --test-dir "$build" --output-on-failure -j"$jobs"

rm -f "$build"/Tipsmith-*-win64.{exe,zip}
(cd "$build" && cpack -G "NSIS;ZIP")

# The installed tipsmith-cli.exe must write the bytes of the Linux build's:
# that of build/ (CI has just tested it), or one built for the comparison.
linux_cli=$root/build/bin/tipsmith-cli
if [ ! -x "$linux_cli" ]; then
    "$root/scripts/install-deps.sh" --runtime
    cmake -S "$root" -B "$build/linux" -DTIPSMITH_BUILD_TESTS=OFF -DTIPSMITH_BUILD_BENCH=OFF
    cmake --build "$build/linux" -j"$jobs" --target tipsmith-cli
    linux_cli=$build/linux/bin/tipsmith-cli
fi
"$wineserver" -k 2>/dev/null || true
"$here/check-installer.sh" "$build" "$linux_cli"
ls -l "$build"/Tipsmith-*-win64.{exe,zip}
