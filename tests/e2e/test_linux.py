"""Cases of the native Linux player alone: a fullscreen frame that fills a
16:9 screen, and the screen saver kept off (its command line is checked by
tests/linux/player_program_test.cpp)."""
import ctypes

import pytest

from framework import check, hold
from test_shared import expect_exit

pytestmark = pytest.mark.hosts('linux')


class ScreenSaverInfo(ctypes.Structure):
    _fields_ = [('window', ctypes.c_ulong), ('state', ctypes.c_int), ('kind', ctypes.c_int),
                ('til_or_since', ctypes.c_ulong), ('idle', ctypes.c_ulong), ('event_mask', ctypes.c_ulong)]


def screen_saver(display, timeout=None):
    """Sets the X server's screen saver to blank after timeout seconds, or
    reads its state: "off", "on", "cycle" or "disabled" (MIT-SCREEN-SAVER)."""
    x11, xss = ctypes.cdll.LoadLibrary('libX11.so.6'), ctypes.cdll.LoadLibrary('libXss.so.1')
    x11.XOpenDisplay.restype, x11.XOpenDisplay.argtypes = ctypes.c_void_p, [ctypes.c_char_p]
    x11.XDefaultRootWindow.restype, x11.XDefaultRootWindow.argtypes = ctypes.c_ulong, [ctypes.c_void_p]
    x11.XSetScreenSaver.argtypes = [ctypes.c_void_p] + [ctypes.c_int] * 4
    x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
    xss.XScreenSaverQueryInfo.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.POINTER(ScreenSaverInfo)]
    connection, info = x11.XOpenDisplay(display.encode()), ScreenSaverInfo()
    check(connection, 'cannot open the display ' + display)
    try:
        if timeout is not None:
            x11.XSetScreenSaver(connection, timeout, 0, 1, 1)     # no cycling, blanking
            return None
        check(xss.XScreenSaverQueryInfo(connection, x11.XDefaultRootWindow(connection), ctypes.byref(info)),
              'no MIT-SCREEN-SAVER extension')
        return ['off', 'on', 'cycle', 'disabled'][info.state]
    finally:
        x11.XCloseDisplay(connection)


def test_options_fullscreen(host, case):
    """--fullscreen (16:9 by default) on a 16:9 screen: the window covers the
    screen at its own resolution and the frame fills it with no bars."""
    show = host.start_show(case, sound=True, how='fullscreen')
    show.wait_frames(0, 60, 'no frame')
    host.show_rect(show, host.SCREEN, (0, 0))
    check(show.setup_line() == 'halvane-setup 1280 720 720 1', 'setup: %s' % show.setup_line())
    shot, earliest, latest = host.frozen_shot(show, 'fullscreen')
    host.drawable(show, host.SCREEN)
    for edge in ((0, 0, 1600, 2), (0, 898, 1600, 2), (0, 0, 2, 900), (1598, 0, 2, 900)):
        check(not shot.is_black(*edge), 'a black bar at %s' % (edge,))
    host.press(show, 'Escape')
    expect_exit(show, 'Escape')


def test_screen_saver_off(host, case):
    """The screen saver comes on without the show, and stays off while the
    show runs with no input for twice its timeout."""
    screen_saver(host.display.name, timeout=2)
    try:
        hold(3)
        check(screen_saver(host.display.name) == 'on', 'the screen saver did not come on without the show')
        show = host.start_show(case, sound=True, how='windowed')
        show.wait_frames(0, 60, 'no frame')
        hold(4)
        check(screen_saver(host.display.name) != 'on', 'the screen saver came on during the show')
        show.wait_frames(len(show.frames()), 10, 'the show does not run')
    finally:
        screen_saver(host.display.name, timeout=0)
