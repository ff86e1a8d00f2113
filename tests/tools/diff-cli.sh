#!/usr/bin/env bash
# facet-sim diff from the command line: what is not a report, --format, outputs.
#   diff-cli.sh FACET_SIM
. "$(dirname "$0")/cli-lib.sh"
"$sim" run "$(image m)" -h --report "$work/r.json" || say "no report to read"

expect "the listing" 0 "" "$sim" diff "$work/r.json"
grep -q 'exit code 0' "$work/stdout" || say "the listing: no summary line"
expect "--format JSON: the report itself" 0 "" "$sim" diff "$work/r.json" --format JSON --out "$work/again.json"
cmp -s "$work/r.json" "$work/again.json" || say "--format json: not the report as written"

# A JSON document of the wrong shape: the parser's own words stay inside.
echo '{"exit_code": 0, "files": [{"path": 1}]}' >"$work/bad.json"
expect "a key of the wrong kind" 2 "^facet-sim diff: not a run report: .*: $work/bad.json$" "$sim" diff "$work/bad.json"
grep -q 'json\.exception\|type_error' "$work/stderr" && say "a key of the wrong kind: the library's text"
expect "no such report" 2 "^facet-sim diff: cannot read, .*: $work/none.json$" "$sim" diff "$work/none.json"
expect "standard output on a full disk" 2 "cannot write the output" to_full "$sim" diff "$work/r.json"
expect "--help to a full disk" 2 "cannot write the output" to_full "$sim" diff --help
exit $fail
