# Cross-builds for 64-bit Windows with Debian's MinGW-w64 compilers
# (g++-mingw-w64-x86-64-posix): the POSIX thread model, which the standard
# library's threads and mutexes need.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(MRT_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${MRT_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${MRT_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${MRT_MINGW_TRIPLET}-windres)
list(APPEND CMAKE_FIND_ROOT_PATH /usr/${MRT_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
