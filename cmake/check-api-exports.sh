#!/usr/bin/env bash
# Checks the API library's export table against the public header without
# running anything, so it holds where the library's word size cannot run:
#   names    - it exports exactly the header's 14 functions, by plain name;
#   library  - its export table carries the library name hosts have linked
#              against (47KMXV_API.dll);
#   cleanup  - 32-bit only: every return of each export pops the argument
#              bytes the header's __stdcall prototype passes (ret $n);
#   elf-names - the Linux library: it exports exactly the header's 14
#              functions and nothing else, under the soname libk47mxv_api.so.1;
#   imports  - a host program (given in place of the library) imports the
#              header's functions from OVK47MXV_API.dll by plain name, and
#              nothing from 47KMXV_API.dll.
# The header's side comes from an object that names every function through
# its import (__imp__Open@4: name and argument bytes); for elf-names from the
# header itself.
# Usage: check-api-exports.sh CHECK OBJDUMP NM LIBRARY|PROGRAM PROTOTYPES_OBJECT|HEADER
set -uo pipefail
check=$1 objdump=$2 nm=$3 library=$4 prototypes=$5
expected_count=14
expected_library=47KMXV_API.dll
expected_soname=libk47mxv_api.so.1
host_library=OVK47MXV_API.dll

# "name bytes" per function of the header; bytes empty on 64-bit.
header_functions() {
    "$nm" -u "$prototypes" | sed -n 's/^ *U __imp__\{0,1\}\([A-Za-z]*\)\(@\([0-9]*\)\)\{0,1\}$/\1 \3/p' | sort
}

exported_names() {
    "$objdump" -p "$library" | sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/s/^\s*\[ *[0-9]*\] //p' | sort -u
}

# Fails unless the prototypes object names exactly the expected number of
# functions (a missing or empty object would let every comparison pass).
require_header() {
    local count
    count=$(header_functions | grep -c .)
    [ "$count" -eq "$expected_count" ] && return 0
    echo "$prototypes names $count functions of the header, not $expected_count"
    return 1
}

check_names() {
    local header exported
    require_header || return 1
    header=$(header_functions | cut -d' ' -f1)
    exported=$(exported_names)
    if [ "$header" != "$exported" ]; then
        echo "exported names differ from the header's functions (< header, > library):"
        diff <(echo "$header") <(echo "$exported") | grep '^[<>]'
        return 1
    fi
    echo "$(basename "$library") exports exactly the header's $expected_count functions by plain name"
}

check_library() {
    local name
    name=$("$objdump" -p "$library" | sed -n 's/^Name\s\+[0-9a-f]\+ //p')
    if [ "$name" != "$expected_library" ]; then
        echo "the export table names the library '$name', not '$expected_library'"; return 1
    fi
    echo "the export table names the library $expected_library"
}

# Export RVA of a name, in hex.
export_rva() {
    "$objdump" -p "$library" | awk -v name="$1" '
        /^Export Address Table -- Ordinal Base/ { table = 1; next }
        table && /Export RVA/ { rva[n++] = $(NF - 2) }
        table && /^$/ { table = 0 }
        /^\[Ordinal\/Name Pointer\] Table/ { names = 1; next }
        names && /^$/ { names = 0 }
        names && $NF == name { gsub(/[][]/, " "); split($0, f, " "); print rva[f[1]]; exit }'
}

# The argument bytes each return of the function at address pops, in hex,
# one line each ("jump <target>" for a jump out of the function and its cold part,
# which leaves the cleanup unknown).
returns_of() {
    local start=$1
    "$objdump" -d --start-address="$start" --stop-address=$((start + 0x2000)) "$library" | awk '
        /^[0-9a-f]+ <[^>]*>:$/ {
            label = $2; gsub(/[<>:]/, "", label)
            if (!function_name) { function_name = label; next }
            if (label != function_name ".cold") exit
            next
        }
        /\t(repz )?ret[lw]? *$/ { print "0x0"; next }
        /\t(repz )?ret[lw]? +\$0x[0-9a-f]+ *$/ { sub(/.*\$/, ""); print; next }
        /\tjmp +[0-9a-f]+ </ {
            target = $0; sub(/.*</, "", target); sub(/>.*/, "", target); sub(/\+0x[0-9a-f]+$/, "", target)
            if (target != function_name && target != function_name ".cold") print "jump " target
        }'
}

