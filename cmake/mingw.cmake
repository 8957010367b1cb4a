# Cross build for Windows with Debian's mingw-w64 (the posix threads variant, which GoogleTest
# needs for std::mutex), for the processor the toolchain file names.
set(CMAKE_SYSTEM_NAME Windows)
set(TORVEX_MINGW ${CMAKE_SYSTEM_PROCESSOR}-w64-mingw32)
set(CMAKE_C_COMPILER ${TORVEX_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TORVEX_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${TORVEX_MINGW}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${TORVEX_MINGW})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# One static file: no libstdc++, libgcc or winpthread DLL next to it.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_EXE_LINKER_FLAGS_RELEASE_INIT "-s")

# ctest runs the Win32 test programs under Wine, with the loader that fits each.
set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run.sh")
