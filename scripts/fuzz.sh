#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (build-fuzz/) and runs each for a bounded time.
#
#   scripts/fuzz.sh [SECONDS]    seconds per target: the argument, else $NODEWREN_FUZZ_SECONDS, else 60
#
# Exits non-zero when a target crashes, hangs (5 s on one input), passes 2 GiB, or when a kept
# reproducer under fuzz/regressions/<target>/ fails again. Findings land in
# build-fuzz/fuzz/artifacts/<target>/; the corpus grown by earlier runs is kept in
# build-fuzz/fuzz/work/<target>/, so the seeds under fuzz/corpus/ stay as they are.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
seconds="${1:-${NODEWREN_FUZZ_SECONDS:-60}}"
build="${NODEWREN_FUZZ_BUILD:-$root/build-fuzz}"
targets=(pdl_fuzz pd_decode_fuzz netaddr_fuzz xbase_dbf_fuzz xbase_cdx_fuzz trmac_fuzz frame_fuzz adl_fuzz alarm_command_fuzz)

if ! [[ $seconds =~ ^[0-9]+$ ]] || ((seconds == 0)); then
  echo "usage: scripts/fuzz.sh [SECONDS]" >&2
  exit 2
fi

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_COMPILER=clang++ -DNODEWREN_FUZZ=ON >/dev/null
ninja -C "$build" -j2 "${targets[@]}"

limits=(-timeout=5 -rss_limit_mb=2048)
status=0
for target in "${targets[@]}"; do
  binary="$build/fuzz/$target"
  work="$build/fuzz/work/$target"
  artifacts="$build/fuzz/artifacts/$target"
  mkdir -p "$work" "$artifacts"
  options=(-max_total_time="$seconds" "${limits[@]}" -artifact_prefix="$artifacts/" -print_final_stats=1)
  if [[ $target == pdl_fuzz ]]; then
    options+=(-dict="$root/fuzz/pdl.dict")
    cp "$root/data/protocol.pdl" "$work/shipped-protocol.pdl"  # the real file is the richest seed
  fi

  regressions=("$root/fuzz/regressions/$target"/*)
  if [[ -e ${regressions[0]} ]]; then
    echo "== $target: ${#regressions[@]} kept reproducer(s)"
    if ! "$binary" "${limits[@]}" "${regressions[@]}"; then
      echo "== $target: a kept reproducer fails again" >&2
      status=1
    fi
  fi

  echo "== $target: fuzzing for $seconds s"
  if ! "$binary" "${options[@]}" "$work" "$root/fuzz/corpus/$target"; then
    echo "== $target: FAILED; the input is in $artifacts/" >&2
    status=1
  fi
done
exit "$status"
