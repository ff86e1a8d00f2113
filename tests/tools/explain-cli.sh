#!/usr/bin/env bash
# facet-sim explain from the command line: engine arguments, --format, --ini, outputs.
#   explain-cli.sh FACET_SIM
. "$(dirname "$0")/cli-lib.sh"
img=$(image m)
before=$(fingerprint "$img")

# -h is the engine's: the explanation, not the help.
"$sim" explain "$img" -h --format json --out "$work/h.json"
[ $? -le 1 ] && /usr/bin/python3 -c 'import json,sys; json.load(open(sys.argv[1]))' "$work/h.json" ||
    say "explain -h: no explanation"
expect "a mistyped option" 2 "explain: .*: --fromat$" "$sim" explain "$img" --fromat json
"$sim" explain "$img" --format json --out "$work/lower.json"
expect "--format in capitals" $? "" "$sim" explain "$img" --format JSON --out "$work/caps.json"
cmp -s "$work/lower.json" "$work/caps.json" || say "--format JSON: not the json form"
expect "--format xml" 2 "^facet-sim explain: --format is not text or json: xml$" "$sim" explain "$img" --format xml
expect "--ini that does not exist" 2 "^facet-sim explain: cannot read, .*: $work/none.ini$" \
    "$sim" explain "$img" --ini "$work/none.ini"
expect "--out in a missing folder" 2 "cannot write, .*: $work/none/x" "$sim" explain "$img" --out "$work/none/x"
expect "standard output on a full disk" 2 "cannot write the output" to_full "$sim" explain "$img"
[ "$before" = "$(fingerprint "$img")" ] || say "explain changed the image"
exit $fail
