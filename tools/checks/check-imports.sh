#!/bin/sh
# Fails unless each program imports statically only KnownDLLs: system DLLs
# that Windows 10 and 11 take from the system folder whatever the search
# order, so that a DLL planted beside a copy of the program never runs at
# its start. The list and its source: docs/architecture.md ("What the
# programs import"). Every other system DLL is loaded from the system
# folder at run time (common/SystemLibrary.h); the programs link statically,
# so no compiler run-time DLL may appear either.
# --allow NAME also allows NAME.dll (msi for a custom action DLL, which the
# installer loads into a process of its own that has it).
# Usage: check-imports.sh [--allow NAME]... OBJDUMP PROGRAM...
also=
while [ "${1:-}" = --allow ]; do also="$also|$2"; shift 2; done
objdump=$1; shift
known="^(kernel32|user32|gdi32|advapi32|shell32|msvcrt|ws2_32|ole32|oleaut32|comdlg32|shlwapi|imm32|rpcrt4|sechost|combase|setupapi|psapi|normaliz|nsi|wldap32|imagehlp|gdiplus|msctf|clbcatq|coml2|difxapi|shcore$also)\\.dll\$"
status=0
for exe in "$@"; do
    dlls=$("$objdump" -p "$exe" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'A-Z' 'a-z')
    [ -n "$dlls" ] || { echo "$exe: no import table found"; status=1; continue; }
    for dll in $dlls; do
        if ! echo "$dll" | grep -Eq "$known"; then
            echo "$exe imports $dll, which is not a KnownDLL: load it through common/SystemLibrary.h"
            status=1
        fi
    done
    echo "$(basename "$exe"): $(echo $dlls)"
done
exit $status
