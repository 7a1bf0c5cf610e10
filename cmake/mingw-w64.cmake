# Cross build of Molvaren.dll with MinGW-w64 (Debian g++-mingw-w64-x86-64).
#   cmake -S . -B build-win -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(MOLVAREN_MINGW_PREFIX x86_64-w64-mingw32)

# The posix thread model: the win32 one of GCC 12 has no std::recursive_mutex.
set(CMAKE_C_COMPILER ${MOLVAREN_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${MOLVAREN_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${MOLVAREN_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${MOLVAREN_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Fully static runtime: -static-libgcc/-static-libstdc++ alone still leave
# an import of libwinpthread-1.dll.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static")

# ctest and test discovery run every .exe through Wine's 64-bit loader.
set(CMAKE_CROSSCOMPILING_EMULATOR /usr/lib/wine/wine64)
set(MOLVAREN_OBJDUMP ${MOLVAREN_MINGW_PREFIX}-objdump)
