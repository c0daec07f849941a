# The product's target: 32-bit Windows.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(KINETRA_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
