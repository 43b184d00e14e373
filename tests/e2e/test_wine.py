"""Cases of the Windows program under Wine alone: the dialog's keyboard, the
music file missing, the shipped program, the window class taken, and a
display that refuses the mode (last: it turns the virtual desktop off)."""
import os

import pytest

from framework import check, run, wait_until
from host_wine import DIALOG_TITLE, ERROR_BOX, MUSIC_BOX, field

pytestmark = pytest.mark.hosts('wine')


def expect_escape_ends(host, show):
    host.press(show, 'Escape')
    code = show.wait_exit(30, 'Escape did not end the show')
    check(code == 0, 'exit code %s, not 0' % code)


@pytest.mark.parametrize('keys, expected', [
    (('Left', 'Left'), '1001:1:0 1002:0:0 1003:1:1 1004:0:0 focus=1003'),
    (('click-1002', 'Left'), '1001:1:1 1002:0:0 1003:1:0 1004:0:0 focus=1001'),
], ids=['arrows-to-fullscreen', 'click-4:3-arrow-to-16:9'])
def test_keyboard_focus_counts(host, case, keys, expected):
    """A checked radio button that holds the keyboard focus counts as chosen:
    Fullscreen chosen with the arrow keys alone, then Enter, is fullscreen;
    16:9 chosen with an arrow key (after a click on 4:3), then Enter, is
    16:9. Then through the boxes of a machine without sound, and Escape."""
    show = host.start_show(case, sound=False)
    host.dialog(show)
    states = {'Left Left': ['1001:1:0 1002:0:0 1003:0:0 1004:1:1 focus=1004', expected],
              'click-1002 Left': ['1001:0:0 1002:1:1 1003:1:0 1004:0:0 focus=1002', expected]}[' '.join(keys)]
    for key, state in zip(keys, states):
        if key.startswith('click-'):
            host.click_control(show, int(key[len('click-'):]))
        else:
            host.press_in(DIALOG_TITLE, key)
        host.wait_radio_states(show, state)
    host.press_in(DIALOG_TITLE, 'Return')
    show.wait_report('halvane-setup', 20, 'Enter after %s did not start the show' % ' '.join(keys))
    check(show.setup_line() == 'halvane-setup 1280 720 720 1',
          'the focused checked radio button did not count: ' + show.setup_line())
    host.dismiss_boxes(show, lambda: show.frames(1), 60)
    host.expect_boxes(show, MUSIC_BOX + ' "Bass init error"', MUSIC_BOX + ' "Music play error"')
    expect_escape_ends(host, show)


def test_music_missing(host, case):
    """The music file missing, with a sound device: "Music opening error",
    then "Music play error"; dismissed, the show runs, silent; Escape ends it."""
    show = host.start_show(case, sound=True, how='fullscreen', folder='show-no-music')
    boxes = host.dismiss_boxes(show, lambda: show.frames(1), 60)
    check(boxes == ['Music opening error', 'Music play error'], 'boxes were: %s' % boxes)
    host.expect_boxes(show, MUSIC_BOX + ' "Music opening error"', MUSIC_BOX + ' "Music play error"')
    show.wait_frames(len(show.frames()) + 5, 30, 'the show does not run')
    host.screenshot(show, 'running')
    expect_escape_ends(host, show)
    host.check_heard(show, 0)


