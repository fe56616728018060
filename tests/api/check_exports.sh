#!/bin/sh
# Checks the exported surface of a build of libpsw:
#   check_exports.sh LIBRARY SONAME [NAME...]
# - every defined dynamic symbol is a C name beginning with PSW, or belongs to
#   one of the two exported option-reader classes (members, vtable, typeinfo);
# - the library's SONAME is SONAME;
# - every NAME given is exported: a C name, or a C++ symbol in its demangled
#   form ("CPSWFalconOption::is_supported_OID(char const*)").
set -eu
lib=$1
want_soname=$2
shift 2
status=0

[ -f "$lib" ] || { echo "no such library: $lib" >&2; exit 1; }

# Defined dynamic symbols, version suffix (@@PSW_1) removed, one per line.
mangled=$(nm -D --defined-only "$lib" | awk '{print $NF}' | sed 's/@.*//' | sort -u)

here=$(cd "$(dirname "$0")" && pwd)
printf '%s\n' "$mangled" | sh "$here/../support/unexpected_exports.sh" || status=1

demangled=$(printf '%s\n' "$mangled" | c++filt)
for need in "$@"; do
  if ! printf '%s\n' "$mangled" | grep -qxF -- "$need" && ! printf '%s\n' "$demangled" | grep -qxF -- "$need"; then
    echo "missing export: $need"
    status=1
  fi
done

soname=$(readelf -d "$lib" | sed -n 's/.*Library soname: \[\(.*\)\].*/\1/p')
if [ "$soname" != "$want_soname" ]; then
  echo "wrong SONAME: '$soname' (want '$want_soname')"
  status=1
fi

if [ "$status" -eq 0 ]; then
  echo "exports ok: $(printf '%s\n' "$mangled" | wc -l) symbols, SONAME $soname"
fi
exit "$status"
