#!/usr/bin/env bash
# Sets up, builds and starts Nodewren in the build directory, beside its data files. With no
# arguments it offers the demo capture as an extra adapter: the program captures live when it
# may open the stored adapter, and replays the demo LAN at its own pace when it may not.
# Capture files given as arguments are offered instead.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh build Release
cd build
if [ $# -eq 0 ]; then set -- demo.pcap; fi
exec ./nodewren "$@"
