#!/usr/bin/env bash
# The capture round trip: FacetCapture.exe records a Wine machine (the test ZMINT.DLL and
# the sample branding files laid in), facet-sim runs on the recorded image, Facet.exe runs
# under Wine on the same prefix, and the two must leave the same log bytes, the same files
# and the same registry values. Also what the capture makes of a machine without
# ZMINT.DLL, without a Favorites folder value or with one that climbs above C:\, and of an
# OUTDIR it cannot write.
#
#   capture-roundtrip.sh FACET_SIM FACET_EXE   (FacetCapture.exe and zmint-test-N.dll beside FACET_EXE)
set -u
here=$(cd "$(dirname "$0")" && pwd)
FACET_SIM=$(realpath "${1:?facet-sim}")
FACET_EXE=$(realpath "${2:?Facet.exe}")
export FACET_SIM FACET_EXE
# shellcheck source=harness.sh
. "$here/harness.sh"
build=$(dirname "$FACET_EXE")
capture_exe=$build/FacetCapture.exe
template=$build/wine-template
work=$build/wine-capture
wine_prepare_template "$template" || exit 1
rm -rf "$work"
mkdir -p "$work"

passed=0
failed=0

# The sample machine with the display Wine has.
source_image=$work/source
mkdir -p "$source_image"
cp -a "$here/../../examples/machine/." "$source_image/"
cp "$here/../scenarios/sample-machine-wine/machine/machine.ini" "$source_image/machine.ini"

# Wine's system texts are its own: "Copy Version File failed.  Error is: " is compared by
# its form only, as in the scenarios.
error_form() {
    perl -0777 -pe 's/(Copy Version File failed\.  Error is: )[^\r\n]*  \r\r\n/$1(system text)\r\r\n/g'
}

# Stops the prefix's wine server and removes the prefix; Wine may still be writing its
# registry files for a moment after the server was told to stop.
remove_prefix() {
    wine_stop "$1"
    WINEPREFIX=$1 wineserver -w >/dev/null 2>&1
    for _ in 1 2 3 4 5; do
        rm -rf "$1" 2>/dev/null && return 0
        sleep 1
    done
    rm -rf "$1"
}

winpath() { echo "Z:${1//\//\\}"; }

# Runs FacetCapture.exe beside Facet.exe in the prefix; its exit code.
capture() {
    local prefix=$1 exe host lang
    shift
    exe=$(cat "$prefix/.facet-exe")
    host=$("$FACET_SIM" resolve "$prefix" "$exe")
    cp "$capture_exe" "$(dirname "$host")/FacetCapture.exe"
    lang=$(cat "$prefix/.facet-lang")
    (cd "$(dirname "$host")" &&
        WINEPREFIX=$prefix LANG=$lang LC_ALL=$lang wine "${exe%\\*}\\FacetCapture.exe" "$@" </dev/null \
            >"$work/capture.out" 2>"$work/capture.err")
}

# Files under the prefix's C: changed since the marker, as lower-case Windows paths.
wine_changed() {
    local prefix=$1 marker=$2
    (cd "$prefix/drive_c" && find . -type f -cnewer "$marker" -printf '%P\n') |
        sed 's#/#\\#g; s#^#C:\\#' | tr 'A-Z' 'a-z' | sort
}

# Compares what facet-sim did to IMAGE (its report) with what Facet.exe did to PREFIX.
compare() {
    local name=$1 image=$2 prefix=$3 report=$4 marker=$5 ok=0 path existed host_file wine_file key value after got
    while IFS=$'\t' read -r path existed; do
        host_file=$("$FACET_SIM" resolve "$image" "$path")
        wine_file=$("$FACET_SIM" resolve "$prefix" "$path")
        if [ ! -f "$wine_file" ]; then
            echo "  $name: Facet.exe under Wine left no $path" >&2
            ok=1
        elif [ "$existed" = true ] && [[ ! "$path" =~ \.[Ll][Oo][Gg]$ ]]; then
            # Wine rewrites a profile file whole where Windows edits it in place.
            cmp -s <("$FACET_SIM" inidump "$host_file") <("$FACET_SIM" inidump "$wine_file") ||
                { echo "  $name: $path differs in content" >&2; ok=1; }
        elif ! cmp -s <(error_form <"$host_file") <(error_form <"$wine_file"); then
            echo "  $name: $path differs:" >&2
            diff <(od -c "$wine_file") <(od -c "$host_file") | head -20 >&2
            ok=1
        fi
    done < <(jq -r '.files[] | "\(.path)\t\(.existed)"' "$report")
    if ! diff <(jq -r '.files[].path' "$report" | tr 'A-Z' 'a-z' | sort) <(wine_changed "$prefix" "$marker") >&2; then
        echo "  $name: files changed by facet-sim (<) and by Facet.exe under Wine (>) differ" >&2
        ok=1
    fi
    while IFS=$'\t' read -r key value after; do
        got=$(wine_reg "$prefix" "$key" "$value")
        if [ "$got" != "$after" ]; then
            echo "  $name: $key\\$value is $got under Wine, $after on the host" >&2
            ok=1
        fi
    done < <(jq -r '.registry[] | "\(.key)\t\(.value)\t\(.after // "-")"' "$report")
    return $ok
}

