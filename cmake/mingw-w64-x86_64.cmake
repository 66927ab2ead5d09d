# Cross-compiling for 64-bit Windows with Debian's MinGW-w64 (g++-mingw-w64-x86-64-posix).
# The posix flavour of the compiler gives C++ its standard threads through winpthreads, which the
# program links statically like everything else.

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(SCHERZETTO_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${SCHERZETTO_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${SCHERZETTO_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${SCHERZETTO_MINGW_TRIPLET}-windres)

# Libraries and headers come from the MinGW-w64 tree only; programs run on the build machine.
set(CMAKE_FIND_ROOT_PATH /usr/${SCHERZETTO_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
