#!/usr/bin/env bash
# The test command: installs what is missing (as root), builds the host and Windows
# builds, and runs every test: unit tests (plain, and under ASan+UBSan with the fuzz
# targets), the scenarios on the host and under Wine, the checks of Facet.exe itself, and
# the release packages. Each step prints its wall time; the last line gives the total.
#
# What the host builds need is installed first; the rest (MinGW-w64, Wine, chromium, ...)
# installs in the background while the host build compiles, and the first step that needs
# it waits for it. The Wine steps and the release packages run in the background too, and
# the benchmarks' smoke run and the scaling table run beside the sanitized tests.
set -u
cd "$(dirname "$0")/.."
started=$SECONDS
scripts/install-deps.sh --build || exit 1
mkdir -p build
install_log=build/install-deps.log
scripts/install-deps.sh >"$install_log" 2>&1 &
installing=$!
echo "=== packages for the host builds: $((SECONDS - started)) s (the rest install in the background)"

passed=0
failed=0
step() {  # step NAME COMMAND...
    local name=$1
    shift
    echo
    echo "=== $name"
    local t0=$SECONDS
    if "$@"; then
        passed=$((passed + 1))
        echo "=== $name: $((SECONDS - t0)) s"
    else
        echo "=== $name FAILED after $((SECONDS - t0)) s"
        failed=$((failed + 1))
    fi
}
build() { cmake --preset "$1" >/dev/null && cmake --build --preset "$1"; }
packages() {
    local status=0
    wait $installing || status=$?
    cat "$install_log"
    return $status
}

# Steps in the background: each group runs its steps one after the other while the
# foreground goes on, its report in build/NAME-steps.log and its tally in
# build/NAME-steps.count; finish_group prints them once the group has ended.
in_background() {  # in_background NAME FUNCTION
    rm -f "build/$1-steps.count"
    (
        passed=0
        failed=0
        "$2"
        echo "$passed $failed" >"build/$1-steps.count"
    ) >"build/$1-steps.log" 2>&1 &
}
finish_group() {  # finish_group NAME PID
    wait "$2"
    echo
    echo "=== in the background:"
    cat "build/$1-steps.log"
    local more_passed more_failed
    if read -r more_passed more_failed <"build/$1-steps.count" 2>/dev/null; then
        passed=$((passed + more_passed))
        failed=$((failed + more_failed))
    else
        echo "=== the background steps ($1) did not end"
        failed=$((failed + 1))
    fi
}

# The Wine steps and the release packages wait on Wine and the disk more than they
# compute: they run while the sanitizer build compiles and the host tests run.
wine_steps() {
    step "Facet.exe, ZMINT.DLL and version reader checks" tests/wine/check-exe.sh build/windows/Facet.exe build/windows/verinfo.exe build/host/facet-sim
    step "wine scenarios" tests/scenarios/run.sh wine build/host/facet-sim build/windows/Facet.exe
    # FacetCapture.exe records the Wine machine; facet-sim on the recording and Facet.exe on the machine must agree.
    step "capture round trip (Wine)" tests/wine/capture-roundtrip.sh build/host/facet-sim build/windows/Facet.exe
    step "release packages: factory zip, Debian package, cmake --install" tests/package/check-packages.sh build/host build/windows
}
# The benchmarks and the scaling table use one core: they share the machine with the
# sanitized tests. These are smoke runs; scripts/speed.sh measures.
measure_steps() {
    # Every benchmark once, at the first of its sizes; a full run of facet_bench measures.
    local smallest
    smallest=$(build/host/tests/facet_bench --benchmark_list_tests | awk -F/ '!seen[$1]++' | paste -sd'|')
    step "benchmarks (smoke run: each at its first size)" build/host/tests/facet_bench \
        --benchmark_min_time=0.01 "--benchmark_filter=^($smallest)\$"
    step "scaling table (small points)" scripts/scaling.sh --smoke build/host/facet-sim
}

step "source layout (clang-format)" scripts/check-format.sh
step "host build" build host
step "the other packages (installed in the background)" packages
step "windows build" build windows
in_background wine wine_steps
wine=$!
step "host build (ASan+UBSan, clang): unit tests and fuzz targets" build host-asan
step "host tests" ctest --preset host
in_background measure measure_steps
measure=$!
step "unit tests and fuzz targets (ASan+UBSan)" ctest --preset host-asan
finish_group measure $measure
finish_group wine $wine

echo
echo "test steps: $passed passed, $failed failed ($((SECONDS - started)) s)"
[ $failed -eq 0 ]
