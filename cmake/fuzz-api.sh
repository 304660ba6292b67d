#!/usr/bin/env bash
# Runs the API's fuzz target.
#   fuzz-api.sh FUZZER SEEDS WORK 0        replays every input of the seed
#                                          corpus SEEDS once (the regression run)
#   fuzz-api.sh FUZZER SEEDS WORK SECONDS  fuzzes for SECONDS, starting from
#                                          the corpus grown in WORK/corpus and SEEDS
# Fails on any finding (crash, sanitizer report, broken check, hang, leak);
# the input that found it is left in WORK/findings, to be added to SEEDS as
# a regression case once the fault is mended.
set -uo pipefail
fuzzer=$1 seeds=$2 work=$3 seconds=$4

if [ "$seconds" -eq 0 ]; then
    exec "$fuzzer" "$seeds"/*
fi

mkdir -p "$work/corpus" "$work/findings"
# The grown corpus, not the repository's, receives new inputs.
"$fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$work/findings/" "$work/corpus" "$seeds" 2>&1 |
    sed -e '/^#[0-9]*[[:space:]]*\(NEW\|REDUCE\|pulse\)/d' -e '/^INFO: \(Loaded\|seed corpus\)/d' \
        -e '/^###### Recommended dictionary/,/^###### End of recommended dictionary/d'
status=${PIPESTATUS[0]}
if [ "$status" -ne 0 ]; then
    echo "fuzz-api: finding in $work/findings:" >&2
    ls -1 "$work/findings" >&2
fi
exit "$status"
