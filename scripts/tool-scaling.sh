#!/usr/bin/env bash
# How the matrix's time and memory grow with a product line. Writes a models list of
# MODELS names (none with an option code, so each takes every region of the table and the
# fallback) in a temporary folder, runs `facet-sim matrix` on the sample machine with
# LANGUAGES languages and both screen shapes in each format, and prints per format the
# combinations (models x regions x languages x screens), the combinations a second of the
# whole process (of its wall time, and of its CPU time: user + system, the steadier figure
# on a shared machine), the peak memory and the output's size.
#
#   scripts/tool-scaling.sh [--models N] [--languages N|all] [--formats csv,json,html] [FACET_SIM]
#
# The default is the large point: 5,000 models x 44 regions x 20 languages x 2 screens
# (8.8 M combinations; the JSON output is about 360 MB of temporary disk).
set -u
cd "$(dirname "$0")/.."
models=5000
languages=20
formats=csv,json,html
while [ $# -gt 0 ]; do
    case "$1" in
        --models) models=$2; shift 2 ;;
        --languages) languages=$2; shift 2 ;;
        --formats) formats=$2; shift 2 ;;
        *) break ;;
    esac
done
facet_sim=$(realpath "${1:-build/host/facet-sim}")
[ -x "$facet_sim" ] || { echo "tool-scaling.sh: no facet-sim at $facet_sim" >&2; exit 2; }
command -v /usr/bin/time >/dev/null || { echo "tool-scaling.sh: needs GNU time (/usr/bin/time)" >&2; exit 2; }

work=$(mktemp -d /tmp/facet-tool-scaling-XXXXXX)
trap 'rm -rf "$work"' EXIT

# The model names: the sample's model lines, numbered, without option codes.
stems=("Corvane KL-" "Corvane KM-" "Corvane KJ-" "Corvane QB-" "Quintara " "Vellomar V")
tails=(" Business" " Workstation" " Small Business" " Tablet" "" "")
for ((i = 0; i < models; i++)); do
    k=$((i % ${#stems[@]}))
    echo "${stems[$k]}$((1000 + i))${tails[$k]}"
done >"$work/models.txt"

# The first LANGUAGES identifiers of Windows' list, or all of them.
if [ "$languages" = all ]; then
    langs=all
    nlangs=$(grep -c '^    {0x' tools/author/languages.cpp)
else
    langs=$(grep -o '^    {0x[0-9A-F]*' tools/author/languages.cpp | head -n "$languages" | sed 's/.*0x//' | paste -sd,)
    nlangs=$languages
fi

# Regions each model takes: those of one model in one language and screen.
echo "Corvane KL-1000 Business" >"$work/one.txt"
regions=$("$facet_sim" matrix --image examples/machine --models "$work/one.txt" --languages 0409 --screens wide |
    tail -n +2 | wc -l)
combinations=$((models * regions * nlangs * 2))
echo "matrix: $models models x $regions regions x $nlangs languages x 2 screens = $combinations combinations"
printf "%-6s %8s %8s %14s %14s %10s %11s\n" format wall-s cpu-s "combs/wall-s" "combs/cpu-s" "peak MiB" "output MiB"

status=0
for format in ${formats//,/ }; do
    /usr/bin/time -f "%M %e %U %S" -o "$work/time" "$facet_sim" matrix --image examples/machine --models "$work/models.txt" \
        --languages "$langs" --format "$format" --out "$work/out.$format" 2>"$work/stderr"
    rc=$?
    if [ $rc -gt 1 ]; then
        echo "$format: facet-sim matrix failed ($rc): $(head -n 3 "$work/stderr")"
        status=1
        continue
    fi
    read -r kib secs user sys <"$work/time"
    size=$(stat -c %s "$work/out.$format")
    awk -v f="$format" -v s="$secs" -v u="$user" -v y="$sys" -v c="$combinations" -v k="$kib" -v b="$size" 'BEGIN {
        t = u + y
        printf "%-6s %8.2f %8.2f %14.0f %14.0f %10.1f %11.1f\n", f, s, t, (s > 0 ? c / s : 0), (t > 0 ? c / t : 0),
            k / 1024, b / 1048576 }'
    rm -f "$work/out.$format"
done
exit $status
