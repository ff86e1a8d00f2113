#!/usr/bin/env bash
# A longer fuzzing run: builds the fuzz preset and runs every fuzz target for SECONDS
# seconds each, one after the other, then prints one line per target with the inputs it
# ran and the coverage it reached (cov: edges, ft: features).
#
#   scripts/fuzz.sh SECONDS [TARGET...]
#
# New inputs go into build/fuzz/tests/fuzz/corpus/TARGET (the committed corpus under
# tests/fuzz/corpus only seeds), so a later run goes on from where this one ended.
# Crashing inputs are kept as build/fuzz/crash-*. Exit code 1 when a target failed.
set -u
cd "$(dirname "$0")/.."
seconds=${1:?usage: scripts/fuzz.sh SECONDS [TARGET...]}
shift
case $seconds in '' | *[!0-9]*) echo "scripts/fuzz.sh: SECONDS must be a number" >&2; exit 2 ;; esac

cmake --preset fuzz >/dev/null && cmake --build --preset fuzz >/dev/null || exit 1
if [ $# -eq 0 ]; then
    set -- $(sed -n 's/^facet_fuzz_target(\([a-z_]*\) .*/\1/p' tests/fuzz/CMakeLists.txt)
fi

out=build/fuzz
summary=()
status=0
for target in "$@"; do
    mkdir -p "$out/tests/fuzz/corpus/$target"
    log="$out/fuzz-$target.log"
    echo "=== $target: $seconds s"
    (cd "$out" && "tests/fuzz/$target" -max_total_time="$seconds" -max_len=4096 -print_final_stats=1 \
        "tests/fuzz/corpus/$target" "../../tests/fuzz/corpus/$target") >"$log" 2>&1
    code=$?
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    last=$(grep -E '^#[0-9]+' "$log" | tail -1)
    cov=$(sed -n 's/.* cov: \([0-9]*\).*/\1/p' <<<"$last")
    ft=$(sed -n 's/.* ft: \([0-9]*\).*/\1/p' <<<"$last")
    result=ok
    if [ $code -ne 0 ]; then
        result="FAILED (exit $code, see $log)"
        status=1
    fi
    summary+=("$(printf '%-24s runs %12s  cov %6s  ft %6s  %s' "$target" "${runs:-?}" "${cov:-?}" "${ft:-?}" "$result")")
done

echo
printf '%s\n' "${summary[@]}"
exit $status
