#!/usr/bin/env bash
# check_install.sh BUILD_DIR CONSUMERS_DIR CC CXX [C_LINK_FLAGS [CXX_LINK_FLAGS]]
# Installs BUILD_DIR into a temporary prefix, checks the installed files, and
# builds and runs the two consumers of CONSUMERS_DIR against that prefix.
# The link flags are those a sanitizer build of the library needs in the
# programs that load it (empty otherwise).
set -euo pipefail
build=$1 consumers=$2 cc=$3 cxx=$4 c_flags=${5:-} cxx_flags=${6:-}
prefix=$(mktemp -d /tmp/psw-install.XXXXXX)
trap 'rm -rf "$prefix"' EXIT

cmake --install "$build" --prefix "$prefix/usr" >"$prefix/install.log"

libdir=$(dirname "$(find "$prefix/usr" -name 'libpsw.so.1' -print -quit)")
for f in "$libdir/libpsw.so.1" "$libdir/libpsw.so" "$prefix/usr/include/psw/psw.h" \
         "$prefix/usr/include/psw/psw_options.hpp" "$libdir/pkgconfig/psw.pc" \
         "$libdir/cmake/psw/pswConfig.cmake" "$prefix/usr/bin/pswctl" \
         "$prefix/usr/share/man/man1/pswctl.1" "$prefix/usr/share/doc/psw/api.md"; do
  [ -e "$f" ] || { echo "missing after install: $f"; exit 1; }
done
[ -L "$libdir/libpsw.so" ] || { echo "libpsw.so is not a link"; exit 1; }
"$prefix/usr/bin/pswctl" --help | grep -q discover || { echo "installed pswctl does not run"; exit 1; }

# C through pkg-config.
export PKG_CONFIG_PATH="$libdir/pkgconfig"
# shellcheck disable=SC2046,SC2086
"$cc" -std=c11 -Wall -Wextra -Werror -o "$prefix/consumer_c" "$consumers/consumer.c" \
      $(pkg-config --cflags --libs psw) $c_flags
LD_LIBRARY_PATH="$libdir" "$prefix/consumer_c"

# C++ through find_package.
cmake -S "$consumers/cmake_consumer" -B "$prefix/cmake_consumer" -G Ninja \
      -DCMAKE_CXX_COMPILER="$cxx" -DCMAKE_PREFIX_PATH="$prefix/usr" \
      -DCMAKE_EXE_LINKER_FLAGS="$cxx_flags" >"$prefix/consumer.log"
cmake --build "$prefix/cmake_consumer" >>"$prefix/consumer.log"
LD_LIBRARY_PATH="$libdir" "$prefix/cmake_consumer/consumer_cxx"
echo "install ok"
