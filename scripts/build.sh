#!/usr/bin/env bash
# Configures and builds one build directory: build.sh DIR BUILD_TYPE [cmake options...]
set -euo pipefail
dir=$1 type=$2
shift 2
cd "$(dirname "$0")/.."
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE="$type" "$@" > /dev/null
ninja -C "$dir"