# round_trip NAME PREPARE ARGS...: lays the sample machine into a prefix, lets PREPARE
# change it, captures it, runs both and compares.
round_trip() {
    local name=$1 prepare=$2
    shift 2
    local prefix=$work/$name.prefix image=$work/$name.image report=$work/$name.json marker=$work/$name.marker ok=0
    wine_lay "$template" "$source_image" "$prefix" || { echo "  $name: cannot lay the prefix" >&2; return 1; }
    "$prepare" "$prefix" || { echo "  $name: cannot prepare the prefix" >&2; return 1; }
    if ! capture "$prefix" "$(winpath "$work/$name.captured")" --with-assets; then
        echo "  $name: capture failed:" >&2
        cat "$work/capture.err" >&2
        return 1
    fi
    "$name"_check "$work/$name.captured" || ok=1
    cp -a "$work/$name.captured" "$image"
    "$FACET_SIM" run "$image" "$@" --report "$report" || { echo "  $name: facet-sim run failed" >&2; ok=1; }
    touch "$marker"
    sleep 1  # change times of the run's files must lie after the marker
    wine_run "$prefix" "$@" || { echo "  $name: Facet.exe exit code $?" >&2; ok=1; }
    wine_stop "$prefix"
    WINEPREFIX=$prefix wineserver -w >/dev/null 2>&1
    compare "$name" "$image" "$prefix" "$report" "$marker" || ok=1
    [ $ok -eq 0 ] && remove_prefix "$prefix"
    return $ok
}

leave_as_laid() { :; }
full_check() {
    local ok=0
    grep -q '^ModelName=Corvane KL-5400 Business #E20' "$1/machine.ini" || { echo "  model name not recorded" >&2; ok=1; }
    grep -q '^Exports=zmiGetModelName,zmiGetOSVersion,zmiGetMachineId' "$1/machine.ini" || ok=1
    grep -q '^SystemDefaultUILanguage=0809' "$1/machine.ini" || { echo "  language not recorded" >&2; ok=1; }
    [ "$("$FACET_SIM" reg "$1/registry.reg" 'HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Enum\DISPLAY\CVN15A1\4&2c5f1e9a&0&UID200195\Device Parameters' EDID)" = \
        "$("$FACET_SIM" reg "$source_image/registry.reg" 'HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Enum\DISPLAY\CVN15A1\4&2c5f1e9a&0&UID200195\Device Parameters' EDID)" ] ||
        { echo "  EDID not recorded" >&2; ok=1; }
    cmp -s "$1/drive_c/Facet/Facet.INI" "$source_image/drive_c/Facet/Facet.INI" || { echo "  Facet.INI not copied" >&2; ok=1; }
    [ -f "$1/drive_c/Facet/Bitmap/Wallpapers/Third/Arabic/1920x1200.jpg" ] || { echo "  wallpapers not copied" >&2; ok=1; }
    return $ok
}

remove_zmint() { rm -f "$1/drive_c/Facet/ZMINT.DLL"; }
no-zmint_check() {
    ! grep -q -i '^\[ZMINT\]' "$1/machine.ini" || { echo "  [ZMINT] recorded without ZMINT.DLL" >&2; return 1; }
    grep -q 'ZMINT.DLL cannot be loaded' "$work/capture.err" || { echo "  no word about ZMINT.DLL" >&2; return 1; }
}

delete_favorites() {
    WINEPREFIX=$1 wine reg delete 'HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\Shell Folders' \
        /v Favorites /f >/dev/null 2>&1
}
no-favorites-value_check() {
    [ "$("$FACET_SIM" reg "$1/registry.reg" 'HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Explorer\Shell Folders' Favorites)" = - ] ||
        { echo "  a Favorites value was recorded" >&2; return 1; }
}

run_case() {  # run_case NAME COMMAND...
    local name=$1
    shift
    if "$@"; then
        echo "PASS capture $name"
        passed=$((passed + 1))
    else
        echo "FAIL capture $name"
        failed=$((failed + 1))
    fi
}

run_case full round_trip full leave_as_laid -h
run_case no-zmint round_trip no-zmint remove_zmint
run_case no-favorites-value round_trip no-favorites-value delete_favorites

