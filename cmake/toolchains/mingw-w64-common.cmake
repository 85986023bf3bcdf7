# Cross-build for Windows with mingw-w64 (posix thread model, which GoogleTest
# and std::thread need). The runtime is linked statically, so the .exe needs no
# DLL but the system's. Test executables run under Wine.
# Included by the two toolchain files, after they set CMAKE_SYSTEM_PROCESSOR
# and OB_MINGW_TRIPLET.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${OB_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${OB_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${OB_MINGW_TRIPLET}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${OB_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
# The link line ends in static mode, so the C++ runtime is never the DLL.
set(CMAKE_LINK_SEARCH_END_STATIC ON)
# GCC 12 reports a false -Wrestrict inside std::string at -O3 (GCC bug 105329).
set(CMAKE_CXX_FLAGS_INIT "-Wno-restrict")
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
