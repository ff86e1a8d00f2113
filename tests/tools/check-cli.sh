#!/usr/bin/env bash
# facet-sim explain and the other tools from the outside: explain --format json on every
# scenario machine gives one valid document; an accented name and model name come out as
# the same UTF-8 text in every format of every tool; a branding file re-saved in code page
# 850 is a change that check sees, worded and placed alike in every form of its report.
#   check-cli.sh FACET_SIM
set -u
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
sim=$(realpath "${1:?facet-sim}")
work=$(mktemp -d /tmp/facet-tools-cli.XXXXXX)
trap 'rm -rf "$work"' EXIT
fail=0
say() { echo "FAIL $*" >&2; fail=1; }

# Every scenario: one JSON document with the keys the tools rely on, in UTF-8.
for scenario in "$root"/tests/scenarios/*/; do
    name=$(basename "$scenario")
    image=$work/$name
    mkdir -p "$image"
    [ -f "$scenario/base" ] && cp -a "$scenario/$(cat "$scenario/base")/." "$image/"
    [ -d "$scenario/machine" ] && cp -a "$scenario/machine/." "$image/"
    args=()
    [ -f "$scenario/args" ] && mapfile -t args <"$scenario/args"
    "$sim" explain "$image" "${args[@]}" --format json --out "$work/$name.json" 2>"$work/$name.err"
    code=$?
    [ $code -le 1 ] || { say "explain $name: exit $code: $(cat "$work/$name.err")"; continue; }
    /usr/bin/python3 - "$work/$name.json" "$code" <<'PY' || say "explain $name: document"
import json, sys
raw = open(sys.argv[1], "rb").read()
doc = json.loads(raw.decode("utf-8"))  # strict: bytes that are not UTF-8 fail here
for key in ["identification", "iniFile", "section", "candidates", "stops", "values", "favorites",
            "home", "search", "wallpapers", "signup", "failures", "findings", "problems"]:
    assert key in doc, key
problems = bool(doc["problems"]) or any(f["severity"] != "note" for f in doc["findings"])
assert problems == (sys.argv[2] == "1"), "exit code and problems disagree"
PY
done

# A machine whose favorite is called Zubehör and whose model is ÉDITION (Windows-1252
# bytes in the image), and a link whose Path the linter questions.
image=$work/accented
cp -a "$root/examples/machine" "$image"
ini=$image/drive_c/Facet/Facet.INI
printf '\r\n[ZB]\r\nName=Zubeh\xf6r\r\nPath=www.zubeh\xf6r.example\r\n' >>"$ini"
sed -i 's/^Favorites=CVSP,CVBD,CVUW\r$/Favorites=CVSP,ZB\r/' "$ini"
sed -i 's/^ModelName=.*/ModelName=Corvane \xc9DITION KL-5400 #E20\r/' "$image/machine.ini"
mkdir -p "$work/suite"
cp -a "$image" "$work/suite/accented"

"$sim" explain "$image" --format json --out "$work/explain.json"
"$sim" explain "$image" --out "$work/explain.txt"
"$sim" lint "$ini" --format json --out "$work/lint.json"
"$sim" lint "$ini" --format sarif --out "$work/lint.sarif"
"$sim" lint "$ini" --out "$work/lint.txt"
for format in csv json html; do
    printf 'Corvane \xc9DITION KL-5400 #E20\n' >"$work/models.txt"
    "$sim" matrix --image "$image" --models "$work/models.txt" --languages 0809 --format $format \
        --out "$work/matrix.$format"
done
"$sim" check "$work/suite" --update >/dev/null
cp -a "$image" "$work/run-image"
"$sim" run "$work/run-image" --report "$work/report.json"
"$sim" diff "$work/report.json" --out "$work/diff.txt"
for f in explain.json explain.txt lint.json lint.sarif lint.txt matrix.csv matrix.json matrix.html report.json \
    diff.txt; do
    /usr/bin/python3 -c 'import sys; open(sys.argv[1], "rb").read().decode("utf-8")' "$work/$f" 2>/dev/null ||
        say "$f is not UTF-8"
done
for f in explain.json explain.txt matrix.csv matrix.json report.json diff.txt suite/accented/expect.json; do
    grep -q 'Zubehör' "$work/$f" || say "$f does not say Zubehör"
