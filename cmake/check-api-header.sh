#!/usr/bin/env bash
# Checks that the API's public header compiles in every C and C++ dialect a
# host may use, with the preset's own compilers (so in its word size and for
# its system: the mingw-w64 cross compilers, or gcc and clang on Linux): a
# one-line translation unit that includes the header is checked with
# -fsyntax-only, every warning an error. Where the target is not Windows,
# each dialect is checked a second time as the library itself sees the
# header (OVK47MXV_BUILDING: the exports' visibility attribute). C99 and later and C++11 and later
# are held to -pedantic-errors; gnu89 and C++98 too, except for long long,
# the 64-bit frequencies the exports pass, which those dialects know only as
# an extension.
# Usage: check-api-header.sh CC CXX INCLUDE_DIR
set -uo pipefail
cc=$1 cxx=$2 include=$3
strict=(-Wall -Wextra -Werror -pedantic-errors)
long_long_extension=(-Wno-long-long)

# compile COMPILER LANGUAGE STANDARD [flags...]: prints the dialect and any diagnostics.
compile() {
    local compiler=$1 language=$2 standard=$3 output
    shift 3
    if output=$(echo '#include "OVK47MXV_API.h"' |
                "$compiler" -x "$language" -std="$standard" -fsyntax-only "${strict[@]}" "$@" -I "$include" - 2>&1); then
        echo "$standard: ok"
        return 0
    fi
    echo "$standard: the header does not compile"
    echo "$output"
    return 1
}

# every_dialect [flags...]: the header in each dialect, with the flags added.
every_dialect() {
    local status=0 standard
    compile "$cc" c gnu89 "${long_long_extension[@]}" "$@" || status=1
    for standard in c99 c11 c17; do
        compile "$cc" c $standard "$@" || status=1
    done
    compile "$cxx" c++ c++98 "${long_long_extension[@]}" "$@" || status=1
    for standard in c++11 c++14 c++17 c++20; do
        compile "$cxx" c++ $standard "$@" || status=1
    done
    return $status
}

status=0
every_dialect || status=1
if ! echo '_WIN32' | "$cc" -E -P -x c - | grep -qx 1; then
    echo "as the library sees it (OVK47MXV_BUILDING):"
    every_dialect -DOVK47MXV_BUILDING || status=1
fi
exit $status
