#!/usr/bin/env bash
# Installs the Debian 12 packages Nodewren builds, runs and tests with, when any is missing.
set -euo pipefail

packages=(build-essential cmake ninja-build pkg-config libpcap-dev libgtest-dev
          libbenchmark-dev tshark clang libclang-rt-14-dev ieee-data python3-dbfread
          hershey-fonts-data unrtf qt6-base-dev libcanberra-dev fonts-liberation
          xvfb xauth xdotool imagemagick)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "Installing: ${missing[*]}"
# tshark asks whether ordinary users may capture; the answer does not matter to us.
echo "wireshark-common wireshark-common/install-setuid boolean false" | $sudo debconf-set-selections
$sudo env DEBIAN_FRONTEND=noninteractive apt-get update -qq
$sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}"
