# Toolchain: 64-bit Windows with Debian's MinGW-w64 compilers (posix threads),
# against a prebuilt Qt for MinGW-w64 whose host tools are Debian's own Qt of
# the same version:
#   -DLUMIDEX_QT_PREFIX=<Qt for Windows>
#   -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake
# CMake's compiler checks read this file again: hand them the prefix too.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES LUMIDEX_QT_PREFIX)

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
