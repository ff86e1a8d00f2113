# Wine harness: runs the real Facet.exe on a machine image inside a Wine prefix of its
# own. Sourced by tests/scenarios/run.sh; every prefix lives under the build folder and
# is never the user's.
#
#   wine_prepare_template DIR      makes (once) a booted prefix to copy from
#   wine_copy TEMPLATE PREFIX      a fresh prefix copied from the template
#   wine_lay TEMPLATE IMAGE PREFIX copies the template and lays the image into it
#   wine_run PREFIX [ARGS...]      runs Facet.exe there, returns its exit code
#   wine_stop PREFIX               stops the prefix's wine server
#   wine_reg PREFIX KEY VALUE      one registry value, in .reg notation ("-" when missing)
#
# What the image says of the machine reaches Wine thus: drive_c is copied over the
# prefix's C:, [ZMINT] installs the test build of ZMINT.DLL that exports the listed
# names and reports the listed values, and [Locale] becomes LANG (Wine has one
# identifier for user and UI language, so the two must be equal).

export WINEDEBUG=-all
# No browser engine or .NET installs when a prefix is made; headless, no X server.
export WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY

: "${FACET_EXE:?FACET_EXE must name the built Facet.exe}"
: "${FACET_SIM:?FACET_SIM must name the built facet-sim}"

wine_prepare_template() {
    local dir=$1
    if [ -f "$dir/.facet-template" ]; then return 0; fi
    rm -rf "$dir"
    mkdir -p "$(dirname "$dir")"
    WINEPREFIX=$dir wineboot -i >/dev/null 2>&1 || true
    WINEPREFIX=$dir wineserver -w
    # The stand-in resolver reads the prefix as a machine image with every default.
    : >"$dir/machine.ini"
    [ -d "$dir/drive_c/windows" ] || { echo "wine: could not make a prefix in $dir" >&2; return 1; }
    touch "$dir/.facet-template"
}

# The Windows path of the program in the image, as machine.ini gives it.
wine_executable() {
    "$FACET_SIM" ini "$1/machine.ini" Machine Executable 'C:\Facet\Facet.exe'
}

# Lays the image's C: over the prefix's, matching names without regard to case as Windows
# does: the image's Windows folder goes into the prefix's "windows", not beside it.
wine_copy_drive() {
    local image=$1 prefix=$2 type rel win host
    while read -r type rel; do
        [ "$(basename "$rel")" = .gitkeep ] && continue
        win="C:\\${rel//\//\\}"
        host=$("$FACET_SIM" resolve "$prefix" "$win") || return 1
        if [ "$type" = d ]; then
            mkdir -p "$host"
        else
            cp -p "$image/drive_c/$rel" "$host"
        fi
    done < <(cd "$image/drive_c" && find . -mindepth 1 -printf '%y %P\n')
}

wine_copy() {
    rm -rf "$2"
    cp -a "$1" "$2"
    rm -f "$2/.facet-template"
}

wine_lay() {
    local template=$1 image=$2 prefix=$3
    wine_copy "$template" "$prefix"
    wine_copy_drive "$image" "$prefix" || return 1
    local exe host
    exe=$(wine_executable "$image")
    host=$("$FACET_SIM" resolve "$prefix" "$exe") || return 1
    mkdir -p "$(dirname "$host")"
    cp "$FACET_EXE" "$host"
    echo "$exe" >"$prefix/.facet-exe"
    wine_lay_zmint "$image" "$(dirname "$host")" || return 1
    wine_locale "$image" >"$prefix/.facet-lang" || return 1
    if [ -f "$image/registry.reg" ]; then
        cp "$image/registry.reg" "$prefix/drive_c/facet-import.reg"
        WINEPREFIX=$prefix wine regedit /S 'C:\facet-import.reg' >/dev/null 2>&1 || return 1
        rm -f "$prefix/drive_c/facet-import.reg"
    fi
}

wine_reg() {
    local prefix=$1 key=$2 value=$3 out
    out=$prefix/drive_c/facet-export.reg
    rm -f "$out"
    WINEPREFIX=$prefix wine regedit /E 'C:\facet-export.reg' "$key" >/dev/null 2>&1
    if [ -f "$out" ]; then
        "$FACET_SIM" reg "$out" "$key" "$value"
        rm -f "$out"
    else
        echo -
    fi
}

wine_lay_zmint() {
    local image=$1 dir=$2
    grep -q -i -E '^[[:space:]]*\[[[:space:]]*ZMINT[[:space:]]*\]' "$image/machine.ini" || return 0
    local exports mask=0 name
    exports=$("$FACET_SIM" ini "$image/machine.ini" ZMINT Exports '*all*')
    if [ "$exports" = '*all*' ]; then
        mask=7
    else
        IFS=, read -r -a names <<<"$exports"
        for name in "${names[@]}"; do
            name=$(echo "$name" | tr -d ' \t')
            case $name in
                zmiGetModelName) mask=$((mask | 1)) ;;
                zmiGetOSVersion) mask=$((mask | 2)) ;;
                zmiGetMachineId) mask=$((mask | 4)) ;;
            esac
        done
    fi
    cp "$(dirname "$FACET_EXE")/zmint-test-$mask.dll" "$dir/ZMINT.DLL"
    cp "$image/machine.ini" "$dir/zmint-test.ini"
}

# LANG for the image's language identifiers.
wine_locale() {
    local user ui
    user=$("$FACET_SIM" ini "$1/machine.ini" Locale UserDefaultLangID 0409 | tr a-f A-F)
    ui=$("$FACET_SIM" ini "$1/machine.ini" Locale SystemDefaultUILanguage 0409 | tr a-f A-F)
    if [ "$user" != "$ui" ]; then
        echo "wine: user ($user) and UI ($ui) language differ; Wine cannot show that" >&2
        return 1
    fi
    case $ui in
        0409) echo en_US.UTF-8 ;;
        0809) echo en_GB.UTF-8 ;;
        0407) echo de_DE.UTF-8 ;;
        040C) echo fr_FR.UTF-8 ;;
        0C0A) echo es_ES.UTF-8 ;;
        0401) echo ar_SA.UTF-8 ;;
        040D) echo he_IL.UTF-8 ;;
        0411) echo ja_JP.UTF-8 ;;
        *) echo "wine: no locale known for language $ui" >&2; return 1 ;;
    esac
}

wine_run() {
    local prefix=$1
    shift
    local exe host
    exe=$(cat "$prefix/.facet-exe")
    host=$("$FACET_SIM" resolve "$prefix" "$exe")
    local lang
    lang=$(cat "$prefix/.facet-lang")
    (cd "$(dirname "$host")" &&
        WINEPREFIX=$prefix LANG=$lang LC_ALL=$lang wine "$exe" "$@" </dev/null >/dev/null 2>&1)
}

wine_stop() {
    WINEPREFIX=$1 wineserver -k >/dev/null 2>&1 || true
}
