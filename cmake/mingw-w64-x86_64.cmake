# Cross-building for 64-bit Windows with mingw-w64 (posix thread model, so
# std::thread and std::mutex work), with the built programs run under Wine.
#
#   cmake -S . -B build/windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
#         -DPSW_WINDOWS_DEPS=$(scripts/windows-deps)
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(PSW_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${PSW_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${PSW_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${PSW_MINGW_PREFIX}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${PSW_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# CTest runs each cross-built test through this wrapper: it checks that the
# run is inside a private network namespace and starts the program in Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run)
