#!/usr/bin/env bash
# facet-sim matrix from the command line: values in any case, refused values, outputs.
#   matrix-cli.sh FACET_SIM
. "$(dirname "$0")/cli-lib.sh"
# One model of the sample line keeps each run short.
grep -v '^ *#' "$root/examples/models.txt" | grep -m 1 . >"$work/models.txt"
m=(--image "$root/examples/machine" --models "$work/models.txt")

"$sim" matrix "${m[@]}" --languages all --out "$work/lower.csv"
expect "values in capitals" $? "" "$sim" matrix "${m[@]}" --languages ALL --screens Wide,NORMAL --format CSV \
    --out "$work/caps.csv"
cmp -s "$work/lower.csv" "$work/caps.csv" || say "values in capitals: another matrix"
expect "--screens tall" 2 "^facet-sim matrix: --screens holds a word that is not wide or normal: tall$" \
    "$sim" matrix "${m[@]}" --screens wide,tall
expect "--format pdf" 2 "^facet-sim matrix: --format is not csv, json or html: pdf$" "$sim" matrix "${m[@]}" --format pdf
expect "--out in a missing folder" 2 "cannot write, .*: $work/none/m.csv" "$sim" matrix "${m[@]}" --out "$work/none/m.csv"
expect "standard output on a full disk" 2 "cannot write the output" to_full "$sim" matrix "${m[@]}"
exit $fail
