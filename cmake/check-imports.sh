#!/usr/bin/env bash
# Fails when a program or library in the given folder imports anything but
# Windows system libraries (a mingw runtime DLL would be missing on a user's PC).
set -u
shopt -s nullglob
objdump=$1
folder=$2
status=0
files=("$folder"/*.exe "$folder"/*.dll)
for file in "${files[@]}"; do
    bad=$("$objdump" -p "$file" | sed -n 's/^\s*DLL Name: //p' |
          grep -i -E 'libstdc|libgcc|libwinpthread|mingw' || true)
    if [ -n "$bad" ]; then
        echo "$file imports: $bad"
        status=1
    fi
done
[ ${#files[@]} -gt 0 ] || { echo "no programs in $folder"; exit 1; }
[ $status -eq 0 ] && echo "${#files[@]} files import only system libraries"
exit $status