done
for f in lint.json lint.sarif lint.txt; do
    grep -q 'www.zubehör.example' "$work/$f" || say "$f does not say www.zubehör.example"
done
for f in explain.json explain.txt matrix.csv matrix.json; do
    grep -q 'ÉDITION' "$work/$f" || say "$f does not say ÉDITION"
done
grep -q 'Zubeh&#246;r\|Zubehör\|Zubeh\\u00f6r' "$work/matrix.html" || say "matrix.html does not say Zubehör"

# The branding file saved again in code page 850: ö is another byte, and check sees it.
/usr/bin/python3 - "$ini" "$work/cp850.INI" <<'PY'
import sys
text = open(sys.argv[1], "rb").read().decode("cp1252")
open(sys.argv[2], "wb").write(text.encode("cp850"))
PY
cp -a "$root/examples/suite/sample-machine" "$work/suite/sample"
"$sim" check "$work/suite" --ini "$work/cp850.INI" >"$work/check.txt"
code=$?
[ $code -eq 1 ] || say "check on the code page 850 file: exit $code, expected 1"
# One change, one sentence, on the line of the value that changed.
grep -qx "$work/cp850.INI:[0-9]*:1: warning: favorite ZB renamed \"Zubehör\" → \"Zubeh”r\" \[favorite-renamed\]" \
    "$work/check.txt" || say "check does not show Zubehör becoming Zubeh”r on its line: $(cat "$work/check.txt")"
grep -q ':0:0:' "$work/check.txt" && say "check places a change at :0:0"

# check for CI: every form says the same; --quiet leaves out the unchanged machines.
"$sim" check "$work/suite" --quiet >"$work/quiet.txt"
[ "$(cat "$work/quiet.txt")" = "0 of 2 machines changed" ] || say "check --quiet: $(cat "$work/quiet.txt")"
for format in json junit sarif; do
    "$sim" check "$work/suite" --ini "$work/cp850.INI" --format $format --out "$work/check.$format"
    [ $? -eq 1 ] || say "check --format $format: exit code"
done
/usr/bin/python3 - "$root/tests/lint/sarif-schema-2.1.0.json" "$work/check.json" "$work/check.junit" "$work/check.sarif" <<'PY' ||
import json, sys
import xml.etree.ElementTree as ET
import jsonschema
schema, doc, junit, sarif = sys.argv[1:]
doc = json.load(open(doc, encoding="utf-8"))
assert [m["status"] for m in doc["machines"]] == ["changed", "changed"], doc
assert doc["summary"]["changed"] == 2
changes = [c for m in doc["machines"] for c in m["changes"]]
cases = ET.parse(junit).getroot().findall("./testsuite/testcase")
assert [c.get("name") for c in cases] == ["accented", "sample"]
assert all(c.find("failure") is not None for c in cases)
log = json.load(open(sarif, encoding="utf-8"))
errors = list(jsonschema.Draft7Validator(json.load(open(schema))).iter_errors(log))
assert not errors, errors[0].message
results = log["runs"][0]["results"]
assert len(results) == len(changes)
assert all("region" in r["locations"][0]["physicalLocation"] for r in results if r["ruleId"] == "favorite-renamed")
PY
    say "check --format json, junit and sarif"

# Exit 2: no machines, --ini with --update, a report that cannot be written.
mkdir -p "$work/empty"
"$sim" check "$work/empty" 2>"$work/err.txt"
[ $? -eq 2 ] && grep -q 'no recorded machines' "$work/err.txt" || say "check of an empty suite"
cp "$work/suite/sample/expect.json" "$work/expect.before"
"$sim" check "$work/suite" --ini "$work/cp850.INI" --update 2>/dev/null
[ $? -eq 2 ] && cmp -s "$work/expect.before" "$work/suite/sample/expect.json" || say "check --ini --update"
"$sim" check --help | grep -q 'refused' || say "check --help does not say --ini --update is refused"
for out in "$work/no/such/folder/r.txt" /dev/full; do
    "$sim" check "$work/suite" --out "$out" 2>/dev/null
    [ $? -eq 2 ] || say "check --out $out: not exit 2"
done

[ $fail -eq 0 ] && echo "tool command checks passed"
exit $fail
