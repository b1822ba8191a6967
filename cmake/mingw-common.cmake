# What both MinGW-w64 cross builds share. The including toolchain file sets
# CMAKE_SYSTEM_PROCESSOR (i686 or x86_64), which also names the compiler triple. The POSIX
# thread model of the compilers is the one the C++ thread library and GoogleTest need.
set(CMAKE_SYSTEM_NAME Windows)
set(VORLANE_MINGW_TRIPLE ${CMAKE_SYSTEM_PROCESSOR}-w64-mingw32)
set(CMAKE_C_COMPILER ${VORLANE_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VORLANE_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${VORLANE_MINGW_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${VORLANE_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# Self-contained program files: no MinGW runtime DLLs to ship beside them.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
# GCC 12 reports a false -Wrestrict on string concatenation in this libstdc++ (GCC bug 105329).
set(CMAKE_CXX_FLAGS_INIT "-Wno-restrict")
