"""Cases of the browser player alone (the shared scenarios run on it too):
its frames against the offline renderer's, a missing picture's message
among the others, and a hidden tab. Every case fails on a console error.

Frames: the page's test mode draws the frame at demo time T as
`halvane-capture --at T` does at the same frame rate (5 frames/s here, so
the references take a minute, not five), at the same size, with four
samples. The two rasterisers differ at edges (SwiftShader antialiases the
wide wire lines and point edges that Mesa draws aliased), so the frames are
compared in 8 x 8 blocks of mean colour: at most 1 % of the blocks may
differ by more than 24 in a channel, and none by more than 72. Matching
frames differ in up to 0.4 % of blocks by more than 24, and by 39 at most;
a build with a wrong colour constant in the knots, or a ring of the tunnel
turned 80 instead of 90 degrees, fails its scene's frames by far.
"""
import os
import shutil
import statistics
import subprocess

import numpy as np
import pytest
from PIL import Image

from framework import check, hold

pytestmark = pytest.mark.hosts('browser')

BLOCK = 8
BLOCK_LIMIT = 24
BLOCK_SHARE = 0.01
BLOCK_WORST = 72
FPS = 5
# Demo times covering every scene, the captions and the credits.
TIMES_16_9 = (15, 40, 65, 90, 115, 140, 165)
TIME_4_3 = 115
# The scene faults, one line each, and the frames each must break.
FAULTS = (
    ('scenes/knots.cpp', 'glColor3f(0.2f, 0.7f, 0.6f);', 'glColor3f(0.2f, 0.6f, 0.6f);', (115, 140)),
    ('scenes/star_tunnel.cpp', 'glRotatef(90.0f, 1.0f, 0.0f, 0.0f);', 'glRotatef(80.0f, 1.0f, 0.0f, 0.0f);', (65, 90)),
)


