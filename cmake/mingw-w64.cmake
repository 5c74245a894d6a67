# Cross-compiling the Qt-free core and its tests for 64-bit Windows with
# Debian's MinGW-w64; the tests run under Wine (scripts/test-windows).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

# The posix thread model, as GoogleTest needs std::mutex; -static links its
# threads library in, so the programs still need nothing beside them.
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Self-contained executables: Wine then needs none of MinGW's DLLs.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# ctest runs every test executable through Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
