"""The browser show's figures (scripts/bench-web runs this):
  - the web folder's size gzipped (each file as a static host would send it
    compressed) and the zip's size;
  - page load to first frame in headless Chromium (test mode, median of 5);
  - one whole play at normal speed: the wasm side's own time per frame (the
    scenes plus the GL layer, without the browser's compositing and
    SwiftShader's drawing) and the whole frame time (requestAnimationFrame
    to requestAnimationFrame), medians per 5 s stretch of demo time, next to
    the native offline renderer's medians (`halvane-capture --bench
    --profile`, at 12 frames/s) run afterwards in the same invocation.
Usage: bench_web.py BUILD_DIR
"""
import gzip
import os
import statistics
import subprocess
import sys

sys.path.insert(0, os.path.dirname(__file__))
from framework import wait_until  # noqa: E402
from host_browser import BrowserHost  # noqa: E402

STRETCH = 5.0
# The native profile's frame rate: every frame of the whole show at 60
# frames/s takes the offline renderer ten minutes or more on a busy machine;
# 12 frames/s gives 60 frames a stretch.
NATIVE_FPS = 12


def gzipped_size(folder):
    total = 0
    for name in sorted(os.listdir(folder)):
        with open(os.path.join(folder, name), 'rb') as f:
            total += len(gzip.compress(f.read(), 9))
    return total


def main(build_dir):
    build_dir = os.path.abspath(build_dir)
    web = os.path.join(build_dir, 'web')
    raw = sum(os.path.getsize(os.path.join(web, n)) for n in os.listdir(web))
    print('folder: %.2f MB, gzipped %.2f MB (goal <= 6), halvane-web.zip %.2f MB; content alone %.2f MB'
          % (raw / 1e6, gzipped_size(web) / 1e6, os.path.getsize(os.path.join(build_dir, 'halvane-web.zip')) / 1e6,
             os.path.getsize(os.path.join(web, 'halvane.data')) / 1e6))

    host = BrowserHost(build_dir, os.path.join(build_dir, 'e2e', 'browser-bench'), 'main')
    try:
        host.start()
        loads = []
        for _ in range(5):
            host.open('?aspect=16:9&mode=windowed')
            wait_until(lambda: host.js('return window.halvaneFirstFrame'), 60, 'no first frame')
            loads.append(host.js('return window.halvaneFirstFrame'))
        print('page load to first frame: median %.0f ms (goal <= 1000; %s)'
              % (statistics.median(loads), ' '.join('%.0f' % t for t in loads)))
        host.open('?aspect=16:9&mode=windowed')
        wait_until(lambda: host.state() == 'ended', 240, 'the play did not end', 1.0)
        frames = host.js('return window.halvaneFrames')
    finally:
        host.stop()

    profile = subprocess.run([os.path.join(build_dir, 'halvane-capture'), '--data', os.path.join(build_dir, 'data'),
                              '--fps', str(NATIVE_FPS), '--bench', '--profile', os.path.join(build_dir, 'e2e', 'browser-bench', 'native.png')],
                             capture_output=True, text=True)
    native = {}
    for line in profile.stdout.splitlines():
        fields = line.split()
        if len(fields) >= 6 and fields[1] == 's' and '-' in fields[0]:
            native[int(float(fields[0].split('-')[0]) // STRETCH)] = float(fields[3])

    work = [f[2] for f in frames]
    print('wasm time per frame: median %.2f ms (goal <= 2), 95th percentile %.2f ms, %d frames'
          % (statistics.median(work), sorted(work)[int(0.95 * len(work))], len(work)))
    print('%-11s %6s %10s %10s %12s' % ('stretch', 'frames', 'frame ms', 'wasm ms', 'native ms'))
    for k in range(int(180 / STRETCH)):
        inside = [f for f in frames if k * STRETCH <= f[0] < (k + 1) * STRETCH]
        if not inside:
            continue
        print('%5.0f-%-5.0f %6d %10.2f %10.2f %12s' % (
            k * STRETCH, (k + 1) * STRETCH, len(inside), statistics.median(f[1] for f in inside),
            statistics.median(f[2] for f in inside), '%.2f' % native[k] if k in native else '-'))


if __name__ == '__main__':
    main(sys.argv[1] if len(sys.argv) > 1 else 'build')
