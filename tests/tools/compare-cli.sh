#!/usr/bin/env bash
# facet-sim compare from the outside: exit 0 for a file against itself, 1 for the sample
# edit in every form (text, JSON of the pinned shape, SARIF valid against the 2.1.0 schema
# and on the edited file's lines, HTML), 2 for bad input and output that cannot be written.
#   compare-cli.sh FACET_SIM
source "$(dirname "$0")/cli-lib.sh"
old=$root/examples/machine/drive_c/Facet/Facet.INI
new=$root/examples/Facet-edited.INI
line=(--models "$root/examples/models.txt" --image "$root/examples/machine")

expect "a file against itself" 0 "" "$sim" compare "$old" "$old" "${line[@]}"
grep -q '^no outcome changes: [0-9]* combinations compared$' "$work/stdout" || say "unchanged: $(cat "$work/stdout")"

expect "the sample edit, text" 1 "" "$sim" compare "$old" "$new" "${line[@]}"
grep -q 'section UK-0809-COMMERCIAL removed (old line 18, new none)' "$work/stdout" || say "text: no cause"
grep -q '^[0-9]* of [0-9]* combinations change, in [0-9]* groups$' "$work/stdout" || say "text: no summary"

expect "json" 1 "" "$sim" compare "$old" "$new" "${line[@]}" --format json --out "$work/c.json"
/usr/bin/python3 - "$work/c.json" <<'PY' || say "json: shape"
import json, sys
doc = json.load(open(sys.argv[1], encoding="utf-8"))
assert list(doc) == ["groups", "summary"]
counts = [g["count"] for g in doc["groups"]]
assert counts == sorted(counts, reverse=True) and sum(counts) == doc["summary"]["changed"] > 0
for g in doc["groups"]:
    assert list(g) == ["count", "change", "combinations", "cause"], list(g)
    assert list(g["combinations"]) == ["models", "regions", "languages", "screens"]
    assert all(set(c) == {"kind", "text"} for c in g["change"])
PY

expect "sarif" 1 "" "$sim" compare "$old" "$new" "${line[@]}" --format sarif
/usr/bin/python3 - "$root/tests/lint/sarif-schema-2.1.0.json" "$work/stdout" "$new" <<'PY' || say "sarif"
import json, sys
import jsonschema
schema = json.load(open(sys.argv[1]))
log = json.load(open(sys.argv[2]))
errors = list(jsonschema.Draft7Validator(schema).iter_errors(log))
assert not errors, errors[0].message
results = log["runs"][0]["results"]
lines = open(sys.argv[3], "rb").read().split(b"\r\n")
assert results
for r in results:
    loc = r["locations"][0]["physicalLocation"]
    assert loc["artifactLocation"]["uri"].endswith("Facet-edited.INI"), loc
    if "region" in loc:
        assert 0 < loc["region"]["startLine"] <= len(lines)
# The changed Path of [CVB] is found on its line in the edited file.
paths = [r["locations"][0]["physicalLocation"].get("region", {}).get("startLine") for r in results]
assert lines.index(b"Path=https://business.corvane.example/") + 1 in paths, paths
PY

expect "html" 1 "" "$sim" compare "$old" "$new" "${line[@]}" --format html --out "$work/c.html"
grep -q '<td class="k-section" data-x=' "$work/c.html" || say "html: no section change cell"
grep -q '<td class="same" data-x=' "$work/c.html" || say "html: no unchanged cell"

# Bad input and output that cannot be written: exit 2 with the command's own message.
expect "missing file" 2 "" "$sim" compare /no/such/old.ini "$new" "${line[@]}"
grep -q '^facet-sim compare: ' "$work/stderr" || say "message form: $(cat "$work/stderr")"
expect "bad language" 2 "" "$sim" compare "$old" "$new" "${line[@]}" --languages 0409,zz
expect "one image of two" 2 "" "$sim" compare "$old" "$new" --models "$root/examples/models.txt" --old-image "$root/examples/machine"
expect "missing image" 2 "" "$sim" compare "$old" "$new" --models "$root/examples/models.txt" --image /no/such/image
expect "no such folder for --out" 2 "" "$sim" compare "$old" "$new" "${line[@]}" --out "$work/none/c.txt"
expect "full disk" 2 "" "$sim" compare "$old" "$new" "${line[@]}" --out /dev/full
expect "bad format" 2 "" "$sim" compare "$old" "$new" "${line[@]}" --format csv
exit $fail
