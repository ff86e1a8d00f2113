#!/usr/bin/env bash
# facet-sim run from the command line: which words are the engine's, and a report that
# cannot be written refused before the image is touched.
#   run-cli.sh FACET_SIM
. "$(dirname "$0")/cli-lib.sh"

img=$(image typo)
before=$(fingerprint "$img")
expect "a mistyped option" 2 "run: .*: --reprot$" "$sim" run "$img" -h --reprot "$work/r.json"
[ "$before" = "$(fingerprint "$img")" ] || say "a mistyped option: the image changed"
[ ! -e "$work/r.json" ] || say "a mistyped option: a report was written"

img=$(image report)
before=$(fingerprint "$img")
expect "--report in a missing folder" 2 "run: cannot write, .*: $work/none/r.json" \
    "$sim" run "$img" -h --report "$work/none/r.json"
[ "$before" = "$(fingerprint "$img")" ] || say "--report in a missing folder: the image changed"

# After --, a word that starts with -- is the engine's (which ignores it).
expect "an engine argument after --" 0 "" "$sim" run "$(image dashes)" -h -- --not-ours

# -h is the engine's start-page switch, not help: the run happens and the report says so.
expect "-h with a report" 0 "" "$sim" run "$(image h)" -h --report "$work/h.json"
grep -q '"exit_code": 0' "$work/h.json" || say "-h with a report: no report of the run"

expect "no machine folder" 2 "^facet-sim run: missing: MACHINE_DIR$" "$sim" run
expect "no such command" 2 "^facet-sim: no such command: walk$" "$sim" walk
expect "--help to a full disk" 2 "cannot write the output" to_full "$sim" run --help
expect "--version to a full disk" 2 "cannot write the output" to_full "$sim" --version
expect "--help" 0 "" "$sim" run --help
exit $fail
