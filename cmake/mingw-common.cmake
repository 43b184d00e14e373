# What both MinGW-w64 toolchains share; the including file sets
# CMAKE_SYSTEM_PROCESSOR (x86_64 or i686), which names the cross compilers.
# The POSIX-threads flavour of the compilers gives the C++ thread library;
# everything is linked statically, so halvane.exe and BASS.dll need no
# MinGW runtime DLL beside them.
set(CMAKE_SYSTEM_NAME Windows)

set(HALVANE_MINGW_PREFIX ${CMAKE_SYSTEM_PROCESSOR}-w64-mingw32)
set(CMAKE_C_COMPILER ${HALVANE_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${HALVANE_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${HALVANE_MINGW_PREFIX}-windres)

# Headers and libraries come from the cross root only, tools from the host.
set(CMAKE_FIND_ROOT_PATH /usr/${HALVANE_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
