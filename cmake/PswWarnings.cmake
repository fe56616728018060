# Warnings are errors on every compiler we support (g++ 12, clang 14).
add_library(psw_warnings INTERFACE)
target_compile_options(psw_warnings INTERFACE
  -Wall -Wextra -Werror)
