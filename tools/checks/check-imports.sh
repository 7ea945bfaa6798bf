#!/bin/sh
# Fails unless each program imports only Windows system DLLs (the programs
# link statically: no compiler run-time DLL may be needed on a clean system).
# --allow NAME also allows NAME.dll (msi for a custom action DLL, which the
# installer loads into a process of its own that has it).
# Usage: check-imports.sh [--allow NAME]... OBJDUMP PROGRAM...
also=
while [ "${1:-}" = --allow ]; do also="$also|$2"; shift 2; done
objdump=$1; shift
allowed="^(kernel32|user32|gdi32|advapi32|shell32|comctl32|comdlg32|wsock32|ws2_32|rasapi32|version|msvcrt|ole32|oleaut32|shlwapi|api-ms-win-crt-[a-z0-9-]+|api-ms-win-core-[a-z0-9-]+$also)\\.dll\$"
status=0
for exe in "$@"; do
    dlls=$("$objdump" -p "$exe" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'A-Z' 'a-z')
    [ -n "$dlls" ] || { echo "$exe: no import table found"; status=1; continue; }
    for dll in $dlls; do
        if ! echo "$dll" | grep -Eq "$allowed"; then
            echo "$exe imports $dll, which is not a system DLL"
            status=1
        fi
    done
    echo "$(basename "$exe"): $(echo $dlls)"
done
exit $status