def test_shipped_program(host, case):
    """The shipped program (no test reports): Enter at once, the two boxes of
    a machine without sound, a fullscreen window that shows the show; Escape
    ends it with 0, and it wrote nothing to the debugger channel."""
    if 'show-shipped' not in host.folders:
        pytest.skip('no %s/windows-x86_64/halvane.exe' % host.build_dir)
    show = host.start_show(case, sound=False, how='fullscreen', folder='show-shipped')
    boxes = host.dismiss_boxes(show, lambda: len(show.boxes) == 2, 60)
    check(boxes == ['Bass init error', 'Music play error'], 'boxes were: %s' % boxes)
    rect = host.show_rect(show)
    check(rect == (0, 0, 1280, 720), 'render window not 1280x720 at 0,0: ' + host.render)
    # From 5.1 s of show time (the clock cannot be read here; a busy machine
    # draws slowly) a caption stands over the white background.
    shot = wait_until(lambda: (lambda s: not s.is_white(*rect) and s)(host.screenshot(show, 'running')), 90,
                      'nothing drawn over the white background', 1.0)
    check(not shot.is_black(*rect), 'the window is black')
    expect_escape_ends(host, show)
    with open(os.path.join(case, 'wine.log'), 'rb') as log:
        check(b'OutputDebugString' not in log.read(), 'the shipped program wrote to the debugger channel')


def test_class_taken(host, case):
    """The window class taken before the program registers it (a test hook
    does so): "RegisterClassEx Failed!", then "Error Registering Window
    Class!", both with the caption "Error" and the exclamation icon; no
    window; exit code -1 (255 to the shell)."""
    show = host.start_show(case, sound=False, how='fullscreen', env={'HALVANE_TEST_TAKE_WINDOW_CLASS': '1'})
    boxes = host.dismiss_boxes(show, lambda: not show.running(), 60)
    code = show.wait_exit(30, 'the program did not end after its boxes')
    check('halvane-test-class-taken 1' in show.reports(), 'the test hook did not take the class: %s' % show.reports())
    check(boxes == ['RegisterClassEx Failed!', 'Error Registering Window Class!'], 'boxes seen: %s' % boxes)
    host.expect_boxes(show, ERROR_BOX + ' "RegisterClassEx Failed!"', ERROR_BOX + ' "Error Registering Window Class!"')
    check(not show.lines('window'), 'a render window was created')
    check('halvane-exit -1' in show.reports(), 'no exit report of -1: %s' % show.lines('exit'))
    check(code == 255, 'exit code %s, not 255 (-1)' % code)


def test_mode_refused(host, case):
    """A display that refuses the mode (Wine straight on Xvfb, whose one mode
    is 1280 x 1024; the virtual desktop is turned off, so this runs last):
    Enter at once gives the "Mode Switch Failed" box, then a windowed
    window; Escape ends it with 0."""
    run(['wine', 'reg', 'delete', r'HKCU\Software\Wine\Explorer', '/v', 'Desktop', '/f'], host.env, 60)
    host.wineserver('-w')
    show = host.start_show(case, sound=False, how='fullscreen')
    boxes = host.dismiss_boxes(show, lambda: show.frames(1), 60)
    check(boxes == ['Mode Switch Failed.\nRunning In Windowed Mode.', 'Bass init error', 'Music play error'],
          'boxes were: %s' % boxes)
    host.expect_boxes(show, ERROR_BOX + ' "Mode Switch Failed.\\nRunning In Windowed Mode."',
                      MUSIC_BOX + ' "Bass init error"', MUSIC_BOX + ' "Music play error"')
    check(show.lines('window')[0].startswith('halvane-window 1280 720 0 '), 'window: %s' % show.lines('window'))
    host.show_rect(show)
    line = host.render
    host.say(show, line)
    # Without a multisample format the one window keeps the unadjusted
    # rectangle: outer size 1280 x 720. When the probe finds one (Mesa
    # does), the window is made again with the fullscreen field now 0, that
    # is as an ordinary window with a 1280 x 720 client area.
    if show.lines('window')[-1].split()[4] == '1':
        check(field(line, 'client') == '1280x720', 'client area %s, not 1280x720 (window made again after the '
              'probe)' % field(line, 'client'))
    else:
        check((field(line, 'w'), field(line, 'h')) == ('1280', '720'), 'outer size not 1280x720: ' + line)
    check(int(field(line, 'style'), 16) & 0x00CF0000 == 0x00CF0000, 'not an overlapped window: ' + line)
    show.wait_frames(len(show.frames()) + 2, 30)
    host.screenshot(show, 'refused')
    expect_escape_ends(host, show)
