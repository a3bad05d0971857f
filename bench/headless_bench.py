#!/usr/bin/env python3
"""The headless run against libpcap alone over the same generated capture, in the same run.

usage: bench/headless_bench.py BUILD_DIR [FRAMES] [STATIONS...]
       RUNS=n bench/headless_bench.py ...

For each station count it writes a generated LAN of FRAMES frames (default 2,000,000) and waits
until the file is on disk (so that writing it back does not slow the runs), then times
`pcap_loop` (open, 500-frame dispatches, empty callback) and `nodewren-headless --no-names` (the
whole engine, output discarded) RUNS times each (default 5), one after the other in turn, so that
a busy minute of the machine weighs on both alike. It prints the medians, the engine's frames per
second, the ratio of the two wall times and the engine's peak memory.
"""
import os
import statistics
import subprocess
import sys
import tempfile
import time


def timed(command):
    """Wall seconds and peak resident kilobytes of one run."""
    start = time.perf_counter()
    child = subprocess.Popen(command, stdout=subprocess.DEVNULL)
    _, status, usage = os.wait4(child.pid, 0)
    elapsed = time.perf_counter() - start
    if os.waitstatus_to_exitcode(status) != 0:
        sys.exit(f"{command[0]} failed with status {status}")
    return elapsed, usage.ru_maxrss


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    build = os.path.abspath(sys.argv[1])
    frames = int(sys.argv[2]) if len(sys.argv) > 2 else 2_000_000
    station_counts = [int(s) for s in sys.argv[3:]] or [1000, 50000]
    with tempfile.TemporaryDirectory() as work:
        for stations in station_counts:
            capture = os.path.join(work, f"lan-{stations}.pcap")
            subprocess.run([os.path.join(build, "tools", "nodewren-make-bench-lan"), capture, str(stations), str(frames)],
                           check=True)
            os.sync()
            baseline, engine = [], []
            for _ in range(int(os.environ.get("RUNS", "5"))):
                baseline.append(timed([os.path.join(build, "bench", "pcap_loop"), capture]))
                engine.append(timed([os.path.join(build, "nodewren-headless"), "--no-names", "--data", build, capture]))
            base_s = statistics.median(t for t, _ in baseline)
            engine_s = statistics.median(t for t, _ in engine)
            peak_mb = max(rss for _, rss in engine) / 1024
            size_mb = os.path.getsize(capture) / 1e6
            print(f"{stations} stations, {frames} frames ({size_mb:.0f} MB): libpcap alone {base_s:.2f} s, "
                  f"engine {engine_s:.2f} s = {frames / engine_s:,.0f} frames/s, ratio {engine_s / base_s:.2f}, "
                  f"peak memory {peak_mb:.0f} MB")
            os.remove(capture)


if __name__ == "__main__":
    main()
