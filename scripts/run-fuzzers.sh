#!/usr/bin/env bash
# Runs every fuzz target for a set time, starting from the seed corpus kept in
# the repository (and its dictionary, tests/fuzz/NAME.dict, when there is
# one); new inputs go to a scratch copy, findings to build-fuzz/.
set -euo pipefail
seconds=${1:-60}
cd "$(dirname "$0")/.."
status=0
for target in build-fuzz/fuzz_*; do
    [ -f "$target" ] && [ -x "$target" ] || continue
    name=$(basename "$target")
    corpus_name=${name#fuzz_}
    work=build-fuzz/corpus/$corpus_name
    mkdir -p "$work" build-fuzz/findings build-fuzz/logs
    cp -n tests/fuzz/corpus/"$corpus_name"/* "$work"/ 2>/dev/null || true
    dictionary=()
    if [ -f tests/fuzz/"$corpus_name".dict ]; then
        dictionary=(-dict=tests/fuzz/"$corpus_name".dict)
    fi
    echo "== $name for ${seconds}s"
    if ! "$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 "${dictionary[@]}" \
        -artifact_prefix=build-fuzz/findings/"$name"- "$work" 2>build-fuzz/logs/"$name".log; then
        echo "$name found a fault; see build-fuzz/logs/$name.log and build-fuzz/findings/"
        tail -n 40 build-fuzz/logs/"$name".log
        status=1
    else
        grep -E '^stat::number_of_executed_units' build-fuzz/logs/"$name".log || true
    fi
done
exit $status
