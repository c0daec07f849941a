# Shared by the two MinGW-w64 toolchains. The posix-thread compilers are used: the win32
# thread model has no std::thread or std::mutex.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${KINETRA_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KINETRA_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${KINETRA_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${KINETRA_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Tests run under Wine; scripts/test prepares the prefix, the display and the wineserver
# and names the loader that fits this build's word size.
set(KINETRA_WINE "wine" CACHE STRING "Wine loader that runs this build's executables")
set(CMAKE_CROSSCOMPILING_EMULATOR ${KINETRA_WINE})
