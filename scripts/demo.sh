#!/usr/bin/env bash
# The demo: runs one branding run of the sample machine (examples/machine) in a copy,
# then prints the installation log and what the run added to the machine. Installs the
# Debian packages the host build needs first (as root; as another user it names them).
set -eu
cd "$(dirname "$0")/.."
scripts/install-deps.sh --host
if [ ! -x build/host/facet-sim ]; then
    cmake --preset host >/dev/null
    cmake --build --preset host --target facet-sim >/dev/null
fi
machine=$(mktemp -d /tmp/facet-demo.XXXXXX)
cp -a examples/machine/. "$machine/"
(cd "$machine" && find . -type f | sort) >"$machine.before"

echo "Machine image: $machine"
echo "Command:       facet-sim run $machine -h"
build/host/facet-sim run "$machine" -h
echo "Exit code:     $?"

log=$(find "$machine/drive_c" -type f -iname 'facet.log' | head -n 1)
echo
echo "=== Installation log ($log; CR bytes not shown)"
tr -d '\r' <"$log"
echo
echo "=== Files the run added or changed"
(cd "$machine" && find . -type f -newer "$machine.before" | sort)
rm -f "$machine.before"

# The branding report of the sample product line (examples/models.txt) on the sample
# machine's branding file and wallpapers: one self-contained HTML file.
report="$machine-report.html"
status=0
build/host/facet-sim matrix --image examples/machine --models examples/models.txt --format html --out "$report" ||
    status=$?
echo
echo "=== Branding report (facet-sim matrix, exit code $status): $report"

# A review of an edit of the sample file (examples/Facet-edited.INI) before it ships: what
# the edit changes for every model, region, language and screen of the sample product line.
echo
echo "=== Change review: facet-sim compare examples/machine/drive_c/Facet/Facet.INI examples/Facet-edited.INI"
status=0
build/host/facet-sim compare examples/machine/drive_c/Facet/Facet.INI examples/Facet-edited.INI \
    --image examples/machine --models examples/models.txt || status=$?
echo "Exit code:     $status (0: no outcome changes, 1: some change)"
