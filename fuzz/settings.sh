# What the fuzz scripts share; sourced by run.sh, long.sh and coverage.sh
# from the top of the repository.

# Target, and the largest input it takes.
all_targets=(response:8192 status_value:256 notifier_cmdline:512 panel_cmdline:512
             update_address:1024 string_map:2048 proxy_settings:1024)

# 32-bit programs (long is 32 bits, as on Windows) where this host runs
# 32-bit code, else 64-bit.
if /lib/ld-linux.so.2 --version >/dev/null 2>&1; then
    bits=32; m32=ON
else
    bits=64; m32=OFF
fi

symbolizer=/usr/lib/llvm-14/bin/llvm-symbolizer
[ -x "$symbolizer" ] && export ASAN_SYMBOLIZER_PATH=$symbolizer UBSAN_SYMBOLIZER_PATH=$symbolizer

# The targets that the command line names (all when it names none), as
# entries of all_targets: select_targets "$@".
select_targets() {
    selected=()
    local entry
    for entry in "${all_targets[@]}"; do
        if [ $# -eq 0 ] || [[ " $* " == *" ${entry%%:*} "* ]]; then
            selected+=("$entry")
        fi
    done
}
