#!/usr/bin/env bash
# Peak memory of a whole facet-sim compare of two 1,000-section files (the later one an
# edit of the earlier) over about 200,000 combinations: 1,000 models, 200 languages, both
# screens, as compare_bench.cpp ranges. Prints the peak resident size of compare
# (/usr/bin/time -f %M) and fails above 256 MiB.
#   compare-memory.sh FACET_SIM
set -u
sim=$(realpath "${1:?facet-sim}")
work=$(mktemp -d /tmp/facet-compare-memory.XXXXXX)
trap 'rm -rf "$work"' EXIT
"$sim" regions >"$work/regions.txt" 2>/dev/null || { echo "facet-sim regions failed" >&2; exit 2; }
# The first 200 languages Windows knows, as matrix --languages all ranges over them.
"$sim" matrix --ini /dev/null --models <(echo "Corvane KL-1 #E20") --languages all --screens wide --format json |
    /usr/bin/python3 -c 'import json,sys; print(",".join(sorted({r["language"] for r in json.load(sys.stdin)["rows"]})))' \
        >"$work/all.txt"
/usr/bin/python3 - "$work" <<'PY'
import re, sys
work = sys.argv[1]
rows = [l.split() for l in open(work + "/regions.txt") if re.match(r"^\s*\S+\s+\S+\s*$", l)]
codes = [(o, r) for o, r in rows]
cats = ["VELLOMAR", "QUINTARA", "TABLET", "SMB", "COMMERCIAL", "WORKSTATION"]
stems = ["Vellomar V", "Quintara Q", "Corvane QA-", "Corvane KJ-", "Corvane KL-", "Corvane KM-"]
langs = open(work + "/all.txt").read().split(",")[:200]
def branding(edited):
    out = ["[DEFAULT_SECTION]", "Home=H0", "Search=S0", "Favorites=F0,F1"]
    n = 0
    while n < 1000:
        for _, region in codes:
            for cat in cats:
                if n >= 1000:
                    break
                lang = langs[(n // (len(codes) * 6)) % len(langs)]
                home = (n + 1) % 50 if edited and n % 10 == 0 else n % 50
                a, b = "F%d" % (n % 40), "F%d" % ((n + 1) % 40)
                if not (edited and n % 50 == 0):
                    favs = b + "," + a if edited and n % 7 == 0 else a + "," + b
                    out += ["[%s-%s-%s]" % (region, lang, cat), "Home=H%d" % home, "Search=S%d" % (n % 7), "Favorites=" + favs]
                if edited and n % 100 == 0:
                    out += ["[%s-*-%s]" % (region, cat), "Home=H3", "Search=S1"]
                n += 1
    for i in range(50):
        out += ["[H%d]" % i, "Name=Home %d" % i, "Path=http://h%d.example/" % i,
                "[S%d]" % i, "Name=Search", "Path=http://s.example/",
                "[F%d]" % i, "Name=Fav %d" % i, "Path=http://f.example/"]
    return "\r\n".join(out) + "\r\n"
open(work + "/old.ini", "w", newline="").write(branding(False))
open(work + "/new.ini", "w", newline="").write(branding(True))
with open(work + "/models.txt", "w") as f:
    for i in range(1000):
        model = stems[i % 6] + str(1000 + i)
        if i % 5 != 0:
            model += " #" + codes[(i // 6) % len(codes)][0]
        f.write(model + "\n")
open(work + "/langs.txt", "w").write(",".join(langs))
PY
langs=$(cat "$work/langs.txt")
/usr/bin/time -f %M -o "$work/compare.kib" "$sim" compare "$work/old.ini" "$work/new.ini" --models "$work/models.txt" \
    --languages "$langs" --format json --out "$work/compare.json"
code=$?
[ $code -eq 1 ] || { echo "compare exited $code, expected 1" >&2; exit 1; }
combinations=$(/usr/bin/python3 -c 'import json,sys; s=json.load(open(sys.argv[1]))["summary"]; print(s["combinations"], s["changed"], s["groups"])' "$work/compare.json")
peak=$(tail -n 1 "$work/compare.kib")
echo "compare: combinations, changed, groups: $combinations; peak $((peak / 1024)) MiB"
[ "$peak" -lt $((256 * 1024)) ] || { echo "compare peak memory $peak KiB is over 256 MiB" >&2; exit 1; }
