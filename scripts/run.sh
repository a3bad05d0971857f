#!/usr/bin/env bash
# Sets up, builds and runs Nodewren. Until the window arrives, the program is the headless
# classifier run on the demo capture (or on the capture files given as arguments).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh build Release
cd build
if [ $# -eq 0 ]; then set -- demo.pcap; fi
exec ./nodewren-headless "$@"
