#!/bin/sh
# Reads a DLL's export and import tables and fails unless it is named
# Tessaly.dll, exports exactly _ZVGetInfo and _ZVPen by name, and imports
# nothing but system libraries (no runtime DLLs of the compiler).
# Usage: check_dll_tables.sh OBJDUMP DLL
set -eu
objdump=$1
dll=$2
tables=$("$objdump" -p "$dll")
status=0

name=$(printf '%s\n' "$tables" | awk '$1 == "Name" && NF == 3 { print $3; exit }')
if [ "$name" != "Tessaly.dll" ]; then
  echo "export directory names '$name', not Tessaly.dll"
  status=1
fi

exports=$(printf '%s\n' "$tables" |
  awk '/^\[Ordinal\/Name Pointer\] Table/ { on = 1; next } on && NF == 0 { exit }
       on { print $NF }' | sort | tr '\n' ' ')
if [ "$exports" != "_ZVGetInfo _ZVPen " ]; then
  echo "exports: $exports(want exactly _ZVGetInfo _ZVPen)"
  status=1
fi

imports=$(printf '%s\n' "$tables" | awk '/DLL Name:/ { print $3 }')
for library in $imports; do
  case $(printf '%s' "$library" | tr 'A-Z' 'a-z') in
    kernel32.dll | user32.dll | msvcrt.dll) ;;
    *)
      echo "imports $library, which is not a system library"
      status=1
      ;;
  esac
done

[ $status -eq 0 ] && echo "Tessaly.dll exports: $exports; imports: $(echo $imports)"
exit $status
