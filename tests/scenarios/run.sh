#!/usr/bin/env bash
# Runs the scenario machines and compares what each run left behind with the expected
# bytes.
#
#   run.sh host FACET_SIM [SCENARIO...]
#   run.sh wine FACET_SIM FACET_EXE [SCENARIO...]
#
# A scenario is a folder here holding:
#   machine/        the machine image
#   base            optional: a path (from the scenario's folder) of an image that is
#                   laid first, with machine/ laid over it
#   args            optional: the run's arguments, one a line
#   runs            optional: how many runs in a row (default 1)
#   expect/files    lines "WINDOWS_PATH<TAB>FILE[<TAB>HOW]": after the runs the file at
#                   that path must equal expect/FILE byte for byte; with HOW "ini" it
#                   must hold the same sections, keys and values, and with "host-bytes"
#                   equal it byte for byte on the host and by content under Wine (for
#                   files that existed before: Windows, and so the host, edits them in
#                   place, Wine rewrites them whole)
#   expect/registry optional: lines "KEY<TAB>VALUE<TAB>DATA", DATA in .reg notation
#                   ("text", dword:00000001) or - for a missing value
#   expect/absent   optional: Windows paths that must not exist after the runs
#   wine            optional: "skip: why" when Wine cannot stand for this machine
# Under Wine the system's text after "Error is: " is compared by its form only (one line
# ending in the two spaces of its CR LF): Wine's texts are its own.
# Every run must end with exit code 0.
set -u
here=$(cd "$(dirname "$0")" && pwd)
mode=${1:?mode host or wine}
FACET_SIM=$(realpath "${2:?facet-sim}")
export FACET_SIM
shift 2
if [ "$mode" = wine ]; then
    FACET_EXE=$(realpath "${1:?Facet.exe}")
    export FACET_EXE
    shift
    # shellcheck source=../wine/harness.sh
    . "$here/../wine/harness.sh"
    work_root=${FACET_WINE_WORK:-$(dirname "$FACET_EXE")/wine-scenarios}
    template=$(dirname "$FACET_EXE")/wine-template
    wine_prepare_template "$template" || exit 1
else
    work_root=$(mktemp -d /tmp/facet-scenarios.XXXXXX)
    trap 'rm -rf "$work_root"' EXIT
fi
mkdir -p "$work_root"

