#!/bin/sh
# Reads exported symbol names, one per line, and prints each that is not part
# of libpsw's interface: a C name beginning with PSW, or a member, vtable or
# typeinfo of one of the two exported option-reader classes. Exits 1 when it
# printed one. Shared by the export checks of libpsw.so and psw.dll.
status=0
while IFS= read -r sym; do
  [ -n "$sym" ] || continue
  case "$sym" in
    _Z*)
      name=$(printf '%s\n' "$sym" | c++filt)
      case "$name" in
        CPSWDevCommOption::* | CPSWFalconOption::*) continue ;;
        "vtable for CPSWDevCommOption" | "vtable for CPSWFalconOption") continue ;;
        "typeinfo for CPSWDevCommOption" | "typeinfo for CPSWFalconOption") continue ;;
        "typeinfo name for CPSWDevCommOption" | "typeinfo name for CPSWFalconOption") continue ;;
      esac
      echo "unexpected export: $sym ($name)"
      status=1
      ;;
    PSW*)
      # A C name: letters, digits and underscores only.
      printf '%s\n' "$sym" | grep -Eq '^PSW[A-Za-z0-9_]*$' && continue
      echo "unexpected export: $sym"
      status=1
      ;;
    *)
      echo "unexpected export: $sym"
      status=1
      ;;
  esac
done
exit $status
