#!/usr/bin/env bash
# Cross-builds the libraries Tipsmith's Windows build links besides Qt, as
# static libraries in PREFIX: libjpeg-turbo from Debian's source package (the
# library the Linux build takes from Debian) and GoogleTest from Debian's
# googletest sources in /usr/src/googletest. Each is built once; a stamp
# naming its version says it is there.
#   build-deps.sh CACHE_DIR PREFIX
set -euo pipefail
cache=$1
prefix=$2
toolchain=$(cd "$(dirname "$0")" && pwd)/mingw-w64.cmake
mkdir -p "$cache" "$prefix"

configure_and_install() {
    local source=$1 work=$2
    shift 2
    cmake -G Ninja -S "$source" -B "$work" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
        -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" -Wno-dev "$@" >/dev/null
    cmake --build "$work" -j"$(nproc)" >/dev/null
    cmake --install "$work" >/dev/null
}

# libjpeg-turbo: the source package needs the deb-src lines of Debian's archive.
jpeg_version=$(apt-cache policy libjpeg62-turbo-dev 2>/dev/null | sed -n 's/^ *Candidate: //p')
[ -n "$jpeg_version" ] || jpeg_version=$(dpkg-query -W -f='${Version}' libjpeg62-turbo 2>/dev/null)
if [ "$(cat "$prefix/.libjpeg-turbo" 2>/dev/null)" != "$jpeg_version" ]; then
    sources=/etc/apt/sources.list.d/debian.sources
    if ! grep -rqs '^deb-src\|^Types:.*deb-src' /etc/apt/sources.list /etc/apt/sources.list.d/; then
        sudo=()
        [ "$(id -u)" -eq 0 ] || sudo=(sudo)
        "${sudo[@]}" sed -i 's/^Types: deb$/Types: deb deb-src/' "$sources"
        "${sudo[@]}" apt-get update
    fi
    work=$cache/libjpeg-turbo
    rm -rf "$work" && mkdir -p "$work"
    (cd "$work" && apt-get source --download-only "libjpeg-turbo=$jpeg_version" >/dev/null &&
        dpkg-source -x ./*.dsc source >/dev/null)
    # No SIMD: it needs nasm, and banners are small.
    configure_and_install "$work/source" "$work/build" \
        -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_SIMD=OFF -DWITH_TURBOJPEG=OFF
    echo "$jpeg_version" >"$prefix/.libjpeg-turbo"
    rm -rf "$work"
fi

gtest_version=$(dpkg-query -W -f='${Version}' googletest)
if [ "$(cat "$prefix/.googletest" 2>/dev/null)" != "$gtest_version" ]; then
    configure_and_install /usr/src/googletest "$cache/googletest-build" \
        -DBUILD_GMOCK=OFF -DINSTALL_GTEST=ON -Dgtest_force_shared_crt=ON
    echo "$gtest_version" >"$prefix/.googletest"
    rm -rf "$cache/googletest-build"
fi
