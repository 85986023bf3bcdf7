# Cross-build for 32-bit Windows with mingw-w64; see mingw-w64-common.cmake.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(OB_MINGW_TRIPLET i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
