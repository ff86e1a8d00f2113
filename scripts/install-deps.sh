#!/usr/bin/env bash
# Installs what the builds and tests need on a Debian machine, when run as root; as
# another user it lists what is missing and exits 1. Installs nothing that is already
# there.
#   install-deps.sh          everything scripts/test.sh builds and runs
#   install-deps.sh --host   only what the host build of facet-sim needs (scripts/demo.sh)
#   install-deps.sh --build  what the host builds and their unit tests need (the test
#                            command installs this first and the rest while it compiles)
set -eu
host=(cmake ninja-build g++ libcli11-dev nlohmann-json3-dev libturbojpeg0-dev pkg-config)
build=("${host[@]}" libgtest-dev libbenchmark-dev clang libclang-rt-14-dev clang-format-14 time)
# Only the win32-thread MinGW-w64 compilers: x86-64 for the Windows programs, i686 for the
# 32-bit version-reader check.
rest=(g++-mingw-w64-x86-64-win32 g++-mingw-w64-i686-win32 wine wine64 python3-jsonschema chromium
      chromium-driver python3-selenium jq bash-completion)
case "${1:-}" in
--host) packages=("${host[@]}") ;;
--build) packages=("${build[@]}") ;;
"") packages=("${build[@]}" "${rest[@]}") ;;
*)
    echo "install-deps.sh: unknown option: $1 (--host, --build, or nothing)" >&2
    exit 2
    ;;
esac
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
if [ "$(id -u)" -ne 0 ]; then
    echo "missing Debian packages: ${missing[*]} (run this script as root to install them)" >&2
    exit 1
fi
echo "installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
# The package lists are fetched once an hour at most: the test command calls this twice.
if [ -z "$(find /var/lib/apt/lists -maxdepth 1 -name '*_Packages*' -mmin -60 2>/dev/null | head -n 1)" ]; then
    apt-get update -qq
fi
# Without a sync after every unpacked file, and without rebuilding the manual pages'
# index: together most of an install's time on a virtual disk.
echo "man-db man-db/auto-update boolean false" | debconf-set-selections 2>/dev/null || true
apt-get install -y -qq --no-install-recommends -o Dpkg::Options::=--force-unsafe-io "${missing[@]}" >/dev/null
