# Wine harness: runs the real Facet.exe on a machine image inside a Wine prefix of its
# own. Sourced by tests/scenarios/run.sh; every prefix lives under the build folder and
# is never the user's.
#
#   wine_prepare_template DIR      makes (once) a booted prefix to copy from
#   wine_lay TEMPLATE IMAGE PREFIX copies the template and lays the image into it
#   wine_run PREFIX [ARGS...]      runs Facet.exe there, returns its exit code
#   wine_stop PREFIX               stops the prefix's wine server

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

wine_lay() {
    local template=$1 image=$2 prefix=$3
    rm -rf "$prefix"
    cp -a "$template" "$prefix"
    rm -f "$prefix/.facet-template"
    cp -a "$image/drive_c/." "$prefix/drive_c/"
    find "$prefix/drive_c" -name .gitkeep -delete
    local exe host
    exe=$(wine_executable "$image")
    host=$("$FACET_SIM" resolve "$prefix" "$exe") || return 1
    mkdir -p "$(dirname "$host")"
    cp "$FACET_EXE" "$host"
    echo "$exe" >"$prefix/.facet-exe"
}

wine_run() {
    local prefix=$1
    shift
    local exe host
    exe=$(cat "$prefix/.facet-exe")
    host=$("$FACET_SIM" resolve "$prefix" "$exe")
    (cd "$(dirname "$host")" && WINEPREFIX=$prefix wine "$exe" "$@" </dev/null >/dev/null 2>&1)
}

wine_stop() {
    WINEPREFIX=$1 wineserver -k >/dev/null 2>&1 || true
}
