#!/usr/bin/env bash
# How the cost of a branding run grows with its inputs. Grows one input of the sample
# machine at a time in a temporary folder, runs `facet-sim run IMAGE -h` on a fresh copy
# and `cat` of the same input files, and prints CPU times (user + system, median of the
# repetitions), their ratio, the run's peak memory and the goal for that point. First it
# times the sample run against `cat` of its input files in wall time, as pairs (one run,
# then one cat, on a fresh copy each time), with and without --sync.
#
#   scripts/scaling.sh [--smoke] [FACET_SIM]
#
# --smoke takes only the small points, once each, to see that the script works (the
# test command runs it so); it fails only when a run fails. The full table takes a few
# minutes and about 1 GiB of temporary disk.
set -u
cd "$(dirname "$0")/.."
smoke=0
if [ "${1:-}" = --smoke ]; then
    smoke=1
    shift
fi
facet_sim=$(realpath "${1:-build/host/facet-sim}")
[ -x "$facet_sim" ] || { echo "scaling.sh: no facet-sim at $facet_sim" >&2; exit 2; }
command -v /usr/bin/time >/dev/null || { echo "scaling.sh: needs GNU time (/usr/bin/time)" >&2; exit 2; }

work=$(mktemp -d /tmp/facet-scaling-XXXXXX)
trap 'rm -rf "$work"' EXIT
sample=examples/machine
reps=3
[ $smoke -eq 1 ] && reps=1
failed=0

# cpu_of RESULT_VAR COMMAND... : CPU seconds (user + system, to the millisecond) of one
# command, its output dropped: what the shell's `times` reports for the children of a
# subshell that runs only this command. Fails when the command fails.
cpu_of() {
    local var=$1
    shift
    local out
    out=$(
        "$@" >/dev/null 2>"$work/stderr"
        echo "rc $?"
        times
    )
    printf -v "$var" "%s" "$(echo "$out" | awk '$1 != "rc" { n++ } $1 != "rc" && n == 2 {
        split($1, u, /[ms]/); split($2, s, /[ms]/); print u[1] * 60 + u[2] + s[1] * 60 + s[2] }')"
    return "$(echo "$out" | awk '$1 == "rc" { print $2 }')"
}

# mem_of RESULT_VAR COMMAND... : "peak_kib wall_seconds" of one command (GNU time).
mem_of() {
    local var=$1
    shift
    /usr/bin/time -f "%M %e" -o "$work/time" "$@" >/dev/null 2>"$work/stderr"
    local rc=$?
    printf -v "$var" "%s" "$(cat "$work/time")"
    return $rc
}

calc() { awk "BEGIN { print $1 }"; }
median() { sort -g | awk '{v[NR]=$1} END {print v[int((NR+1)/2)]}'; }

# point NAME AT IMAGE GOAL: runs and cats IMAGE, prints one table row.
point() {
    local name=$1 at=$2 image=$3 goal=$4
    local files=()
    while IFS= read -r -d '' f; do files+=("$f"); done < <(find "$image" -type f -print0)
    local runs=() cats=() mems=() walls=()
    for ((r = 0; r < reps; r++)); do
        local cpu res
        rm -rf "$work/run"
        cp -a "$image" "$work/run"
        if ! cpu_of cpu "$facet_sim" run "$work/run" -h; then
            echo "scaling.sh: facet-sim run failed on $name $at: $(cat "$work/stderr")" >&2
            failed=1
        fi
        runs+=("$cpu")
        cpu_of cpu cat "${files[@]}"
        cats+=("$cpu")
        # Memory and wall time in a run of their own, so that GNU time costs no CPU above.
        rm -rf "$work/run"
        cp -a "$image" "$work/run"
        mem_of res "$facet_sim" run "$work/run" -h
        read -r mem wall <<<"$res"
        mems+=("$mem")
        walls+=("$wall")
    done
    run_cpu=$(printf '%s\n' "${runs[@]}" | median)
    cat_cpu=$(printf '%s\n' "${cats[@]}" | median)
    run_mem=$(printf '%s\n' "${mems[@]}" | median)
    run_wall=$(printf '%s\n' "${walls[@]}" | median)
    # A reading below a millisecond counts as one.
    local cat_floor
    cat_floor=$(calc "($cat_cpu < 0.001) ? 0.001 : $cat_cpu")
    local ratio
    ratio=$(calc "$run_cpu / $cat_floor")
    printf '| %-22s | %9s | %7.3f s | %7.3f s | %7.1fx | %6d MiB | %s\n' "$name" "$at" "$run_cpu" "$cat_cpu" \
        "$ratio" $((run_mem / 1024)) "$goal"
}

