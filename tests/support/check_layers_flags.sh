#!/bin/sh
# scripts/check-layers must flag what breaks the layers: it runs on a copy of
# src/ with one fault planted at a time and must fail naming it, and it must
# pass on the untouched copy.
#
#   check_layers_flags.sh SOURCE_DIR
set -u
src="$1"
work=$(mktemp -d) || exit 1
trap 'rm -rf "$work"' EXIT
fail=0

fresh_copy() {
  rm -rf "$work/src" && cp -R "$src/src" "$work/src"
}
expect() {  # expect STATUS PATTERN DESCRIPTION
  out=$("$src/scripts/check-layers" "$work" 2>&1)
  status=$?
  if [ "$status" -ne "$1" ] || ! printf '%s\n' "$out" | grep -q -- "$2"; then
    echo "FAIL: $3: status $status, output:" >&2
    printf '%s\n' "$out" >&2
    fail=1
  fi
}

fresh_copy
expect 0 '' "the untouched tree"

fresh_copy   # the platform layer sits below log
printf '#include "log/pmc_log.h"\n' >> "$work/src/platform/pmc_platform.cpp"
expect 1 'src/platform/pmc_platform.cpp:[0-9]*: includes log/' "platform including log"

fresh_copy   # and above base
printf '#include "platform/pmc_platform.h"\n' >> "$work/src/base/pmc_result.h"
expect 1 'src/base/pmc_result.h:[0-9]*: includes platform/' "base including platform"

fresh_copy
printf '#include "api/psw_handle.h"\n' >> "$work/src/net/pmc_datagram_socket.h"
expect 1 'includes api/, which is not below net/' "net including api"

fresh_copy   # a folder inside a layer would escape the check
mkdir "$work/src/net/inner"
expect 1 'src/net/inner: a folder inside the layer net' "a folder inside a layer"

fresh_copy
mkdir "$work/src/extra"
expect 1 'src/extra: a folder that is no layer' "an unknown folder"

[ "$fail" -eq 0 ] && echo "check-layers flags every planted fault"
exit "$fail"
