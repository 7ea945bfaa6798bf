#!/usr/bin/env bash
# The fuzz stage of the test command: builds the fuzz programs (fuzz/
# CMakeLists.txt), replays every input that once failed (fuzz/regressions/),
# then fuzzes each target for a short fixed time, two at a time, starting
# from the committed corpus (fuzz/corpus/, which this stage does not change).
# A finding prints the input in hex and the report with its stack, and fails.
#
#   bash fuzz/run.sh                  all targets, 30 s each
#   FUZZ_SECONDS=5 bash fuzz/run.sh   shorter
#   bash fuzz/run.sh response         one target
#
# Programs are 32-bit (-m32: long is 32 bits, as on Windows) where this host
# runs 32-bit code, else 64-bit. Needs clang-14, libclang-rt-14-dev,
# libwine-dev and g++-multilib (tools/setup.sh installs them).
# Last line: "fuzz: N passed, N failed" (one count per target); exit status
# non-zero when anything failed.
set -uo pipefail
cd "$(dirname "$0")/.."

seconds=${FUZZ_SECONDS:-30}
source fuzz/settings.sh
build=build/fuzz-$bits
work=$build/work
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

select_targets "$@"

echo "fuzz: building ${bits}-bit programs in $build"
mkdir -p build
if ! { cmake -S fuzz -B "$build" -DFUZZ_M32=$m32 -DFUZZ_COVERAGE=OFF >"$build.configure.log" 2>&1 ||
       { cat "$build.configure.log"; false; }; } ||
   ! cmake --build "$build" -j 2 >"$build.build.log" 2>&1; then
    [ -f "$build.build.log" ] && tail -n 40 "$build.build.log"
    echo "fuzz: the fuzz programs did not build"
    echo "fuzz: 0 passed, ${#selected[@]} failed"
    exit 1
fi
rm -rf "$work"
mkdir -p "$work"

# The failing input in hex and the sanitizer's or libFuzzer's report.
show_finding() {   # show_finding NAME LOG INPUT
    local name=$1 log=$2 input=$3
    echo "---- fuzz: $name: finding"
    if [ -n "$input" ] && [ -f "$input" ]; then
        echo "input ($(stat -c %s "$input") bytes, $input):"
        od -An -v -tx1 "$input" | head -n 64
    fi
    echo "report:"
    # What follows libFuzzer's last progress line: the target's own message,
    # the sanitizer's report with the stack, libFuzzer's summary.
    local from
    from=$(grep -anE '^(#[0-9]+|Running: |INFO: )' "$log" | tail -n 1 | cut -d: -f1)
    tail -n +$((${from:-0} + 1)) "$log" | head -n 150
    echo "----"
}

# Replays the inputs that once failed, then fuzzes. Writes NAME.result.
run_target() {   # run_target NAME MAXLEN
    local name=$1 max_len=$2
    local exe=$build/fuzz_$name log=$work/$name.log
    local dict=fuzz/dict/$name.dict corpus=fuzz/corpus/$name
    local args=(-max_len="$max_len" -timeout=25 -rss_limit_mb=1536 -print_final_stats=1)
    [ -f "$dict" ] && args+=(-dict="$dict")
    mkdir -p "$work/corpus/$name"

    local replay=(fuzz/regressions/"$name"/*)
    if [ -e "${replay[0]}" ]; then
        if ! "$exe" -runs=1 "${args[@]}" "${replay[@]}" >"$work/$name.replay.log" 2>&1; then
            local last
            last=$(grep -a '^Running: ' "$work/$name.replay.log" | tail -n 1 | cut -d' ' -f2-)
            { echo "fuzz: $name: an input that once failed fails again"
              show_finding "$name" "$work/$name.replay.log" "$last"; } >"$work/$name.report"
            echo fail >"$work/$name.result"
            return
        fi
    fi

    local seeds=()
    [ -d "$corpus" ] && seeds=("$corpus")
    if "$exe" "${args[@]}" -max_total_time="$seconds" -artifact_prefix="$work/$name-" \
            "$work/corpus/$name" "${seeds[@]}" >"$log" 2>&1; then
        echo pass >"$work/$name.result"
    else
        local artifact
        artifact=$(ls -t "$work/$name"-* 2>/dev/null | head -n 1)
        show_finding "$name" "$log" "$artifact" >"$work/$name.report"
        echo fail >"$work/$name.result"
    fi
}

summary() {   # summary NAME: runs, speed and corpus from libFuzzer's final stats
    local log=$work/$1.log runs speed
    runs=$(grep -a 'stat::number_of_executed_units' "$log" 2>/dev/null | awk '{print $2}')
    speed=$(grep -a 'stat::average_exec_per_sec' "$log" 2>/dev/null | awk '{print $2}')
    echo "${runs:-?} runs, ${speed:-?}/s, corpus $(ls "$work/corpus/$1" 2>/dev/null | wc -l) new + $(ls "fuzz/corpus/$1" 2>/dev/null | wc -l) committed"
}

passed=0
failed=0
start=$SECONDS
for ((i = 0; i < ${#selected[@]}; i += 2)); do
    pair=("${selected[@]:i:2}")
    for entry in "${pair[@]}"; do
        run_target "${entry%%:*}" "${entry##*:}" &
    done
    wait
    for entry in "${pair[@]}"; do
        name=${entry%%:*}
        if [ "$(cat "$work/$name.result" 2>/dev/null)" = pass ]; then
            passed=$((passed + 1))
            echo "fuzz: $name passed: $(summary "$name")"
        else
            failed=$((failed + 1))
            echo "fuzz: $name FAILED: $(summary "$name")"
            cat "$work/$name.report" 2>/dev/null
        fi
    done
done
echo "fuzz: stage took $((SECONDS - start)) s after the build (${seconds} s per target)"
echo "fuzz: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
