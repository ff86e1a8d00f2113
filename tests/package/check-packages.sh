#!/usr/bin/env bash
# Builds both release packages and checks them as their users will meet them:
# - the factory zip (cpack in the Windows build): its file list, the bytes of what it
#   carries, README.txt with CR LF line ends, and the version resources of its programs,
#   read by the host reader and by GetFileVersionInfoA under Wine;
# - the Debian package (cpack -G DEB in the host build): its control fields and
#   dependencies, unpacked into a scratch root with dpkg -x, where the installed
#   facet-sim must print the project version and run the sample machine as the build
#   tree's facet-sim does; its man page and its bash completion;
# - cmake --install of the host build into a scratch prefix.
#   check-packages.sh HOST_BUILD_DIR WINDOWS_BUILD_DIR
set -u
src=$(cd "$(dirname "$0")/../.." && pwd)
host_build=$(realpath "${1:?host build folder}")
win_build=$(realpath "${2:?windows build folder}")
work=$(mktemp -d /tmp/facet-packages.XXXXXX)
trap 'rm -rf "$work"' EXIT
fail=0
bad() {
    echo "FAIL: $*" >&2
    fail=1
}
cache() { sed -n "s/^$1:[A-Z]*=//p" "$2/CMakeCache.txt"; }

version=$(cache CMAKE_PROJECT_VERSION "$host_build")
[ -n "$version" ] || { echo "no project version in $host_build" >&2; exit 2; }
[ "$(cache CMAKE_PROJECT_VERSION "$win_build")" = "$version" ] || bad "the two builds are of different versions"
stamp=$(cache FACET_VER_FILE_VERSION "$win_build" | tr ',' '.' | tr -d ' ')
# "1, 0, 1, 1": the form of the version strings in the resources.
version_text=$(sed 's/\./, /g' <<<"$version")

# ---- the factory zip ----
cpack --config "$win_build/CPackConfig.cmake" -B "$work/zip" >"$work/cpack-zip.log" 2>&1 ||
    { cat "$work/cpack-zip.log" >&2; bad "cpack on the Windows build"; }
zip=$work/zip/Facet-$version-win64.zip
if [ ! -f "$zip" ]; then
    bad "no $(basename "$zip")"