# An OUTDIR that cannot be written: a clear message, a non-zero exit, nothing left behind.
unwritable() {
    local prefix=$work/unwritable.prefix ok=0
    wine_lay "$template" "$source_image" "$prefix" || return 1
    mkdir -p "$work/exists"
    for out in "$work/missing/parent/out" "$work/exists"; do
        capture "$prefix" "$(winpath "$out")"
        code=$?
        if [ $code -ne 2 ] || ! grep -q "cannot write" "$work/capture.err"; then
            echo "  OUTDIR $out: exit code $code, message: $(cat "$work/capture.err")" >&2
            ok=1
        fi
    done
    [ -z "$(ls "$work/exists")" ] || { echo "  the existing OUTDIR was written into" >&2; ok=1; }
    [ ! -e "$work/missing" ] || { echo "  a folder was made for a missing parent" >&2; ok=1; }
    ls -d "$work"/*.partial-* >/dev/null 2>&1 && { echo "  a temporary folder was left" >&2; ok=1; }
    # The version resource, read back through GetFileVersionInfoA in the same prefix.
    cp "$capture_exe" "$build/verinfo.exe" "$prefix/drive_c/"
    (cd "$prefix/drive_c" && WINEPREFIX=$prefix wine 'C:\verinfo.exe' 'C:\FacetCapture.exe' 2>/dev/null | tr -d '\r') \
        >"$work/version.txt"
    remove_prefix "$prefix"
    return $ok
}
run_case unwritable-outdir unwritable

# A Favorites value whose ".." climbs above C:\ (Windows stops there; placed below the
# image's drive_c it would reach beside OUTDIR): the capture completes without that folder,
# names it in its notes, exits 3, and nothing is written beside OUTDIR.
favorites_climb() {
    local prefix=$work/climb.prefix dir=$work/climb value='C:\..\..\sentinel' code leaked ok=0
    wine_lay "$template" "$source_image" "$prefix" || return 1
    WINEPREFIX=$prefix wine reg add 'HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\Shell Folders' \
        /v Favorites /d "$value" /f >/dev/null 2>&1 || return 1
    mkdir -p "$prefix/drive_c/sentinel" "$dir/sentinel"
    printf '[InternetShortcut]\r\nURL=http://www.example.com/\r\n' >"$prefix/drive_c/sentinel/Escape.URL"
    capture "$prefix" "$(winpath "$dir/out")"
    code=$?
    [ $code -eq 3 ] || { echo "  exit code $code, not 3: $(cat "$work/capture.err")" >&2; ok=1; }
    leaked=$(cd "$dir" && find . -mindepth 1 -not -path ./out -not -path './out/*' -not -path ./sentinel)
    [ -z "$leaked" ] || { echo "  written beside OUTDIR: $leaked" >&2; ok=1; }
    for notes in "$dir/out/capture-notes.txt" "$work/capture.err"; do
        grep -q -F "Favorites folder $value" "$notes" 2>/dev/null || { echo "  $notes does not name $value" >&2; ok=1; }
    done
    [ -f "$dir/out/drive_c/Facet/Facet.INI" ] || { echo "  the rest was not recorded" >&2; ok=1; }
    "$FACET_SIM" explain "$dir/out" >/dev/null 2>&1
    [ $? -ne 2 ] || { echo "  facet-sim cannot read the image" >&2; ok=1; }
    remove_prefix "$prefix"
    return $ok
}
run_case favorites-climb favorites_climb

# FacetCapture.exe as Windows sees it: a 64-bit console program that imports only DLLs
# of Windows itself, with a version resource in the form of Facet.exe's (read under
# Wine by the unwritable-OUTDIR case).
program_checks() {
    local headers ok=0 dll got
    headers=$(x86_64-w64-mingw32-objdump -p "$capture_exe")
    grep -q -E '^Subsystem[[:space:]]+00000003' <<<"$headers" || { echo "  not a console program" >&2; ok=1; }
    while read -r dll; do
        grep -q -i -E '^(kernel32|user32|advapi32|shell32|shlwapi|version|msvcrt)\.dll$' <<<"$dll" ||
            { echo "  imports $dll" >&2; ok=1; }
    done < <(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$headers")
    got=$(cat "$work/version.txt")
    local version
    version=$("$FACET_SIM" --version | awk '{print $2}')
    for want in "FixedFileVersion=$version" CompanyName=Corvane ProductName=Facet OriginalFilename=FacetCapture.exe \
        'FileDescription=Facet machine capture'; do
        grep -q -x "$want" <<<"$got" || { echo "  version resource lacks $want" >&2; ok=1; }
    done
    return $ok
}
run_case program program_checks

echo "capture round trip: $passed passed, $failed failed"
[ $failed -eq 0 ]