check_cleanup() {
    local base name bytes rva returns status=0
    require_header || return 1
    base=$("$objdump" -p "$library" | awk '$1 == "ImageBase" { print "0x" $2 }')
    while read -r name bytes; do
        if [ -z "$bytes" ]; then
            echo "$name: the header's prototype is not __stdcall (no argument bytes in its name)"; status=1; continue
        fi
        rva=$(export_rva "$name")
        [ -n "$rva" ] || { echo "$name: not exported"; status=1; continue; }
        returns=$(returns_of $((base + 0x$rva)) | while read -r pops; do
                      [[ $pops == 0x* ]] && echo $((pops)) || echo "$pops"; done | sort -u)
        if [ "$returns" != "$bytes" ]; then
            echo "$name: the header's prototype passes $bytes bytes; its returns pop:" $returns
            status=1
        fi
    done < <(header_functions)
    [ $status -eq 0 ] && echo "every export pops the argument bytes its header prototype passes"
    return $status
}

# The Linux library's dynamic symbols against the functions the header declares.
check_elf_names() {
    local header exported soname
    header=$(sed -n 's/^OVK47MXV_EXPORT .* OVK47MXV_CALL \([A-Za-z]*\)(.*/\1/p' "$prototypes" | sort)
    if [ "$(echo "$header" | grep -c .)" -ne "$expected_count" ]; then
        echo "$prototypes declares $(echo "$header" | grep -c .) functions, not $expected_count"; return 1
    fi
    exported=$("$nm" -D --defined-only "$library" | awk '{ print $NF }' | sort -u)
    if [ "$header" != "$exported" ]; then
        echo "exported names differ from the header's functions (< header, > library):"
        diff <(echo "$header") <(echo "$exported") | grep '^[<>]'
        return 1
    fi
    soname=$("$objdump" -p "$library" | awk '$1 == "SONAME" { print $2 }')
    if [ "$soname" != "$expected_soname" ]; then
        echo "the library's soname is '$soname', not '$expected_soname'"; return 1
    fi
    echo "$(basename "$library") ($soname) exports exactly the header's $expected_count functions"
}

# The names a program imports from one DLL, in its import table.
imported_names() {
    "$objdump" -p "$library" | awk -v dll="$1" '
        /^\tDLL Name: / { current = $3; next }
        /^$/ { current = "" }
        current == dll && /^\t[0-9a-f]+[ \t]+[0-9]+[ \t]+[^ \t]+$/ { print $NF }' | sort -u
}

check_imports() {
    local imported unknown
    require_header || return 1
    if [ -n "$(imported_names "$expected_library")" ]; then
        echo "$(basename "$library") imports from $expected_library, which hosts do not load"; return 1
    fi
    imported=$(imported_names "$host_library")
    [ -n "$imported" ] || { echo "$(basename "$library") imports nothing from $host_library"; return 1; }
    unknown=$(comm -23 <(echo "$imported") <(header_functions | cut -d' ' -f1))
    if [ -n "$unknown" ]; then
        echo "$(basename "$library") imports from $host_library names the header does not declare:" $unknown
        return 1
    fi
    echo "$(basename "$library") imports" $imported "from $host_library by plain name"
}

case $check in
    names) check_names ;;
    elf-names) check_elf_names ;;
    library) check_library ;;
    cleanup) check_cleanup ;;
    imports) check_imports ;;
    *) echo "unknown check '$check'"; exit 2 ;;
esac