header() {
    printf '| %-22s | %9s | %9s | %9s | %8s | %10s | %s\n' "input grown" at "run CPU" "cat CPU" "run/cat" \
        "run peak" goal
    printf '|%s|\n' "------------------------|-----------|-----------|-----------|----------|------------|------"
}

# Each builder makes $work/img/NAME from the sample and prints its path.
fresh() {
    local dir=$work/img/$1
    rm -rf "$dir"
    mkdir -p "$work/img"
    cp -a "$sample" "$dir"
    echo "$dir"
}

grow_signup() {  # pairs already in the sign-up file
    local dir
    dir=$(fresh "signup-$1")
    awk -v n="$1" 'BEGIN { printf "[FavoritesEx]\r\n"; for (i = 1; i <= n; i++)
        printf "Title%d=Link %d.URL\r\nURL%d=http://x.example/%d\r\n", i, i, i, i }' \
        >"$dir/drive_c/Program Files/Internet Explorer/SIGNUP/INSTALL.INS"
    echo "$dir"
}

grow_registry() {  # values in registry.reg, twenty to a key, as regedit exports them
    local dir
    dir=$(fresh "registry-$1")
    awk -v n="$1" 'BEGIN { for (i = 0; i < n; i++) {
        if (i % 20 == 0) printf "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Grown\\Key%07d]\r\n", i / 20
        printf "\"Value%02d\"=\"text of value %d\"\r\n", i % 20, i
        if (i % 20 == 19 || i == n - 1) printf "\r\n" } }' >>"$dir/registry.reg"
    echo "$dir"
}

