# Cross-building for 64-bit Windows with Debian's MinGW-w64 (the posix thread
# model, which Qt needs). CTest runs the Windows programs under Wine.
#
#   cmake -DCMAKE_TOOLCHAIN_FILE=scripts/windows/mingw-w64.cmake
#         -DCMAKE_PREFIX_PATH="<qt6-mingw>;<deps>" -DQT_HOST_PATH=/usr
#         -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake ...
#
# scripts/windows/build.sh prepares the Qt folder and the libraries and passes
# all of this.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

# Only the Windows libraries may be found: the MinGW root and every folder of
# CMAKE_PREFIX_PATH (the Qt build and the cross-built libraries), which must
# be roots themselves, since a prefix outside every root is not searched.
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32 ${CMAKE_PREFIX_PATH})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(CMAKE_TRY_COMPILE_PLATFORM_VARIABLES CMAKE_PREFIX_PATH)

# Debian's wine64 installs its loader outside PATH unless the wine package is there too.
find_program(TIPSMITH_WINE NAMES wine64 wine PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(TIPSMITH_WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${TIPSMITH_WINE})
endif()
