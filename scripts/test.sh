#!/usr/bin/env bash
# The test command: installs what is missing (as root), builds the host and Windows
# builds, and runs every test: unit tests (plain and under ASan+UBSan), the scenarios on
# the host and under Wine, the checks of Facet.exe itself, and the fuzz targets.
set -u
cd "$(dirname "$0")/.."
scripts/install-deps.sh || exit 1

passed=0
failed=0
step() {  # step NAME COMMAND...
    local name=$1
    shift
    echo
    echo "=== $name"
    if "$@"; then
        passed=$((passed + 1))
    else
        echo "=== $name FAILED"
        failed=$((failed + 1))
    fi
}
build() { cmake --preset "$1" >/dev/null && cmake --build --preset "$1"; }

step "source layout (clang-format)" scripts/check-format.sh
step "host build" build host
step "host tests" ctest --preset host
step "benchmarks (short smoke run)" build/host/tests/facet_bench --benchmark_min_time=0.01
step "host build (ASan+UBSan)" build host-asan
step "host tests (ASan+UBSan)" ctest --preset host-asan
step "windows build" build windows
step "Facet.exe, ZMINT.DLL and version reader checks" tests/wine/check-exe.sh build/windows/Facet.exe build/windows/verinfo.exe build/host/facet-sim
step "wine scenarios" tests/scenarios/run.sh wine build/host/facet-sim build/windows/Facet.exe
# FacetCapture.exe records the Wine machine; facet-sim on the recording and Facet.exe on the machine must agree.
step "capture round trip (Wine)" tests/wine/capture-roundtrip.sh build/host/facet-sim build/windows/Facet.exe
step "release packages: factory zip, Debian package, cmake --install" tests/package/check-packages.sh build/host build/windows
step "fuzz build" build fuzz
step "fuzz targets" ctest --test-dir build/fuzz --output-on-failure

echo
echo "test steps: $passed passed, $failed failed"
[ $failed -eq 0 ]
