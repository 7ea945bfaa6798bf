#!/usr/bin/env bash
# Fuzzes longer by hand, then merges what was found into the committed
# corpus, minimised (only inputs that add coverage stay).
#
#   bash fuzz/long.sh                     every target 10 minutes, two at a time
#   bash fuzz/long.sh 300 response        one target, 5 minutes
#   MERGE=0 bash fuzz/long.sh 60          fuzz only; leave fuzz/corpus alone
#
# A finding stops that target; its input is left as
# build/fuzz-NN/long/NAME-crash-* and printed in hex. Once the fault is
# mended, copy the input into fuzz/regressions/NAME/ so that every test run
# replays it first. Prints runs and runs per second for each target.
set -uo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-600}
shift || true
source fuzz/settings.sh
build=build/fuzz-$bits
work=$build/long

cmake -S fuzz -B "$build" -DFUZZ_M32=$m32 -DFUZZ_COVERAGE=OFF >/dev/null &&
    cmake --build "$build" -j 2 >/dev/null || { echo "long: build failed"; exit 1; }
mkdir -p "$work"

select_targets "$@"

one() {   # one NAME MAXLEN
    local name=$1 max_len=$2 exe=$build/fuzz_$1
    local args=(-max_len="$max_len" -timeout=25 -rss_limit_mb=1536 -print_final_stats=1)
    [ -f "fuzz/dict/$name.dict" ] && args+=(-dict="fuzz/dict/$name.dict")
    mkdir -p "$work/corpus/$name"
    "$exe" "${args[@]}" -max_total_time="$seconds" -artifact_prefix="$work/$name-" \
        "$work/corpus/$name" "fuzz/corpus/$name" >"$work/$name.log" 2>&1
    echo $? >"$work/$name.status"
}

for ((i = 0; i < ${#selected[@]}; i += 2)); do
    for entry in "${selected[@]:i:2}"; do
        one "${entry%%:*}" "${entry##*:}" &
    done
    wait
done

status=0
for entry in "${selected[@]}"; do
    name=${entry%%:*}
    log=$work/$name.log
    runs=$(grep -a 'stat::number_of_executed_units' "$log" | awk '{print $2}')
    speed=$(grep -a 'stat::average_exec_per_sec' "$log" | awk '{print $2}')
    cov=$(grep -aE '^#[0-9]+' "$log" | tail -n 1 | grep -oE 'cov: [0-9]+ ft: [0-9]+')
    echo "long: $name: ${runs:-?} runs in ${seconds} s, ${speed:-?}/s, $cov"
    if [ "$(cat "$work/$name.status")" != 0 ]; then
        status=1
        artifact=$(ls -t "$work/$name"-* 2>/dev/null | grep -v '\.log$' | head -n 1)
        echo "long: $name: FINDING, input $artifact:"
        [ -n "$artifact" ] && od -An -v -tx1 "$artifact" | head -n 32
        grep -anE '^(==[0-9]+==|SUMMARY|.*runtime error)' "$log" | head -n 5
    elif [ "${MERGE:-1}" = 1 ]; then
        merged=$(mktemp -d)
        "$build/fuzz_$name" -merge=1 -max_len="${entry##*:}" "$merged" \
            "fuzz/corpus/$name" "$work/corpus/$name" >"$work/$name.merge.log" 2>&1 &&
            rm -rf "fuzz/corpus/$name" && mv "$merged" "fuzz/corpus/$name" &&
            chmod 755 "fuzz/corpus/$name" &&
            echo "long: $name: corpus now $(ls "fuzz/corpus/$name" | wc -l) inputs"
    fi
done
exit $status
