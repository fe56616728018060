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
         "$prefix/usr/share/man/man1/pswctl.1" "$prefix/usr/share/doc/psw/api.md" \
         "$prefix/usr/share/doc/psw/README.md" "$prefix/usr/share/doc/psw/examples/find_devices.c" \
         "$prefix/usr/share/doc/psw/examples/print_status.c" \
         "$prefix/usr/share/bash-completion/completions/pswctl"; do
  [ -e "$f" ] || { echo "missing after install: $f"; exit 1; }
done
[ -L "$libdir/libpsw.so" ] || { echo "libpsw.so is not a link"; exit 1; }
"$prefix/usr/bin/pswctl" --help | grep -q discover || { echo "installed pswctl does not run"; exit 1; }

# The completion completes sub-commands, options and their words.
complete_words() {
  bash -c 'source "$1"; shift; COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); _pswctl; echo "${COMPREPLY[*]}"' \
    sh "$prefix/usr/share/bash-completion/completions/pswctl" "$@"
}
[ "$(complete_words pswctl st)" = "status" ] || { echo "completion: sub-command"; exit 1; }
[ "$(complete_words pswctl --timeout 100 watch 192.0.2.7 --int)" = "--interval" ] ||
  { echo "completion: option of a sub-command"; exit 1; }
[ "$(complete_words pswctl status 192.0.2.7 --transport u)" = "udp udp6" ] ||
  { echo "completion: transport words"; exit 1; }
[ "$(complete_words pswctl discover --all)" = "--all-interfaces" ] || { echo "completion: discover"; exit 1; }
[ "$(complete_words pswctl status 192.0.2.7 --snmp-version 2)" = "2c" ] ||
  { echo "completion: SNMP version words"; exit 1; }

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
