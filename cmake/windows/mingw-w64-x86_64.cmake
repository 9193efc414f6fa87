# Cross-building for 64-bit Windows with Debian's MinGW-w64 (the POSIX thread
# model, which std::thread needs).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(NORVANE_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${NORVANE_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${NORVANE_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${NORVANE_MINGW_TRIPLET}-windres)
set(CMAKE_DLLTOOL ${NORVANE_MINGW_TRIPLET}-dlltool)

# Libraries, headers and packages for Windows are looked for only under the
# MinGW-w64 sysroot and the folders given with -DCMAKE_FIND_ROOT_PATH (an
# unpacked Norvane zip, for example), never among the build machine's.
list(APPEND CMAKE_FIND_ROOT_PATH /usr/${NORVANE_MINGW_TRIPLET})
list(REMOVE_DUPLICATES CMAKE_FIND_ROOT_PATH)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The C++ runtime is linked in, so the programs need no MinGW DLLs beside
# them.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