def block_difference(a, b):
    """The share of 8 x 8 blocks whose mean colours differ by more than
    BLOCK_LIMIT in a channel, and the largest such difference."""
    h, w = a.shape[0] // BLOCK * BLOCK, a.shape[1] // BLOCK * BLOCK

    def means(x):
        return x[:h, :w].astype(float).reshape(h // BLOCK, BLOCK, w // BLOCK, BLOCK, 3).mean(axis=(1, 3))
    d = np.abs(means(a) - means(b)).max(axis=2)
    return float((d > BLOCK_LIMIT).mean()), float(d.max())


def matches(a, b):
    share, worst = block_difference(a, b)
    return a.shape == b.shape and share <= BLOCK_SHARE and worst <= BLOCK_WORST, share, worst


@pytest.fixture(scope='session')
def references(request):
    """The offline renderer's frames at the chosen times (made once, in two
    processes side by side); {(aspect, time): pixels}."""
    build_dir = os.path.abspath(request.config.getoption('--build-dir'))
    folder = os.path.join(build_dir, 'e2e', 'browser', 'reference')
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    capture = [os.path.join(build_dir, 'halvane-capture'), '--data', os.path.join(build_dir, 'data'),
               '--fps', str(FPS)]
    step = TIMES_16_9[1] - TIMES_16_9[0]
    runs = [subprocess.Popen(capture + ['--from', str(TIMES_16_9[0]), '--to', str(TIMES_16_9[-1]),
                                        '--every', str(step), folder], stderr=subprocess.PIPE),
            subprocess.Popen(capture + ['--aspect', '4:3', '--at', str(TIME_4_3),
                                        os.path.join(folder, '4x3.png')], stderr=subprocess.PIPE)]
    for run in runs:
        _, err = run.communicate(timeout=900)
        assert run.returncode == 0, err.decode()
    frames = {('16:9', t): np.asarray(Image.open(os.path.join(folder, 't%08.3f.png' % t)).convert('RGB'))
              for t in TIMES_16_9}
    frames[('4:3', TIME_4_3)] = np.asarray(Image.open(os.path.join(folder, '4x3.png')).convert('RGB'))
    return frames


def test_frames_match_offline_renderer(host, case, references):
    report = []
    for (aspect, at), reference in sorted(references.items()):
        pixels, drawn = host.draw_frame(at, aspect, FPS)
        Image.fromarray(pixels).save(os.path.join(case, 'frame-%s-%s.png' % (aspect.replace(':', 'x'), at)))
        ok, share, worst = matches(pixels, reference)
        report.append('%s %5.1f s (drawn at %.3f): %.2f %% of blocks over, worst %.0f%s'
                      % (aspect, at, drawn, 100 * share, worst, '' if ok else '  <- differs'))
    print('\n'.join(report))
    check(all('differs' not in line for line in report), '\n'.join(report))


def build_faulted_web(build_dir):
    """The web build of a copy of the sources with the FAULTS in it; its folder."""
    root = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
    base = os.path.join(build_dir, 'e2e', 'browser', 'fault')
    source = os.path.join(base, 'src')
    shutil.rmtree(source, ignore_errors=True)
    # The project's top level and what the browser build takes of it.
    os.makedirs(source)
    shutil.copy(os.path.join(root, 'CMakeLists.txt'), source)
    for part in ('cmake', 'third_party', 'content', 'timeline', 'scenes', 'audio', 'soundlib', 'platform',
                 'tools/capture', 'web'):
        if os.path.isdir(os.path.join(root, part)):
            shutil.copytree(os.path.join(root, part), os.path.join(source, part))
    for path, good, bad, _ in FAULTS:
        text = open(os.path.join(source, path)).read()
        assert text.count(good) == 1, 'the fault\'s line is gone from %s' % path
        open(os.path.join(source, path), 'w').write(text.replace(good, bad))
    env = dict(os.environ, NODE_PATH='/usr/share/nodejs', EMSDK_PYTHON='/usr/bin/python3')
    launcher = ['-DCMAKE_C_COMPILER_LAUNCHER=ccache', '-DCMAKE_CXX_COMPILER_LAUNCHER=ccache'] \
        if shutil.which('ccache') else []
    subprocess.run(['emcmake', 'cmake', '-S', source, '-B', os.path.join(base, 'web-cmake'),
                    '-DCMAKE_BUILD_TYPE=Release', '-DHALVANE_DATA=' + os.path.join(build_dir, 'data'),
                    '-DHALVANE_TITLE=' + os.path.join(build_dir, 'resources', 'title.bmp')] + launcher,
                   env=env, check=True, capture_output=True)
    subprocess.run(['cmake', '--build', os.path.join(base, 'web-cmake'), '-j', '2'], env=env, check=True,
                   capture_output=True)
    return os.path.join(base, 'web')


def test_scene_faults_break_their_frames(host, case, references):
    faulted = build_faulted_web(host.build_dir)
    broken = {t for _, _, _, times in FAULTS for t in times}
    report = []
    for at in TIMES_16_9:
        pixels, _ = host.draw_frame(at, '16:9', FPS, folder=faulted)
        ok, share, worst = matches(pixels, references[('16:9', at)])
        report.append((at, ok, share, worst))
    print('\n'.join('%5.1f s: %s (%.2f %% of blocks over, worst %.0f)' % (at, 'matches' if ok else 'differs',
                                                                         100 * s, w) for at, ok, s, w in report))
    for at, ok, share, worst in report:
        check(ok == (at not in broken), 'the faulted build at %.1f s %s the reference (%.2f %%, worst %.0f)'
              % (at, 'matches' if ok else 'differs from', 100 * share, worst))


def test_missing_picture_among_the_messages(host, case):
    """A missing mesh, caption picture and music: the loaders' messages in the
    order the show loads, the mesh loader's with its caption, each
    dismissed in turn; then the show goes on."""
    show = host.start_show(case, how='?aspect=16:9&mode=windowed&drop=data/sphere_up.obj,data/png/09.png,'
                                       'data/vx - orrin lumo.ogg')
    shown = host.dismiss_boxes(show, lambda: show.frames(), 60)
    check(shown == ['Error opening .obj file', 'Music opening error', 'Music play error'], 'boxes: %s' % shown)
    messages = host.js('return window.halvaneMessages')
    check(messages == ['App: Error opening .obj file', 'Music opening error', 'Music play error'],
          'messages: %s' % messages)
    show.wait_frames(10, 60)
    check(show.last_time() > 0.3, 'the show did not go on')


def test_hidden_tab_resumes_in_step(host, case):
    """Another tab in front hides the show's: its frames stop while the music
    plays on, and its first frame back is where the music has got to."""
    show = host.start_show(case, how='windowed')
    show.wait_frames(20, 60)
    tab = host.driver.current_window_handle
    host.driver.switch_to.new_window('tab')
    hold(3)
    host.driver.close()
    host.driver.switch_to.window(tab)
    show.wait_frames(len(show.frames()) + 20, 60)
    frames = host.frames()
    pause = max(frames[1:], key=lambda f: f[1])
    if pause[1] < 1000:
        pytest.skip('the browser kept the tab drawing (longest frame %.0f ms)' % pause[1])
    # The demo time's lead over the music, before the hidden stretch and
    # after it, in medians: each frame's lead jitters by the position's
    # reporting (up to 0.1 s on a loaded machine), while a resumption out of
    # step would move it by the hidden time, over a second here.
    lead = lambda f: f[0] - f[3] / 176400.0
    hidden = frames.index(pause)
    before, after = [lead(f) for f in frames[5:hidden]], [lead(f) for f in frames[hidden:]]
    moved = statistics.median(after) - statistics.median(before)
    host.say(show, 'hidden %.0f ms; lead %.3f s before, %.3f s after' % (pause[1], statistics.median(before),
                                                                        statistics.median(after)))
    check(abs(moved) < 0.2, 'the demo time\'s lead over the music moved by %.3f s over the pause' % moved)
    host.press(show, 'Escape')
    show.wait_exit(10, 'Escape did not end the show')
