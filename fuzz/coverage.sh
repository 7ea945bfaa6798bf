#!/usr/bin/env bash
# Coverage of the functions each fuzz target aims at, reached by the
# committed corpus and the replayed inputs: builds the targets with clang's
# source-based coverage (build/fuzz-cov-NN), runs each over its inputs once,
# and prints llvm-cov's function table (regions, lines, branches).
#
#   bash fuzz/coverage.sh                 every target
#   bash fuzz/coverage.sh response        one target
#   CORPUS=build/fuzz-64/long/corpus bash fuzz/coverage.sh
#                                         also the inputs of a long run
#
# Needs llvm-14 (llvm-profdata-14, llvm-cov-14) besides the fuzz packages.
set -uo pipefail
cd "$(dirname "$0")/.."

# Target | the product files it aims at | its functions (an extended regex).
aims=(
  "response|updnotify/HttpClient.cpp updnotify/VersionQuery.cpp common/Text.cpp|CHttpClient::|QueryVersion|BuildVersionQueryForm|AppendText[(]|FormatDecimal"
  "status_value|updnotify/VersionQuery.cpp common/Text.cpp|ReadUpdateStatus|ScanDecimal"
  "notifier_cmdline|updnotify/CommandLine.cpp common/Text.cpp|ApplyCommandLine|FindOption|ToUpper|ScanDecimal"
  "panel_cmdline|modpanel/Startup.cpp common/Text.cpp|ParseCommandLine|NameMatches|ScanDecimal"
  "update_address|updnotify/UpdateAddress.cpp updnotify/ProductSchedule.cpp updnotify/UpdateOffer.cpp catalogue/CatalogueText.cpp common/Text.cpp|IsOpenableUpdateUrl|StartsWithNoCase|FormatProductKey|FormatDisplayName|FormatShortVersion|CopyTextCut|AppendTextCut"
  "string_map|framework/CString.cpp framework/StringMap.cpp|CString::|CMapStringToString::"
)

source fuzz/settings.sh
build=build/fuzz-cov-$bits
cmake -S fuzz -B "$build" -DFUZZ_M32=$m32 -DFUZZ_COVERAGE=ON >/dev/null &&
    cmake --build "$build" -j 2 >/dev/null || { echo "coverage: build failed"; exit 1; }
rm -rf "$build/profiles"
mkdir -p "$build/profiles"

for aim in "${aims[@]}"; do
    IFS='|' read -r name files functions <<<"$aim"
    if [ $# -gt 0 ] && [[ " $* " != *" $name "* ]]; then
        continue
    fi
    inputs=()
    for d in "fuzz/corpus/$name" "fuzz/regressions/$name" ${CORPUS:+"$CORPUS/$name"}; do
        [ -d "$d" ] && [ -n "$(ls -A "$d")" ] && inputs+=("$d")
    done
    LLVM_PROFILE_FILE="$build/profiles/$name.profraw" \
        "$build/fuzz_$name" -runs=0 "${inputs[@]}" >"$build/profiles/$name.log" 2>&1
    llvm-profdata-14 merge -sparse "$build/profiles/$name.profraw" -o "$build/profiles/$name.profdata"
    count=$(grep -aoE 'INITED.*|Loaded [0-9]+ files' "$build/profiles/$name.log" | head -n 1)
    echo "== $name ($count)"
    sources=()
    for f in $files; do sources+=("$PWD/$f"); done
    llvm-cov-14 report -show-functions -instr-profile="$build/profiles/$name.profdata" \
        "$build/fuzz_$name" "${sources[@]}" |
        sed -E 's/^([A-Za-z]+\.cpp):/\1: /' | c++filt | sed -E 's/\(anonymous namespace\):://' |
        awk -v re="$functions" '
            function row(name) {
                printf "%-58.58s %7s %7s  %7s %7s  %7s %7s\n", name, $(NF-8), $(NF-6), $(NF-5), $(NF-3), $(NF-2), $NF
            }
            /^Name/ { if (!shown++) printf "%-58s %15s  %15s  %15s\n", "function", "regions", "lines", "branches"; next }
            /^TOTAL/ { row("(all of the file)"); next }
            { name = $0; sub(/ +[0-9]+ +[0-9]+ +[0-9.]+%.*$/, "", name); if (name ~ re) row(name) }'
done
