#!/bin/sh
# Checks the exported surface of psw.dll from the export list the linker
# wrote (psw.def):
#   check_dll_exports.sh PSW.DEF PSW.H
# - every export is a C name beginning with PSW, or belongs to one of the
#   two exported option-reader classes (members, vtable, typeinfo);
# - every function psw.h declares is exported, undecorated.
set -eu
def=$1
header=$2
[ -f "$def" ] || { echo "no such file: $def" >&2; exit 1; }
status=0

exports=$(awk 'NR > 1 && NF > 0 {print $1}' "$def" | sed 's/@.*//' | sort -u)
here=$(cd "$(dirname "$0")" && pwd)
printf '%s\n' "$exports" | sh "$here/../support/unexpected_exports.sh" || status=1

# Every function of the header: "PSW_API <type> PSWName(".
for fn in $(grep -Eo 'PSW_API[^(]*[[:space:]*]PSW[A-Za-z0-9_]+[[:space:]]*\(' "$header" |
            grep -Eo 'PSW[A-Za-z0-9_]+[[:space:]]*\($' | tr -d '( '); do
  printf '%s\n' "$exports" | grep -qx "$fn" || { echo "not exported: $fn"; status=1; }
done
[ $status -eq 0 ] && echo "psw.dll exports the interface and nothing else"
exit $status
