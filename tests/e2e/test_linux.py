"""Cases of the native Linux player alone: its command line, a fullscreen
frame that fills a 16:9 screen, and the screen saver kept off."""
import ctypes
import subprocess

import pytest

from framework import check, hold

pytestmark = pytest.mark.hosts('linux')


class ScreenSaverInfo(ctypes.Structure):
    _fields_ = [('window', ctypes.c_ulong), ('state', ctypes.c_int), ('kind', ctypes.c_int),
                ('til_or_since', ctypes.c_ulong), ('idle', ctypes.c_ulong), ('event_mask', ctypes.c_ulong)]


def screen_saver(display, timeout=None):
    """Sets the X server's screen saver timeout (no cycling, blanking), or
    reads its state: "off", "on", "cycle" or "disabled" (MIT-SCREEN-SAVER)."""
    x11 = ctypes.cdll.LoadLibrary('libX11.so.6')
    xss = ctypes.cdll.LoadLibrary('libXss.so.1')
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
    x11.XDefaultRootWindow.restype = ctypes.c_ulong
    x11.XSetScreenSaver.argtypes = [ctypes.c_void_p] + [ctypes.c_int] * 4
    x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
    xss.XScreenSaverQueryInfo.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.POINTER(ScreenSaverInfo)]
    connection = x11.XOpenDisplay(display.encode())
    check(connection, 'cannot open the display ' + display)
    try:
        if timeout is not None:
            x11.XSetScreenSaver(connection, timeout, 0, 1, 1)
            return None
        info = ScreenSaverInfo()
        check(xss.XScreenSaverQueryInfo(connection, x11.XDefaultRootWindow(connection), ctypes.byref(info)),
              'no MIT-SCREEN-SAVER extension')
        return ['off', 'on', 'cycle', 'disabled'][info.state]
    finally:
        x11.XCloseDisplay(connection)


BAD_OPTIONS = [
    ('--bogus', "unknown option '--bogus'"),
    ('--aspect 5:4', "--aspect takes 16:9 or 4:3, not '5:4'"),
    ('--windowed --fullscreen', 'conflicting --fullscreen/--windowed'),
    ('--aspect', '--aspect needs a value'),
]


def test_command_line(host, case):
    """--help prints the usage and exits 0; bad options exit 2 with a message
    that names them, before any window (no display needed)."""
    env = dict(host.env, DISPLAY='')
    usage = subprocess.run([host.player, '--help'], env=env, capture_output=True, text=True, timeout=30)
    check(usage.returncode == 0, '--help exited %d' % usage.returncode)
    check('--aspect 16:9|4:3' in usage.stdout + usage.stderr, 'no usage: %s' % usage.stdout[:200])
    for args, expected in BAD_OPTIONS:
        run = subprocess.run([host.player] + args.split(), env=env, capture_output=True, text=True, timeout=30)
        check(run.returncode == 2, '%s exited %d, not 2' % (args, run.returncode))
        check(expected in run.stderr, '%s: the message was: %s' % (args, run.stderr))


def test_options_fullscreen(host, case):
    """--fullscreen (16:9 by default) on a 16:9 screen: the window covers the
    screen at its own resolution and the frame fills it with no bars;
    Escape ends it."""
    show = host.start_show(case, sound=True, how='--fullscreen')
    show.wait_frames(0, 60, 'no frame')
    host.show_rect(show, host.SCREEN, (0, 0))
    check(show.setup_line() == 'halvane-setup 1280 720 720 1', 'setup: %s' % show.setup_line())
    shot, earliest, latest = host.frozen_shot(show, 'fullscreen')
    check(host.drawable(show) == host.SCREEN, 'drawable %s' % (host.drawable(show),))
    for edge in ((0, 0, 1600, 2), (0, 898, 1600, 2), (0, 0, 2, 900), (1598, 0, 2, 900)):
        check(not shot.is_black(*edge), 'a black bar at %s' % (edge,))
    host.say(show, 'the frame fills the 1600x900 screen (demo time %.3f); %s' % (latest, show.lines('window')))
    host.press(show, 'Escape')
    check(show.wait_exit(30, 'Escape did not end the show') == 0, 'exit code %s, not 0' % show.exit_code)


def test_screen_saver_off(host, case):
    """The screen saver comes on without the show, and stays off while the
    show runs with no input for twice its timeout."""
    display = host.display.name
    screen_saver(display, timeout=2)
    try:
        hold(3)
        check(screen_saver(display) == 'on', 'the screen saver did not come on without the show')
        show = host.start_show(case, how='--windowed')
        show.wait_frames(0, 60, 'no frame')
        hold(4)
        state = screen_saver(display)
        host.say(show, 'screen saver while the show runs: %s' % state)
        check(state != 'on', 'the screen saver came on during the show')
        count = len(show.frames())
        show.wait_frames(count, 10, 'the show does not run')
    finally:
        screen_saver(display, timeout=0)
