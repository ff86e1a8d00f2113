#!/usr/bin/env bash
# Checks the built Facet.exe as Windows will see it: a 64-bit GUI program that imports
# only DLLs of Windows itself, with the version resource that the factory tools read;
# and ZMINT.DLL beside it: exactly the three entry points, loadable under Wine, answering
# within its limits whatever the (virtual) firmware holds.
# Also: the host's version-resource reader gives the same four numbers as Windows'
# GetFileVersionInfoA (under Wine) for our programs, a 32-bit build of FacetVer.exe and
# some of Wine's own PE files.
#   check-exe.sh FACET_EXE VERINFO_EXE FACET_SIM
#   (ZMINT.DLL, zmint_probe.exe and FacetVer.exe beside FACET_EXE)
set -u
here=$(cd "$(dirname "$0")" && pwd)
exe=$(realpath "${1:?Facet.exe}")
verinfo=$(realpath "${2:?verinfo.exe}")
facet_sim=$(realpath "${3:?facet-sim}")
fail=0

headers=$(x86_64-w64-mingw32-objdump -p "$exe")
grep -q -E '^Magic[[:space:]]+020b' <<<"$headers" || { echo "not a PE32+ image" >&2; fail=1; }
grep -q -E '^Subsystem[[:space:]]+00000002' <<<"$headers" || { echo "not a GUI-subsystem program" >&2; fail=1; }

# DLLs that every Windows installation has in its system folder.
allowed='^(kernel32|user32|advapi32|shell32|shlwapi|version|msvcrt|ntdll|ole32|api-ms-win-crt-[a-z0-9-]+)\.dll$'
zmint=$(dirname "$exe")/ZMINT.DLL
exports=$(x86_64-w64-mingw32-objdump -p "$zmint" | sed -n '/Ordinal\/Name Pointer/,/^$/p' | sed -n 's/^[[:space:]]*\[ *[0-9]*\] //p' | sort | tr '\n' ' ')
if [ "$exports" != "zmiGetMachineId zmiGetModelName zmiGetOSVersion " ]; then
    echo "ZMINT.DLL exports: $exports" >&2
    fail=1
fi
imports=$( (echo "$headers"; x86_64-w64-mingw32-objdump -p "$zmint") | sed -n 's/^[[:space:]]*DLL Name: //p')

while read -r dll; do
    if ! grep -q -i -E "$allowed" <<<"$dll"; then
        echo "imports a DLL that Windows does not ship: $dll" >&2
        fail=1
    fi
done <<<"$imports"

# The version resource, read back through GetFileVersionInfoA under Wine, in a copy of
# the booted prefix the scenarios start from (tests/wine/harness.sh).
FACET_EXE=$exe FACET_SIM=$facet_sim
export FACET_EXE FACET_SIM
# shellcheck source=harness.sh
. "$here/harness.sh"
wine_prepare_template "$(dirname "$exe")/wine-template" || exit 1
prefix=$(dirname "$exe")/wine-check-exe
wine_copy "$(dirname "$exe")/wine-template" "$prefix"
mkdir -p "$prefix/drive_c/check"
cp "$exe" "$prefix/drive_c/check/Facet.exe"
cp "$verinfo" "$prefix/drive_c/check/verinfo.exe"
got=$(cd "$prefix/drive_c/check" && WINEPREFIX=$prefix wine 'C:\check\verinfo.exe' 'C:\check\Facet.exe' 2>/dev/null | tr -d '\r')
cp "$zmint" "$(dirname "$exe")/zmint_probe.exe" "$prefix/drive_c/check/"
probe=$(cd "$prefix/drive_c/check" && WINEPREFIX=$prefix wine 'C:\check\zmint_probe.exe' 2>/dev/null | tr -d '\r')
WINEPREFIX=$prefix wineserver -k >/dev/null 2>&1
if ! grep -q '^guards=ok$' <<<"$probe" || ! grep -q '^terminated=yes$' <<<"$probe"; then
    echo "ZMINT.DLL under Wine: $probe" >&2
    fail=1
fi
# File versions: host reader against GetFileVersionInfoA.
build=$(dirname "$exe")
i686-w64-mingw32-windres "$build/tools/facetver/facetver.rc" -O coff -o "$prefix/fv32.res" &&
    i686-w64-mingw32-g++ -O2 -o "$prefix/drive_c/check/FacetVer32.exe" "$here/../../tools/facetver/facetver.cpp" \
        "$prefix/fv32.res" -nostdlib -nostartfiles -Wl,--entry=_FacetVerEntry@0 -mwindows -lkernel32 ||
    { echo "cannot build the 32-bit FacetVer.exe" >&2; fail=1; }
cp "$build/FacetVer.exe" "$prefix/drive_c/check/"
for win in 'C:\check\Facet.exe' 'C:\check\FacetVer.exe' 'C:\check\FacetVer32.exe' 'C:\check\ZMINT.DLL' \
    'C:\windows\system32\kernel32.dll' 'C:\windows\system32\version.dll' 'C:\windows\system32\shell32.dll' \
    'C:\windows\system32\notepad.exe'; do
    wine_says=$(cd "$prefix/drive_c/check" && WINEPREFIX=$prefix wine 'C:\check\verinfo.exe' "$win" 2>/dev/null |
        tr -d '\r' | sed -n 's/^FixedFileVersion=//p')
    host_file=$prefix/drive_c/$(echo "${win#C:\\}" | tr '\\' /)
    host_says=$("$facet_sim" version "$host_file" | cut -f2)
    [ -n "$wine_says" ] || wine_says=-
    if [ "$wine_says" != "$host_says" ]; then
        echo "file version of $win: Wine $wine_says, host reader $host_says" >&2
        fail=1
    fi
done
WINEPREFIX=$prefix wineserver -k >/dev/null 2>&1

# The expected resource with the project version (facet-sim --version) put in.
version=$("$facet_sim" --version | sed 's/^facet-sim //')
expected=$(sed -e "s/@VERSION@/$version/g" -e "s/@VERSION_TEXT@/${version//./, }/g" "$here/facet-version.txt")
if [ "$got" != "$expected" ]; then
    echo "version resource differs:" >&2
    diff <(echo "$got") <(echo "$expected") >&2
    fail=1
fi
rm -rf "$prefix"

if [ $fail -eq 0 ]; then echo "PASS Facet.exe and ZMINT.DLL checks"; else echo "FAIL Facet.exe and ZMINT.DLL checks"; fi
exit $fail
