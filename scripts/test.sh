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
# The smoke run leaves out the sizes of 10,000 and more (the registry parser's reach a
# million values); a full run of facet_bench measures them.
step "benchmarks (short smoke run)" build/host/tests/facet_bench --benchmark_min_time=0.01 \
    '--benchmark_filter=^BM_[A-Za-z]+(/[0-9]{1,4})?$'
step "scaling table (small points)" scripts/scaling.sh --smoke build/host/facet-sim
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
