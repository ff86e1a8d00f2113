#!/usr/bin/env bash
# facet-sim lint from the outside: exit codes, the compiler form of the text lines, the
# JSON document, and a SARIF log that validates against the SARIF 2.1.0 schema.
#   check-cli.sh FACET_SIM
set -u
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
sim=$(realpath "${1:?facet-sim}")
cd "$root"
sample=examples/machine/drive_c/Facet/Facet.INI
broken=examples/broken/drive_c/Facet/Facet.INI
out=$(mktemp -d /tmp/facet-lint.XXXXXX)
trap 'rm -rf "$out"' EXIT
fail=0
expect() {  # expect WHAT WANTED_EXIT COMMAND...
    local what=$1 want=$2 got
    shift 2
    "$@" >"$out/stdout" 2>"$out/stderr"
    got=$?
    if [ "$got" -ne "$want" ]; then
        echo "FAIL $what: exit $got, expected $want" >&2
        cat "$out/stderr" >&2
        fail=1
    fi
}

expect "clean sample" 0 "$sim" lint "$sample" --image examples/machine
[ -s "$out/stdout" ] && { echo "FAIL clean sample printed findings" >&2; fail=1; }

expect "broken example, text" 1 "$sim" lint "$broken" --image examples/broken
if grep -Evq '^[^:]+:[0-9]+:[0-9]+: (error|warning|note): .+ \[[a-z-]+\]$' "$out/stdout"; then
    echo "FAIL text lines not in compiler form:" >&2
    grep -Ev '^[^:]+:[0-9]+:[0-9]+: (error|warning|note): .+ \[[a-z-]+\]$' "$out/stdout" >&2
    fail=1
fi
lines=$(wc -l <"$out/stdout")

expect "broken example, json" 1 "$sim" lint "$broken" --image examples/broken --format json
/usr/bin/python3 - "$out/stdout" "$lines" <<'PY' || fail=1
import json, sys
doc = json.load(open(sys.argv[1]))
findings = doc["findings"]
assert len(findings) == int(sys.argv[2]), "json and text disagree in number"
for f in findings:
    assert list(f) == ["file", "line", "column", "severity", "rule", "message"], f
PY

expect "broken example, sarif" 1 "$sim" lint "$broken" --image examples/broken --format sarif
/usr/bin/python3 - "$here/sarif-schema-2.1.0.json" "$out/stdout" "$lines" <<'PY' || fail=1
import copy, json, sys
import jsonschema
schema = json.load(open(sys.argv[1]))
log = json.load(open(sys.argv[2]))
validator = jsonschema.Draft7Validator(schema, format_checker=jsonschema.FormatChecker())
errors = list(validator.iter_errors(log))
for e in errors:
    print("FAIL sarif:", "/".join(map(str, e.absolute_path)), e.message, file=sys.stderr)
assert not errors
results = log["runs"][0]["results"]
rules = log["runs"][0]["tool"]["driver"]["rules"]
assert len(results) == int(sys.argv[3])
assert all(rules[r["ruleIndex"]]["id"] == r["ruleId"] for r in results)
# The schema does refuse what the standard refuses.
bad = copy.deepcopy(log)
bad["runs"][0]["results"][0]["level"] = "fatal"
assert not validator.is_valid(bad), "schema accepted a level outside the standard"
PY

# The grammar: an image folder for FILE lints its own branding file with its wallpapers;
# --ini stands for FILE.
expect "image folder" 1 "$sim" lint examples/broken
cp "$out/stdout" "$out/image.txt"
expect "file and image" 1 "$sim" lint "$broken" --image examples/broken
cmp -s "$out/stdout" "$out/image.txt" || { echo "FAIL lint IMAGE differs from lint FILE --image IMAGE" >&2; fail=1; }
expect "clean image folder" 0 "$sim" lint examples/machine
expect "--ini" 0 "$sim" lint --ini "$sample"
expect "FILE and --ini" 2 "$sim" lint "$sample" --ini "$sample"
expect "no file" 2 "$sim" lint
expect "image without branding file" 2 "$sim" lint "$out"

# Findings accepted on purpose; an unknown rule is bad usage.
expect "--disable" 1 "$sim" lint "$broken" --disable value-comment,lint-directive
grep -Eq '\[(value-comment|lint-directive)\]$' "$out/stdout" && { echo "FAIL --disable reported a disabled rule" >&2; fail=1; }
grep -q 'CVNS.*unused-link' "$out/stdout" && { echo "FAIL a directive did not accept its finding" >&2; fail=1; }
expect "--disable unknown" 2 "$sim" lint "$broken" --disable no-such-rule

# Output that cannot be written, and --out.
"$sim" lint "$broken" >/dev/full 2>/dev/null
[ $? -eq 2 ] || { echo "FAIL lint > /dev/full is not exit 2" >&2; fail=1; }
expect "--out in a missing folder" 2 "$sim" lint "$broken" --out "$out/no/such/lint.txt"
expect "--out" 1 "$sim" lint "$broken" --format sarif --out "$out/lint.sarif"
[ -s "$out/lint.sarif" ] || { echo "FAIL --out wrote nothing" >&2; fail=1; }

expect "missing file" 2 "$sim" lint /no/such/Facet.INI
expect "unreadable image" 2 "$sim" lint "$sample" --image /no/such/image
expect "bad format" 2 "$sim" lint "$sample" --format xml
expect "help" 0 "$sim" lint --help

[ $fail -eq 0 ] && echo "lint command checks passed"
exit $fail
