#!/usr/bin/env bash
# The speed goals and the figures measured for each tool, in one place (the README's
# "Speed" section quotes them):
#   - the branding run: scripts/scaling.sh (the sample run against `cat` in wall time,
#     then the cost of each grown input);
#   - the authoring tools: scripts/tool-scaling.sh, when there is one;
#   - with --builds, the CPU time (user + system) of clean builds of the host, host-asan
#     and windows presets without ccache, in a temporary copy of the tree (about six CPU
#     minutes).
#
#   scripts/speed.sh [--smoke] [--builds] [FACET_SIM]
set -u
cd "$(dirname "$0")/.."
smoke=()
builds=0
while [ $# -gt 0 ]; do
    case $1 in
        --smoke) smoke=(--smoke) ;;
        --builds) builds=1 ;;
        *) break ;;
    esac
    shift
done
facet_sim=${1:-build/host/facet-sim}
status=0

echo "== Goals"
echo "run:    the sample run at most 2.5x cat of its input files in wall time; grown inputs as in the table"
echo "builds: the whole test command under 6 minutes on a fresh 2-core machine, installs included"
echo
echo "== The branding run (scripts/scaling.sh)"
scripts/scaling.sh "${smoke[@]}" "$facet_sim" || status=1
if [ -x scripts/tool-scaling.sh ]; then
    echo
    echo "== The authoring tools (scripts/tool-scaling.sh)"
    scripts/tool-scaling.sh "${smoke[@]}" "$facet_sim" || status=1
fi

if [ $builds -eq 1 ]; then
    echo
    echo "== Clean builds without ccache (CPU time, user + system)"
    tree=$(mktemp -d /tmp/facet-speed-XXXXXX)
    trap 'rm -rf "$tree"' EXIT
    git ls-files -z | xargs -0 cp --parents -t "$tree"
    for preset in host host-asan windows; do
        (cd "$tree" && CCACHE_DISABLE=1 cmake --preset "$preset" >/dev/null) || { status=1; continue; }
        if CCACHE_DISABLE=1 /usr/bin/time -f "%U %S %e" -o "$tree/time" \
            cmake --build "$tree/build/$preset" -j2 >/dev/null 2>&1; then
            read -r user sys wall <"$tree/time"
            printf '%-5s build: %6.0f s CPU (%.0f user + %.0f system), %4.0f s wall on 2 jobs\n' "$preset" \
                "$(awk "BEGIN { print $user + $sys }")" "$user" "$sys" "$wall"
        else
            echo "$preset build failed"
            status=1
        fi
    done
fi
exit $status
