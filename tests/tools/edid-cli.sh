#!/usr/bin/env bash
# facet-sim edid from the command line: --format, unreadable files, outputs.
#   edid-cli.sh FACET_SIM
. "$(dirname "$0")/cli-lib.sh"
img=$root/examples/machine

expect "--format Json" 0 "" "$sim" edid --registry "$img" --format Json
/usr/bin/python3 -c 'import json,sys; [json.loads(l) for l in sys.stdin]' <"$work/stdout" || say "--format Json: not JSON lines"
expect "--out" 0 "" "$sim" edid --registry "$img" --out "$work/e.txt"
grep -q 'version' "$work/e.txt" || say "--out: no block decoded"
expect "a file that cannot be read" 2 "^facet-sim edid: cannot read, .*: $work/none.bin$" "$sim" edid "$work/none.bin"
expect "files and --registry" 2 "^facet-sim edid: cannot be given together: " "$sim" edid --registry "$img" "$work/x.bin"
expect "nothing to decode" 2 "^facet-sim edid: nothing to decode" "$sim" edid
expect "--out in a missing folder" 2 "cannot write, .*: $work/none/e" "$sim" edid --registry "$img" --out "$work/none/e"
expect "standard output on a full disk" 2 "cannot write the output" to_full "$sim" edid --registry "$img"
exit $fail
