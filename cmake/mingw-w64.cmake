# Cross-compiles the Windows program with MinGW-w64 on Linux:
#   cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(SHIORI_MINGW_PREFIX x86_64-w64-mingw32)
# The posix-thread compilers: GoogleTest needs std::mutex, which the
# win32-thread ones lack.
set(CMAKE_C_COMPILER ${SHIORI_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${SHIORI_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${SHIORI_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${SHIORI_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Everything linked in: no libstdc++ or winpthread DLL beside the program.
set(CMAKE_EXE_LINKER_FLAGS_INIT -static)
# -static does not reach a library named by its full path, and FindZLIB
# prefers the import library libz.dll.a (which needs zlib1.dll): ask for the
# archive. (libpng is our own static build, see build-libpng-mingw.sh.)
set(ZLIB_USE_STATIC_LIBS ON)

# Test programs run under wine (see wine-run.sh).
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh)
