#!/usr/bin/env bash
# Gathers one word size's part of the SDK from a preset's build into a
# folder: the API library and the command-line host (bin/), the import
# libraries for MinGW (libOVK47MXV_API.dll.a) and for Microsoft's linker
# (OVK47MXV_API.lib, made by llvm-dlltool) with the export list they are made
# from (lib/), and the simulated driver library (simulator/).
#
# The export list names the file hosts load, OVK47MXV_API.dll. On 32-bit it
# keeps the __stdcall decorations (Open@4): the .lib then defines the names
# Microsoft's compiler refers to (__imp__Open@4) and imports each function by
# its plain name (Open), as the library exports it.
# Usage: stage-sdk.sh 32|64 BUILD_FOLDER LLVM_DLLTOOL OUTPUT_FOLDER
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
bits=$1 build=$2 dlltool=$3 out=$4
case $bits in
    32) machine=i386 kill_at=-k ;;
    64) machine=i386:x86-64 kill_at="" ;;
    *) echo "stage-sdk.sh: word size must be 32 or 64, not '$bits'" >&2; exit 2 ;;
esac

rm -rf "$out"
mkdir -p "$out/bin" "$out/lib" "$out/simulator"
cp "$build/bin/OVK47MXV_API.dll" "$build/bin/k47mxv.exe" "$out/bin/"
cp "$build/lib/libOVK47MXV_API.dll.a" "$out/lib/"
cp "$build/bin/OVK47MXVusb.dll" "$out/simulator/"

def=$out/lib/OVK47MXV_API.def
{
    echo "; Exports of OVK47MXV_API.dll ($bits-bit), by plain name."
    [ "$bits" = 32 ] && echo "; The @n suffixes are the argument bytes of the __stdcall names."
    echo 'LIBRARY "OVK47MXV_API.dll"'
    sed -n "/^EXPORTS/,\$p" "$top/api/OVK47MXV_API.def" | if [ "$bits" = 64 ]; then sed 's/@[0-9]*//'; else cat; fi
} > "$def"
"$dlltool" -m "$machine" -d "$def" -D OVK47MXV_API.dll -l "$out/lib/OVK47MXV_API.lib" $kill_at
