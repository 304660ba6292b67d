#!/usr/bin/env bash
# Runs every test of both Windows presets that this machine can run and of
# the native Linux presets: prepares the private prefix, starts a virtual X
# display and one persistent wineserver for the whole run, then runs CTest
# over build/win32, build/win64, build/linux, build/linux-asan (the native
# suites under AddressSanitizer + UndefinedBehaviorSanitizer, the API's fuzz
# corpus replayed and a fuzzing run of K47_FUZZ_SECONDS, 60 by default) and
# build/linux-tsan (the thread tests under ThreadSanitizer) and ends with its
# summary. Where 32-bit programs cannot run, the win32 test programs are
# built but not registered, and only the win32 checks that read the built
# files run; the session says so before CTest starts and after its summary.
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
top=$k47_top
export WINEPREFIX="$top/build/wineprefix"
presets=(win32 win64)
native_presets=(linux linux-asan linux-tsan)

# A value of a preset's test plan (written when the preset is configured).
plan_value() {
    sed -n "s/^$2=//p" "$top/build/$1/k47-tests.txt" 2>/dev/null
}

# The win32 preset registers its programs' tests by the machine's answer at
# configure time; configure again when the answer has changed since.
k47_probe_32bit
if [ -f "$top/build/win32/k47-tests.txt" ] && [ "$(plan_value win32 runs)" != "$k47_runs_32bit" ]; then
    echo "Configuring win32 again: 32-bit programs now $( [ "$k47_runs_32bit" = yes ] && echo run || echo do not run) ($k47_32bit_reason)"
    cmake --preset win32 >/dev/null || exit 1
fi

say_plan() {
    local preset suites checks
    for preset in "${presets[@]}"; do
        [ -f "$top/build/$preset/k47-tests.txt" ] || { echo "$preset: not built"; continue; }
        suites=$(plan_value "$preset" suites)
        checks=$(plan_value "$preset" static)
        if [ "$(plan_value "$preset" runs)" = yes ]; then
            echo "$preset: $suites test suites run under Wine; $preset static checks: $checks run"
        else
            echo "$preset: $suites test suites built, not run ($(plan_value "$preset" reason)); $preset static checks: $checks run"
        fi
    done
}

say_native_plan() {
    local preset
    for preset in "${native_presets[@]}"; do
        [ -f "$top/build/$preset/k47-tests.txt" ] || { echo "$preset: not built"; continue; }
        echo "$preset: $(plan_value "$preset" suites) test suites run natively; $preset static checks: $(plan_value "$preset" static) run"
    done
}

say_plan
say_native_plan
"$top/cmake/wine-prefix.sh" || exit 1

k47_start_wine_session

# One CTest run over every preset built, so the summary counts every test.
built=()
for preset in "${presets[@]}" "${native_presets[@]}"; do
    [ -f "$top/build/$preset/CTestTestfile.cmake" ] && built+=("\"$preset\"")
done
printf 'subdirs(%s)\n' "${built[*]}" > "$top/build/CTestTestfile.cmake"
ctest --test-dir "$top/build" --output-on-failure --timeout 300 "$@"
status=$?
say_plan
say_native_plan
exit $status
