#!/usr/bin/env bash
# Installs the Debian packages Daridez needs to build, test and run, when missing.
# Runs apt-get as root, or through sudo.
#   tools/install-deps.sh            what building, running and testing on Linux needs
#   tools/install-deps.sh --windows  the Windows cross-compiler and wine, for the test
#                                    command's Windows step
set -euo pipefail

packages=(
    g++ cmake ninja-build
    qt6-base-dev qt6-serialport-dev libqt6serialport6-dev qt6-svg-dev libqcustomplot-dev
    clang libclang-rt-14-dev clang-format
    fonts-liberation xvfb xauth
    tshark ccache
)
if [ "${1:-}" = "--windows" ]; then
    packages=(g++-mingw-w64-x86-64 wine64)
fi

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
if [ "$(id -u)" -ne 0 ]; then
    if ! command -v sudo >/dev/null; then
        echo "install-deps: need root or sudo to install: ${missing[*]}" >&2
        exit 1
    fi
    sudo="sudo"
fi
echo "install-deps: installing ${missing[*]}"
# tshark's setup asks whether non-root users may capture; answer no beforehand so the
# install never waits for a reply (the exporter tests only read files).
echo "wireshark-common wireshark-common/install-setuid boolean false" |
    $sudo debconf-set-selections
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
