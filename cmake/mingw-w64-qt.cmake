# Toolchain: 64-bit Windows with Debian's MinGW-w64 compilers (posix threads),
# against a prebuilt Qt for MinGW-w64. Give the two Qt installs of one version:
#   -DLUMIDEX_QT_PREFIX=<Qt for Windows>  -DLUMIDEX_QT_HOST_PREFIX=<its Linux host tools>
# (Qt's own qt.toolchain.cmake remembers the folders it was built in, and
# in Qt 6.1 does not hand the host path on to CMake's compiler checks.)
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES LUMIDEX_QT_PREFIX LUMIDEX_QT_HOST_PREFIX)

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

set(CMAKE_FIND_ROOT_PATH "${LUMIDEX_QT_PREFIX}" /usr/x86_64-w64-mingw32)
set(CMAKE_PREFIX_PATH "${LUMIDEX_QT_PREFIX}/lib/cmake")
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(QT_HOST_PATH "${LUMIDEX_QT_HOST_PREFIX}")
set(QT_HOST_PATH_CMAKE_DIR "${LUMIDEX_QT_HOST_PREFIX}/lib/cmake")
