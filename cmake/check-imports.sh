#!/usr/bin/env bash
# Fails when a program or library in the given folder imports a DLL that a
# user's PC may lack: anything but a Windows system library (a mingw runtime
# DLL, say). The shipped files named after the folder import Windows system
# libraries only; the other programs (tests, benchmarks) may also import a
# library built beside them.
# Usage: check-imports.sh OBJDUMP FOLDER [SHIPPED_FILE...]
set -u
shopt -s nullglob nocasematch
objdump=$1
folder=$2
shift 2
shipped=" $* "

system_library() {
    case $1 in
        api-ms-win-*.dll | ext-ms-win-*.dll) return 0 ;;
        kernel32.dll | user32.dll | gdi32.dll | msvcrt.dll | shell32.dll | msimg32.dll | imm32.dll | \
            version.dll | winmm.dll | advapi32.dll | ole32.dll | oleaut32.dll | comctl32.dll | \
            comdlg32.dll | shlwapi.dll | ws2_32.dll | dbghelp.dll | ntdll.dll | setupapi.dll | \
            uxtheme.dll | bcrypt.dll | crypt32.dll) return 0 ;;
    esac
    return 1
}

status=0
files=("$folder"/*.exe "$folder"/*.dll)
[ ${#files[@]} -gt 0 ] || { echo "no programs in $folder"; exit 1; }
for file in "${files[@]}"; do
    name=$(basename "$file")
    for import in $("$objdump" -p "$file" | sed -n 's/^\s*DLL Name: //p'); do
        system_library "$import" && continue
        if [[ $shipped != *" $name "* ]] && [ -f "$folder/$import" ]; then
            continue
        fi
        echo "$name imports $import, which is not a Windows system library"
        status=1
    done
done
[ $status -eq 0 ] && echo "${#files[@]} files import only Windows system libraries (or, for tests and benchmarks, libraries built beside them)"
exit $status