grow_adapters() {  # adapters before the notebook's own, each with a monitor to look at
    local dir
    dir=$(fresh "adapters-$1")
    awk -v n="$1" '
        /^\[Adapter0\]/ { skip = 1; next }
        skip && /^\[/ { skip = 0 }
        skip { own = own $0 "\n"; next }
        { print }
        END { for (i = 0; i < n - 1; i++) {
                printf "[Adapter%d]\nDeviceName=\\\\.\\DISPLAY%d\nStateFlags=0x00000001\n", i, i + 2
                printf "Monitor0=MONITOR\\Default_Monitor\\{4d36e96e-e325-11ce-bfc1-08002be10318}\\%04d|0x00000003\n\n", i }
              printf "[Adapter%d]\n%s", n - 1, own }' "$sample/machine.ini" >"$dir/machine.ini"
    echo "$dir"
}

grow_monitors() {  # monitors of the one adapter before the panel
    local dir
    dir=$(fresh "monitors-$1")
    awk -v n="$1" '
        /^Monitor0=/ { panel = substr($0, 10)
            for (i = 0; i < n - 1; i++)
                printf "Monitor%d=MONITOR\\Default_Monitor\\{4d36e96e-e325-11ce-bfc1-08002be10318}\\%04d|0x00000003\n", i, i
            printf "Monitor%d=%s\n", n - 1, panel; next }
        { print }' "$sample/machine.ini" >"$dir/machine.ini"
    echo "$dir"
}

grow_edid() {  # EDID instances of the panel's model
    local dir
    dir=$(fresh "edid-$1")
    awk -v n="$1" '
        /^\[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Enum\\DISPLAY\\CVN15A1\\/ { grab = 1; head = $0; body = ""; next }
        grab && /^\[/ { grab = 0 }
        grab { body = body $0 "\n"; next }
        { print }
        END { sub(/UID200195.*/, "", head)
              for (i = 0; i < n; i++) printf "%sUID%06d\\Device Parameters]\r\n%s", head, i, body }' \
        "$sample/registry.reg" >"$dir/registry.reg"
    echo "$dir"
}

grow_ini() {  # sections of Facet.INI before the real ones
    local dir
    dir=$(fresh "ini-$1")
    {
        awk -v n="$1" 'BEGIN { for (i = 0; i < n; i++)
            printf "[S%d-0409-COMMERCIAL]\r\nHome=H%d\r\nSearch=S\r\nFavorites=A,B,C,D\r\n\r\n", i, i }'
        cat "$sample/drive_c/Facet/Facet.INI"
    } >"$dir/drive_c/Facet/Facet.INI.new"
    mv "$dir/drive_c/Facet/Facet.INI.new" "$dir/drive_c/Facet/Facet.INI"
    echo "$dir"
}

grow_wallpapers() {  # every wallpaper variant the size given in MiB (one file, many names)
    local dir
    dir=$(fresh "wallpapers-$1")
    head -c $(($1 * 1024 * 1024)) /dev/urandom >"$work/wallpaper.jpg"
    find "$dir/drive_c/Facet/Bitmap/Wallpapers" -name '*.jpg' -exec ln -f "$work/wallpaper.jpg" {} \;
    echo "$dir"
}

if [ $smoke -eq 1 ]; then
    signup=(100) registry=(1000) displays=10 ini=100 wallpaper=1
else
    signup=(10000) registry=(100000 1000000) displays=1000 ini=100000 wallpaper=64
fi

# wall_pair RESULT_VAR IMAGE [RUN OPTIONS...]: the median over the repetitions of a run's
# wall time divided by that of `cat` of the image's files right after it, "ratio run_ms cat_ms".
wall_pair() {
    local var=$1 image=$2
    shift 2
    local files=() ratios=() runs=() cats=()
    while IFS= read -r -d '' f; do files+=("$f"); done < <(find "$image" -type f -print0)
    local n=$((reps * 5))
    for ((r = 0; r < n; r++)); do
        rm -rf "$work/run"
        cp -a "$image" "$work/run"
        local t0=$EPOCHREALTIME
        "$facet_sim" run "$work/run" "$@" -h >/dev/null 2>&1 || failed=1
        local t1=$EPOCHREALTIME
        cat "${files[@]}" >/dev/null
        local t2=$EPOCHREALTIME
        runs+=("$(calc "($t1 - $t0) * 1000")")
        cats+=("$(calc "($t2 - $t1) * 1000")")
        ratios+=("$(calc "($t1 - $t0) / ($t2 - $t1)")")
    done
    printf -v "$var" "%s %s %s" "$(printf '%s\n' "${ratios[@]}" | median)" \
        "$(printf '%s\n' "${runs[@]}" | median)" "$(printf '%s\n' "${cats[@]}" | median)"
}

img=$(fresh sample)
wall_pair res "$img"
read -r ratio run_ms cat_ms <<<"$res"
printf 'sample run, wall time paired with cat of its files: run %.1f ms, cat %.1f ms, ratio %.2fx (goal <= 2.5x)\n' \
    "$run_ms" "$cat_ms" "$ratio"
wall_pair res "$img" --sync
read -r ratio run_ms cat_ms <<<"$res"
printf 'the same with --sync (every file on the disk before the run ends): run %.1f ms, ratio %.2fx\n' "$run_ms" "$ratio"
echo

header
point "sample machine" - "$img" "(for reference)"
base_mem=$run_mem
for n in "${signup[@]}"; do point "sign-up pairs" "$n" "$(grow_signup "$n")" "<= 20x"; done
for n in "${registry[@]}"; do
    img=$(grow_registry "$n")
    point "registry.reg values" "$n" "$img" "<= 30x, peak <= 2x the file"
    size=$(stat -c %s "$img/registry.reg")
    echo "|   registry.reg $((size / 1024 / 1024)) MiB; run peak / file = $(calc "$run_mem * 1024 / $size")"
done
point "display adapters" "$displays" "$(grow_adapters "$displays")" "<= 10x"
point "monitors of an adapter" "$displays" "$(grow_monitors "$displays")" "<= 10x"
point "EDID instances" "$displays" "$(grow_edid "$displays")" "<= 10x"
point "Facet.INI sections" "$ini" "$(grow_ini "$ini")" "<= 5x"

# Wallpapers: memory over a run of the sample machine, and wall time against six plain
# copies of the same files.
img=$(grow_wallpapers "$wallpaper")
point "wallpaper size (MiB)" "$wallpaper" "$img" "peak <= 16 MiB over the start, wall <= 2x six cp"
walls=()
for ((r = 0; r < reps; r++)); do
    rm -rf "$work/copies"
    mkdir "$work/copies"
    mem_of res sh -c "for i in 1 2 3 4 5 6; do cp '$work/wallpaper.jpg' '$work/copies/'\$i.jpg; done"
    read -r mem wall <<<"$res"
    walls+=("$wall")
done
cp_wall=$(printf '%s\n' "${walls[@]}" | median)
echo "|   wallpapers: run peak $((run_mem / 1024)) MiB, $(((run_mem - base_mem) / 1024)) MiB over the sample run;" \
    "run wall ${run_wall} s, six cp ${cp_wall} s, ratio $(calc "$run_wall / ($cp_wall + 0.001)")"

exit $failed
