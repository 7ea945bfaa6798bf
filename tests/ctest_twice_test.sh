#!/bin/sh
# tests/harness/ctest-twice.sh on a tree of made-up tests: some pass, some fail on
# their first run only, one may fail on both.
# Usage: ctest_twice_test.sh CTEST-TWICE WORK-DIR
set -u
script=$1 work=$2
rm -rf "$work"
mkdir -p "$work/src"
cat >"$work/src/CMakeLists.txt" <<'CMAKE'
cmake_minimum_required(VERSION 3.16)
project(made_up NONE)
enable_testing()
add_test(NAME steady COMMAND true)
# Fails the first time it runs in a tree, then passes.
if(FLAKY GREATER 0)
  foreach(i RANGE 1 ${FLAKY})
    add_test(NAME flaky_${i} COMMAND sh -c "[ -f flaky_${i}.ran ] || { : >flaky_${i}.ran; exit 1; }")
  endforeach()
endif()
if(BROKEN)
  add_test(NAME broken COMMAND false)
endif()
CMAKE
failures=0
# case FLAKY BROKEN WANTED-STATUS WANTED-REPORT
case_() {
    tree=$work/flaky$1-broken$2
    cmake -S "$work/src" -B "$tree" -DFLAKY="$1" -DBROKEN="$2" >/dev/null || exit 1
    bash "$script" "$tree" "$tree/report" -- -j2 >"$tree/out" 2>&1
    status=$?
    report=$(tr '\n' ' ' <"$tree/report")
    if [ "$status" != "$3" ] || [ "$report" != "$4" ]; then
        echo "FAIL $1 flaky, broken=$2: status $status (wanted $3), report '$report' (wanted '$4')"
        cat "$tree/out"
        failures=$((failures + 1))
    fi
}
case_ 1 0 0 "flaky_1 "
case_ 2 1 1 "flaky_1 flaky_2 "
case_ 3 0 1 "flaky_1 flaky_2 flaky_3 "
# No test fails: no second run, nothing named.
case_ 0 0 0 ""
[ $failures -eq 0 ]