else
    mkdir -p "$work/unzipped"
    (cd "$work/unzipped" && cmake -E tar xf "$zip") || bad "cannot unpack the zip"
    sample=$src/examples/machine/drive_c/Facet
    with_capture=no
    [ -f "$win_build/FacetCapture.exe" ] && with_capture=yes
    {
        echo README.txt
        echo Facet/Facet.exe
        echo Facet/ZMINT.DLL
        echo Facet/FacetVer.exe
        [ $with_capture = yes ] && echo Facet/FacetCapture.exe
        echo Facet/Facet.INI
        (cd "$sample" && find Bitmap -type f | sed 's|^|Facet/|')
    } | sort >"$work/zip-expected"
    (cd "$work/unzipped" && find . -type f | sed 's|^\./||' | sort) >"$work/zip-got"
    diff "$work/zip-expected" "$work/zip-got" >&2 || bad "the zip's file list (< expected, > found)"

    u=$work/unzipped/Facet
    for f in Facet.exe ZMINT.DLL FacetVer.exe; do
        cmp -s "$win_build/$f" "$u/$f" || bad "Facet/$f is not the build's $f"
    done
    [ $with_capture = yes ] && { cmp -s "$win_build/FacetCapture.exe" "$u/FacetCapture.exe" || bad "FacetCapture.exe differs from the build's"; }
    (cd "$sample" && find Facet.INI Bitmap -type f) | while read -r f; do
        cmp -s "$sample/$f" "$u/$f" || echo "Facet/$f"
    done >"$work/sample-diff"
    [ -s "$work/sample-diff" ] && bad "sample files that differ from examples/: $(tr '\n' ' ' <"$work/sample-diff")"

    readme=$work/unzipped/README.txt
    lines=$(wc -l <"$readme")
    crlf=$(grep -c $'\r$' "$readme")
    [ "$lines" -gt 20 ] && [ "$crlf" -eq "$lines" ] || bad "README.txt: $crlf of $lines lines end in CR LF"
    [ "$(tail -c 2 "$readme" | od -An -tx1 | tr -d ' ')" = 0d0a ] || bad "README.txt does not end in CR LF"
    LC_ALL=C grep -q -P '[^\x00-\x7f]' "$readme" && bad "README.txt is not plain ASCII"
    for text in "FACET $version" 'C:\Facet\Facet.exe -h' 'C:\FACTORY\Util\Facet.Log' 'ResultCode=0'; do
        grep -q -F "$text" "$readme" || bad "README.txt does not say: $text"
    done
    if [ $with_capture = yes ]; then
        grep -q -F 'C:\Facet\FacetCapture.exe' "$readme" || bad "README.txt does not tell how to capture a machine"
    else
        grep -q -F 'FacetCapture' "$readme" && bad "README.txt names FacetCapture.exe, which the zip lacks"
    fi

    # File versions as the engine's host reader sees them.
    expect_fixed() {  # FILE VERSION
        local got
        got=$("$host_build/facet-sim" version "$u/$1" | cut -f2)
        [ "$got" = "$2" ] || bad "file version of $1: $got, expected $2"
    }
    expect_fixed Facet.exe "$version"
    expect_fixed ZMINT.DLL "$version"
    expect_fixed FacetVer.exe "$stamp"
    [ $with_capture = yes ] && expect_fixed FacetCapture.exe "$version"

    # And as Windows reads them: GetFileVersionInfoA under Wine, through verinfo.exe.
    # A copy of the booted prefix the Wine tests start from (tests/wine/harness.sh).
    if [ -x "$(command -v wine)" ] && [ -f "$win_build/verinfo.exe" ]; then
        FACET_EXE=$win_build/Facet.exe FACET_SIM=$host_build/facet-sim
        export FACET_EXE FACET_SIM
        # shellcheck source=../wine/harness.sh
        . "$src/tests/wine/harness.sh"
        wine_prepare_template "$win_build/wine-template" || bad "no Wine prefix to copy"
        export WINEPREFIX=$work/wine
        wine_copy "$win_build/wine-template" "$WINEPREFIX"
        mkdir -p "$WINEPREFIX/drive_c/Facet"
        cp "$u"/*.exe "$u"/*.DLL "$win_build/verinfo.exe" "$WINEPREFIX/drive_c/Facet/"
        verinfo() { (cd "$WINEPREFIX/drive_c/Facet" && wine 'C:\Facet\verinfo.exe' "C:\\Facet\\$1" 2>/dev/null | tr -d '\r'); }
        expect_strings() {  # FILE FIXED TEXT
            local got
            got=$(verinfo "$1")
            grep -qx "FixedFileVersion=$2" <<<"$got" && grep -qx "FixedProductVersion=$2" <<<"$got" &&
                grep -qx "FileVersion=$3" <<<"$got" && grep -qx "ProductVersion=$3" <<<"$got" &&
                grep -qx "OriginalFilename=$1" <<<"$got" ||
                bad "version resource of $1 under Wine: $(tr '\n' ' ' <<<"$got")"
        }
        expect_strings Facet.exe "$version" "$version_text"
        expect_strings ZMINT.DLL "$version" "$version_text"
        expect_strings FacetVer.exe "$stamp" "$(sed 's/\./, /g' <<<"$stamp")"
        [ $with_capture = yes ] && expect_strings FacetCapture.exe "$version" "$version_text"
        # Facet.exe's strings stay exactly those the factory tools know.
        verinfo Facet.exe | diff - <(sed -e "s/@VERSION@/$version/g" -e "s/@VERSION_TEXT@/$version_text/g" \
            "$src/tests/wine/facet-version.txt") >&2 ||
            bad "Facet.exe's version resource differs from tests/wine/facet-version.txt"
        wineserver -k >/dev/null 2>&1
    else
        bad "wine or verinfo.exe missing: the version resources were not read as Windows reads them"
    fi
fi

# ---- the Debian package ----
cpack --config "$host_build/CPackConfig.cmake" -G DEB -B "$work/deb" >"$work/cpack-deb.log" 2>&1 ||
    { cat "$work/cpack-deb.log" >&2; bad "cpack -G DEB on the host build"; }
deb=$(ls "$work"/deb/facet-sim_"$version"_*.deb 2>/dev/null | head -n 1)
if [ -z "$deb" ]; then
    bad "no facet-sim_${version}_ARCH.deb"
else
    field() { dpkg-deb -f "$deb" "$1"; }
    [ "$(field Package)" = facet-sim ] || bad "package name $(field Package)"
    [ "$(field Version)" = "$version" ] || bad "package version $(field Version)"
    [ "$(field Architecture)" = "$(dpkg --print-architecture)" ] || bad "architecture $(field Architecture)"
    depends=$(field Depends)
    root=$work/root
    dpkg -x "$deb" "$root" || bad "dpkg -x"
    sim=$root/usr/bin/facet-sim
    for f in usr/bin/facet-sim usr/share/man/man1/facet-sim.1.gz usr/share/bash-completion/completions/facet-sim; do
        [ -f "$root/$f" ] || bad "the package lacks /$f"
    done
    # Nothing from the build tree: no run path, and every library it needs belongs to a
    # Debian package that the Depends line names.
    readelf -d "$sim" | grep -q -E '\((RPATH|RUNPATH)\)' && bad "facet-sim carries a run path"
    for lib in $(readelf -d "$sim" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p'); do
        path=$(ldd "$sim" | awk -v l="$lib" '$1 == l { print $3 }')
        owner=$( [ -n "$path" ] && dpkg -S "$(realpath "$path")" 2>/dev/null | head -n 1 | cut -d: -f1)
        [ -n "$owner" ] || owner=$( [ -n "$path" ] && dpkg -S "$path" 2>/dev/null | head -n 1 | cut -d: -f1)
        if [ -z "$owner" ]; then
            bad "facet-sim needs $lib, which no Debian package provides"
        elif ! sed 's/ *([^)]*)//g; s/ *| */\n/g; s/, */\n/g' <<<"$depends" | grep -q -x -F "$owner"; then
            bad "facet-sim needs $lib from $owner, which Depends ($depends) does not name"
        fi
    done

    got=$("$sim" --version)
    [ "$got" = "facet-sim $version" ] || bad "installed facet-sim --version: $got"

    # The installed facet-sim runs the sample machine as the build tree's does.
    cp -a "$src/examples/machine" "$work/machine-installed"
    cp -a "$src/examples/machine" "$work/machine-build"
    "$sim" run "$work/machine-installed" -h || bad "installed facet-sim run: exit code $?"
    "$host_build/facet-sim" run "$work/machine-build" -h >/dev/null
    log=$work/machine-installed/drive_c/FACTORY/Util/Facet.Log
    [ "$(tr -d '\r' <"$log" 2>/dev/null | grep -v '^$' | tail -n 1)" = "ResultCode=0" ] ||
        bad "the run's log does not end with ResultCode=0"
    diff -r "$work/machine-installed" "$work/machine-build" >&2 || bad "installed and built facet-sim leave different images"

    # The man page: renders without a warning and describes every command.
    page=$root/usr/share/man/man1/facet-sim.1.gz
    warnings=$(zcat "$page" | groff -man -ww -z 2>&1)
    [ -z "$warnings" ] || bad "man page: $warnings"
    zcat "$page" | grep -q "^\.TH FACET-SIM 1 .*facet-sim $version" || bad "man page does not carry version $version"
    commands=$("$sim" --help | sed -n '/^Subcommands:/,$ s/^  \([a-z][a-z0-9-]*\) .*/\1/p')
    [ -n "$commands" ] || bad "facet-sim --help lists no commands"
    for c in $commands; do
        zcat "$page" | grep -q "^\.SS \"$c\b" || bad "man page does not describe the command $c"
    done

    # Bash completion, as bash calls it (COMP_WORDS, COMP_CWORD, COMP_LINE in, COMPREPLY
    # out): on its own, and with the bash-completion package's helpers loaded.
    completion=$root/usr/share/bash-completion/completions/facet-sim
    complete_line() {  # WORDS... ; the last word is the one being completed
        PATH=$root/usr/bin:$PATH bash -c '
            [ -n "$1" ] && source "$1"
            source "$2"
            shift 2
            COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); COMP_LINE="$*"; COMP_POINT=${#COMP_LINE}
            _facet_sim facet-sim "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD-1]}"
            ((${#COMPREPLY[@]})) && printf "%s\n" "${COMPREPLY[@]}" | sort' _ "$helpers" "$completion" "$@"
    }
    # The list used when facet-sim cannot be asked names every command it has.
    fallback=$(sed -n 's/.*cmds="\(.*\)"$/\1/p' "$completion")
    for c in $commands; do
        grep -qw -- "$c" <<<"$fallback" || bad "the completion's own command list lacks $c"
    done
    mkdir -p "$work/c/image-one" "$work/c/image-two"
    touch "$work/c/image-file"
    for helpers in "" /usr/share/bash-completion/bash_completion; do
        [ -z "$helpers" ] || [ -f "$helpers" ] || { bad "bash-completion is not installed"; continue; }
        how=${helpers:+ with bash-completion}
        listed=$(complete_line facet-sim "")
        for c in $commands; do
            grep -qx "$c" <<<"$listed" || bad "completion$how does not offer the command $c"
        done
        expect_completion() {  # EXPECTED WORDS...
            local want=$1 got
            shift
            got=$(complete_line "$@" | tr '\n' ' ')
            [ "$got" = "$want" ] || bad "completion$how of '$*': '$got', expected '$want'"
        }
        expect_completion "edid " facet-sim ed
        expect_completion "--json " facet-sim edid --j
        expect_completion "--registry " facet-sim edid --reg
        expect_completion "--help --report --sync -h " facet-sim run "$work/c" -
        expect_completion "$work/c/image-one $work/c/image-two " facet-sim run "$work/c/im"
        expect_completion "$work/c/image-one " facet-sim edid --json --registry "$work/c/image-o"
        expect_completion "$work/c/image-file " facet-sim version "$work/c/image-f"
        expect_completion "" facet-sim regions ""
    done
fi

# ---- cmake --install of the host build ----
cmake --install "$host_build" --prefix "$work/prefix" >/dev/null || bad "cmake --install"
for f in bin/facet-sim share/man/man1/facet-sim.1.gz share/bash-completion/completions/facet-sim; do
    [ -f "$work/prefix/$f" ] || bad "cmake --install did not install $f"
done

if [ $fail -eq 0 ]; then echo "PASS release packages ($(basename "${zip:-}") and $(basename "${deb:-}"))"; else echo "FAIL release packages"; fi
exit $fail
