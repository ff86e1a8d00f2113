#!/usr/bin/env bash
# Installs what the builds and tests need on a Debian machine, when run as root; as
# another user it lists what is missing and exits 1. Installs nothing that is already
# there.
#   install-deps.sh          everything scripts/test.sh builds and runs
#   install-deps.sh --host   only what the host build of facet-sim needs (scripts/demo.sh)
set -eu
host=(cmake make g++ libcli11-dev nlohmann-json3-dev libturbojpeg0-dev pkg-config)
case "${1:-}" in
--host) packages=("${host[@]}") ;;
"") packages=("${host[@]}" libgtest-dev libbenchmark-dev mingw-w64 wine wine64 clang libclang-rt-14-dev
              python3-jsonschema chromium chromium-driver python3-selenium jq clang-format-14 bash-completion time) ;;
*)
    echo "install-deps.sh: unknown option: $1 (--host, or nothing)" >&2
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
apt-get update -qq
apt-get install -y -qq "${missing[@]}" >/dev/null
