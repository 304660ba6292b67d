#!/usr/bin/env bash
# Checks the SDK zip without running anything:
#   contents - it holds, under K47MXV-SDK-<version>/, the list below for both
#              word sizes (each library of the word size its folder names),
#              the examples and the Python package with the SDK's version,
#              and nothing else; no simulated driver library stands beside an
#              API library;
#   implib   - the import library for Microsoft's linker of one word size
#              names OVK47MXV_API.dll and the header's 14 functions (32-bit:
#              __stdcall names imported by their plain name); a host compiled
#              for Microsoft's C runtime from the header links with lld-link
#              against it and imports exactly the header's functions from
#              OVK47MXV_API.dll by plain name.
# Usage: check-sdk.sh contents ZIP VERSION
#        check-sdk.sh implib ZIP 32|64 OBJDUMP NM PROTOTYPES_SOURCE
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$here/wine-env.sh"
check=$1 zip=$2
[ -f "$zip" ] || { echo "$zip is missing (make dist)"; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
expected_count=14

# Files of each word size, below win32/ and win64/.
word_size_files=(bin/OVK47MXV_API.dll bin/k47mxv.exe lib/libOVK47MXV_API.dll.a lib/OVK47MXV_API.lib lib/OVK47MXV_API.def)
common_files=(README.md include/OVK47MXV_API.h include/OVK47MXV_Exports.h api/README.md tools/README.md
              examples/c/k47mxv_example.c python/pyproject.toml python/VERSION
              python/build_backend/k47mxv_build.py python/k47mxv/__init__.py)

check_contents() {
    local version=$1 root=K47MXV-SDK-$1 status=0 file bits folder
    local expected=("${common_files[@]}")
    for bits in 32 64; do
        for file in "${word_size_files[@]}"; do expected+=("win$bits/$file"); done
        expected+=("simulator/win$bits/OVK47MXVusb.dll" "python/k47mxv/win$bits/OVK47MXV_API.dll")
    done
    unzip -q "$zip" -d "$work" || return 1
    for file in "${expected[@]}"; do
        [ -f "$work/$root/$file" ] || { echo "missing: $root/$file"; status=1; }
    done
    # Beyond the list only the examples and the package's own sources.
    while read -r file; do
        case $file in
            examples/python/*.py | python/k47mxv/*.py | python/k47mxv/py.typed) continue ;;
        esac
        printf '%s\n' "${expected[@]}" | grep -qxF "$file" || { echo "not expected: $root/$file"; status=1; }
    done < <(cd "$work/$root" 2>/dev/null && find . -type f | sed 's|^\./||')
    for file in $(cd "$work/$root" 2>/dev/null && find . -name '*.dll' -o -name '*.exe'); do
        folder=$(dirname "$file")
        bits=$(k47_pe_bits "$work/$root/$file")
        [[ $folder == *win$bits* ]] || { echo "$file is a ${bits:-non}-PE file in a folder of the other word size"; status=1; }
        if [ "$(basename "$file")" = OVK47MXV_API.dll ] && [ -e "$work/$root/$folder/OVK47MXVusb.dll" ]; then
            echo "the simulated driver library stands beside $file"; status=1
        fi
    done
    [ "$(cat "$work/$root/python/VERSION" 2>/dev/null)" = "$version" ] || { echo "python/VERSION is not $version"; status=1; }
    [ $status -eq 0 ] && echo "$(basename "$zip") holds both word sizes' files, the header, the examples and the Python package $version"
    return $status
}

# The import members of a .lib as "dll|name type|symbol" lines, from llvm-readobj.
import_members() {
    llvm-readobj "$1" | awk '
        /^File: / { dll = $2 }
        /^Format: COFF-import-file/ { member = 1; type = ""; next }
        /^Format: / { member = 0 }
        member && /^Name type: / { type = $3 }
        member && /^Symbol: __imp_/ { print dll "|" type "|" $2 }'
}

check_implib() {
    local bits=$1 objdump=$2 nm=$3 prototypes=$4 triple name_type lib members count wrong
    case $bits in
        32) triple=i686-pc-windows-msvc name_type=undecorate ;;
        64) triple=x86_64-pc-windows-msvc name_type=name ;;
    esac
    unzip -q -j "$zip" "*/win$bits/lib/OVK47MXV_API.lib" "*/include/*.h" -d "$work" || return 1
    lib=$work/OVK47MXV_API.lib
    members=$(import_members "$lib")
    count=$(echo "$members" | grep -c .)
    [ "$count" -eq "$expected_count" ] || { echo "the .lib imports $count functions, not $expected_count:"; echo "$members"; return 1; }
    wrong=$(echo "$members" | grep -v "^OVK47MXV_API.dll|$name_type|")
    [ -z "$wrong" ] || { echo "imports not from OVK47MXV_API.dll with name type $name_type:"; echo "$wrong"; return 1; }
    # A host built as Microsoft's compiler builds it, linked as its linker links it.
    clang-14 --target="$triple" -c -I "$work" "$prototypes" -o "$work/host.obj" || return 1
    lld-link /nologo /dll /noentry /nodefaultlib /out:"$work/host.dll" "$work/host.obj" "$lib" ||
        { echo "a host does not link against win$bits/lib/OVK47MXV_API.lib"; return 1; }
    bash "$here/check-api-exports.sh" imports "$objdump" "$nm" "$work/host.dll" "$work/host.obj" || return 1
    echo "win$bits/lib/OVK47MXV_API.lib names OVK47MXV_API.dll and the header's $expected_count functions ($name_type)"
}

case $check in
    contents) check_contents "$3" ;;
    implib) check_implib "$3" "$4" "$5" "$6" ;;
    *) echo "unknown check '$check'"; exit 2 ;;
esac