if [ $# -eq 0 ]; then
    set -- $(cd "$here" && ls -d */ | tr -d /)
fi

passed=0
failed=0
skipped=0

error_form() {
    perl -0777 -pe 's/(  Error is: )[^\r\n]*  \r\r\n/$1(system text)\r\r\n/g'
}

check() {  # check NAME ROOT: compares the expectations with the image or prefix at ROOT
    local name=$1 root=$2 dir=$here/$1 ok=0 winpath file how host key value want got
    while IFS=$'\t' read -r winpath file how; do
        [ -n "$winpath" ] || continue
        host=$("$FACET_SIM" resolve "$root" "$winpath") || { ok=1; continue; }
        if [ ! -f "$host" ]; then
            echo "  $name: missing $winpath" >&2
            ok=1
        elif [ "$how" = ini ] || { [ "$how" = host-bytes ] && [ "$mode" = wine ]; }; then
            if ! diff <("$FACET_SIM" inidump "$dir/expect/$file") <("$FACET_SIM" inidump "$host") >&2; then
                echo "  $name: $winpath differs in content from expect/$file (above)" >&2
                ok=1
            fi
        elif [ "$mode" = wine ] && cmp -s <(error_form <"$host") <(error_form <"$dir/expect/$file"); then
            :
        elif ! cmp -s "$host" "$dir/expect/$file"; then
            echo "  $name: $winpath differs from expect/$file:" >&2
            cmp "$host" "$dir/expect/$file" >&2
            diff <(od -c "$dir/expect/$file") <(od -c "$host") | head -20 >&2
            ok=1
        fi
    done <"$dir/expect/files"
    if [ -f "$dir/expect/absent" ]; then
        while IFS= read -r winpath; do
            [ -n "$winpath" ] || continue
            host=$("$FACET_SIM" resolve "$root" "$winpath") || continue
            if [ -e "$host" ]; then
                echo "  $name: $winpath should not exist" >&2
                ok=1
            fi
        done <"$dir/expect/absent"
    fi
    if [ -f "$dir/expect/registry" ]; then
        while IFS=$'\t' read -r key value want; do
            [ -n "$key" ] || continue
            if [ "$mode" = wine ]; then
                got=$(wine_reg "$root" "$key" "$value")
            elif [ -f "$root/registry.reg" ]; then
                got=$("$FACET_SIM" reg "$root/registry.reg" "$key" "$value")
            else
                got=-
            fi
            if [ "$got" != "$want" ]; then
                echo "  $name: $key\\$value is $got, expected $want" >&2
                ok=1
            fi
        done <"$dir/expect/registry"
    fi
    return $ok
}

# One scenario: prints PASS, FAIL or SKIP with its findings; returns 0, 1 or 3 (skipped).
scenario() {
    local name=$1 dir=$here/$1 args=() runs=1 result=0 image root code i
    if [ -f "$dir/args" ]; then mapfile -t args <"$dir/args"; fi
    [ -f "$dir/runs" ] && runs=$(cat "$dir/runs")
    image=$work_root/$name.image
    rm -rf "$image"
    mkdir -p "$image"
    if [ -f "$dir/base" ]; then
        cp -a "$dir/$(cat "$dir/base")/." "$image/"
    fi
    [ -d "$dir/machine" ] && cp -a "$dir/machine/." "$image/"
    if [ "$mode" = wine ]; then
        if [ -f "$dir/wine" ]; then
            echo "SKIP $name (wine): $(cat "$dir/wine")"
            rm -rf "$image"
            return 3
        fi
        root=$work_root/$name
        wine_lay "$template" "$image" "$root" || result=1
        for ((i = 0; i < runs && result == 0; i++)); do
            wine_run "$root" "${args[@]}"
            code=$?
            [ $code -eq 0 ] || { echo "  $name: exit code $code" >&2; result=1; }
        done
    else
        root=$work_root/$name
        rm -rf "$root"
        mv "$image" "$root"
        for ((i = 0; i < runs && result == 0; i++)); do
            "$FACET_SIM" run "$root" "${args[@]}"
            code=$?
            [ $code -eq 0 ] || { echo "  $name: exit code $code" >&2; result=1; }
        done
    fi
    [ $result -eq 0 ] && { check "$name" "$root" || result=1; }
    [ "$mode" = wine ] && wine_stop "$root"
    if [ $result -eq 0 ]; then
        echo "PASS $name ($mode)"
        [ "$mode" = wine ] && rm -rf "$root" "$image"
        return 0
    fi
    echo "FAIL $name ($mode)"
    return 1
}

# The scenarios run FACET_SCENARIO_JOBS at a time (2 by default; each has its own image
# or Wine prefix); their reports are printed in order once all have ended.
jobs=${FACET_SCENARIO_JOBS:-2}
for name in "$@"; do
    while [ "$(jobs -rp | wc -l)" -ge "$jobs" ]; do wait -n; done
    (scenario "$name" >"$work_root/$name.report" 2>&1; echo $? >"$work_root/$name.status") &
done
wait
for name in "$@"; do
    cat "$work_root/$name.report"
    case $(cat "$work_root/$name.status" 2>/dev/null) in
        0) passed=$((passed + 1)) ;;
        3) skipped=$((skipped + 1)) ;;
        *) failed=$((failed + 1)) ;;
    esac
    rm -f "$work_root/$name.report" "$work_root/$name.status"
done

echo "$mode scenarios: $passed passed, $failed failed, $skipped skipped"
[ $failed -eq 0 ]
