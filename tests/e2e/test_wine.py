"""Cases of the Windows program under Wine alone: the dialog's keyboard, the
music file missing, the shipped program, the window class taken, and a
display that refuses the mode (last: it turns the virtual desktop off)."""
import pytest

from framework import check, run, wait_until
from host_wine import field, prepared
from test_shared import expect_exit

pytestmark = pytest.mark.hosts('wine')


@pytest.mark.parametrize('steps', [
    [('Left', '1001:1:0 1002:0:0 1003:0:0 1004:1:1 focus=1004'), ('Left', '1001:1:0 1002:0:0 1003:1:1 1004:0:0 focus=1003')],
    [('click-1002', '1001:0:0 1002:1:1 1003:1:0 1004:0:0 focus=1002'),
     ('Left', '1001:1:1 1002:0:0 1003:1:0 1004:0:0 focus=1001')]], ids=['arrows', 'click-4:3-arrow'])
def test_keyboard_focus_counts(host, case, steps):
    """A checked radio button that holds the keyboard focus counts as chosen:
    Fullscreen chosen with the arrow keys alone, or 16:9 with an arrow key
    after a click on 4:3, then Enter, is 16:9 fullscreen (the radio buttons'
    check:focus states after each step). Then through the boxes of a machine
    without sound, and Escape."""
    show = host.start_show(case)
    host.dialog(show)
    host.dialog_steps(show, *steps)
    show.wait_report('halvane-setup', 20, 'Enter did not start the show')
    check(show.setup_line() == 'halvane-setup 1280 720 720 1', 'the focused checked radio button did not count: '
          + show.setup_line())
    host.dismiss_boxes(show, lambda: show.frames(1), 60)
    host.expect_boxes(show, *host.NO_SOUND_BOXES)
    host.press(show, 'Escape')
    expect_exit(show, 'Escape')


def test_music_missing(host, case):
    """The music file missing, with a sound device: "Music opening error",
    then "Music play error"; the show runs, silent; Escape ends it."""
    show = host.start_show(case, sound=True, how='fullscreen', folder='show-no-music')
    boxes = host.dismiss_boxes(show, lambda: show.frames(1), 60)
    check(boxes == ['Music opening error', 'Music play error'], 'boxes were: %s' % boxes)
    host.expect_boxes(show, *boxes)
    show.wait_frames(len(show.frames()) + 5, 30, 'the show does not run')
    host.press(show, 'Escape')
    expect_exit(show, 'Escape')
    host.check_heard(show, 0)


def test_shipped_program(host, case):
    """The shipped program (no test reports): Enter at once, the two boxes of
    a machine without sound, a fullscreen window that shows the show; Escape
    ends it with 0, and it wrote nothing to the debugger channel."""
    if 'show-shipped' not in prepared:
        pytest.skip('no %s/windows-x86_64/halvane.exe' % host.build_dir)
    show = host.start_show(case, how='fullscreen', folder='show-shipped')
    boxes = host.dismiss_boxes(show, lambda: len(show.boxes) == 2, 60)
    check(boxes == ['Bass init error', 'Music play error'], 'boxes were: %s' % boxes)
    rect = host.show_rect(show)
    check(rect == (0, 0, 1280, 720), 'render window not 1280x720 at 0,0: ' + host.render)
    # From 5.1 s of show time a caption stands over the white background.
    shot = wait_until(lambda: (lambda s: not s.is_white(*rect) and s)(host.screenshot(show, 'running')), 90,
                      'nothing drawn over the white background', 1.0)
    check(not shot.is_black(*rect), 'the window is black')
    host.press(show, 'Escape')
    check(show.wait_exit(30, 'Escape did not end the show') == 0, 'exit code %s' % show.exit_code)
    with open(case + '/wine.log', 'rb') as log:
        check(b'OutputDebugString' not in log.read(), 'the shipped program wrote to the debugger channel')


def test_class_taken(host, case):
    """The window class taken before the program registers it (a test hook):
    "RegisterClassEx Failed!", then "Error Registering Window Class!", with
    the caption "Error" and the exclamation icon; no window; exit code -1."""
    show = host.start_show(case, how='fullscreen', env={'HALVANE_TEST_TAKE_WINDOW_CLASS': '1'})
    boxes = host.dismiss_boxes(show, lambda: not show.running(), 60)
    check(show.wait_exit(30, 'the program did not end after its boxes') == 255, 'exit code %s, not 255 (-1)'
          % show.exit_code)
    check('halvane-exit -1' in show.reports(), 'no exit report of -1: %s' % show.lines('exit'))
    check('halvane-test-class-taken 1' in show.reports(), 'the test hook did not take the class')
    check(boxes == ['RegisterClassEx Failed!', 'Error Registering Window Class!'], 'boxes seen: %s' % boxes)
    host.expect_boxes(show, *boxes, errors=2)
    check(not show.lines('window'), 'a render window was created')


def test_mode_refused(host, case):
    """A display that refuses the mode (Wine straight on Xvfb, whose one mode
    is 1280 x 1024: no virtual desktop): Enter gives "Mode Switch Failed",
    then a windowed window 1280 x 720; Escape ends it with 0."""
    run(['wine', 'reg', 'delete', r'HKCU\Software\Wine\Explorer', '/v', 'Desktop', '/f'], host.env)
    host.wineserver('-w')
    show = host.start_show(case, how='fullscreen')
    boxes = host.dismiss_boxes(show, lambda: show.frames(1), 60)
    check(boxes == ['Mode Switch Failed.\nRunning In Windowed Mode.'] + host.NO_SOUND_BOXES, 'boxes were: %s' % boxes)
    host.expect_boxes(show, *boxes, errors=1)
    check(show.lines('window')[0].startswith('halvane-window 1280 720 0 '), 'window: %s' % show.lines('window'))
    host.show_rect(show)
    # Without a multisample format the one window keeps the unadjusted
    # rectangle: outer size 1280 x 720. With one (Mesa has), the window is
    # made again as an ordinary window with a 1280 x 720 client area.
    size = 'client' if show.lines('window')[-1].split()[4] == '1' else 'outer'
    check((field(host.render, 'client') if size == 'client' else '%sx%s' % (field(host.render, 'w'), field(
        host.render, 'h'))) == '1280x720', '%s size not 1280x720: %s' % (size, host.render))
    check(host.style() & 0x00CF0000 == 0x00CF0000, 'not an overlapped window: ' + host.render)
    host.screenshot(show, 'refused')
    host.press(show, 'Escape')
    expect_exit(show, 'Escape')
