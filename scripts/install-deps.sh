#!/usr/bin/env bash
# Installs what the builds and tests need on a Debian machine, when run as root.
# Installs nothing that is already there.
set -eu
packages=(cmake make g++ libgtest-dev libbenchmark-dev mingw-w64 wine wine64 clang libclang-rt-14-dev
          libcli11-dev nlohmann-json3-dev
          libturbojpeg0-dev pkg-config python3-jsonschema chromium chromium-driver python3-selenium jq clang-format-14 bash-completion time)
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
apt-get update -qq
apt-get install -y -qq "${missing[@]}" >/dev/null
