# Warnings are errors on every compiler we support (g++ 12, clang 14).
add_library(psw_warnings INTERFACE)
target_compile_options(psw_warnings INTERFACE
  -Wall -Wextra -Werror)
# With sanitizers, GCC's flow analysis sees libstdc++'s own <regex> and
# <functional> internals as "maybe uninitialized"; those are not ours, so
# that one warning is not an error in sanitizer builds.
if(NOT PSW_SANITIZE STREQUAL "" AND CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  target_compile_options(psw_warnings INTERFACE -Wno-error=maybe-uninitialized)
endif()
