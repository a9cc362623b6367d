#!/usr/bin/env bash
# Builds Qt for 64-bit Windows from Debian's qt6-base source package, for when
# the shared archive is not at hand: the same Qt as the host's moc, rcc and
# uic (qt6-base-dev-tools), with the modules and plugins Tipsmith uses (Core,
# Gui, Widgets, Network, Test; the windows, offscreen and minimal platforms;
# the GIF, ICO and JPEG pictures) and nothing it does not (OpenGL, SQL, D-Bus,
# printing, XML, TLS). About an hour on 2 cores.
#   build-qt.sh WORK_DIR PREFIX
set -euo pipefail
work=$1
prefix=$2
toolchain=$(cd "$(dirname "$0")" && pwd)/mingw-w64.cmake
sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)

if ! grep -rqs '^deb-src\|^Types:.*deb-src' /etc/apt/sources.list /etc/apt/sources.list.d/; then
    "${sudo[@]}" sed -i 's/^Types: deb$/Types: deb deb-src/' /etc/apt/sources.list.d/debian.sources
    "${sudo[@]}" apt-get update
fi
version=$(dpkg-query -W -f='${Version}' qt6-base-dev-tools)
mkdir -p "$work"
cd "$work"
if [ ! -d source ]; then
    apt-get source --download-only "qt6-base=$version"
    # The upstream tree as Debian ships it, without Debian's own patches,
    # which are about the Linux build; the shared archive was made from it too.
    dpkg-source -x --skip-patches ./qt6-base_*.dsc source
fi

# With OpenGL left out, two places of the windows platform plugin still ask
# for its dynamic loader; they get the same guard as the rest of the plugin.
sed -i 's/^#if QT_CONFIG(dynamicgl)$/#if QT_CONFIG(dynamicgl) \&\& QT_CONFIG(opengl)/' \
    source/src/plugins/platforms/windows/qwindowswindow.cpp

# The Debian source lacks the tablet header of the windows plugin: no tablets.
cmake -G Ninja -S source -B build -Wno-dev \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=ON \
    -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF \
    -DFEATURE_opengl=OFF -DFEATURE_vulkan=OFF -DFEATURE_sql=OFF -DFEATURE_dbus=OFF \
    -DFEATURE_printsupport=OFF -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF \
    -DFEATURE_tabletevent=OFF -DFEATURE_openssl=OFF -DFEATURE_schannel=OFF \
    -DFEATURE_system_zlib=OFF -DFEATURE_system_pcre2=OFF -DFEATURE_system_harfbuzz=OFF \
    -DFEATURE_system_freetype=OFF -DFEATURE_system_png=OFF -DFEATURE_system_jpeg=OFF
cmake --build build --parallel "$(nproc)"
cmake --install build
