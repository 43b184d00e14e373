"""The scenarios every host runs: the setup dialog left three ways, the boxes
of a machine without sound, minimising, the letterbox, the fullscreen toggle,
and the whole show to its natural end with what is heard."""
import subprocess
import time

import pytest

from framework import check, comes_within, hold, wait_until

MINIMISED_SECONDS = 6
SQUARE_COLOUR = (204, 153, 102)     # the first scene's squares, 0.8 0.6 0.4
FIRST_CAPTION = 5.1                 # demo time of the first caption; the frames before are white


def expect_exit(show, how, code=0, seconds=30):
    """The program ended with code, reported it, and tore down every window."""
    check(show.wait_exit(seconds, how + ' did not end the program') == code, 'exit code %s, not %d' % (
        show.exit_code, code))
    check('halvane-exit %d' % code in show.reports(), lambda: 'no exit report: %s' % show.lines('exit'))
    check(len(show.lines('teardown')) == len(show.lines('window')), 'a window was not torn down')


def click_close_box(show, close):
    """Clicks a close box, again when the program is still running a while
    later (a click while the window manager still places the window is lost)."""
    for attempt in range(3):
        close(show)
        if comes_within(lambda: not show.running(), 5 + 5 * attempt, 0.1):
            return


def expect_ended_in_dialog(host, show, how):
    """Ended from the dialog: exit code 0, no show, no window left."""
    expect_exit(show, how)
    check(not show.lines('setup') and not show.lines('window'), lambda: 'the show started: %s' % show.reports())
    check(not host.windows_left(show), lambda: 'windows left: %s' % host.windows_left(show))


def expect_letterbox(shot, rect, bar, blend):
    """Black bars of `bar` rows above and below the 16:9 picture of a 4:3 frame
    shown in rect; a scaled frame blends `blend` rows each side of the edge."""
    x, y, w, h = rect
    check(shot.is_black(x, y, w, bar - blend) and shot.is_black(x, y + h - bar + blend, w, bar - blend),
          lambda: '%s: bars not black: %s' % (shot.path, shot.describe(x, y, w, bar - blend)))
    check(not shot.is_black(x, y + bar + blend, w, 1) and not shot.is_black(x, y + h - bar - 1 - blend, w, 1),
          '%s: the picture\'s top or bottom row is black' % shot.path)


def expect_no_boxes(host, show):
    check(not host.reported_boxes(show), lambda: 'boxes with a sound device: %s' % host.reported_boxes(show))


def test_dialog_exit_button(host, case):
    """The dialog appears centred with its title picture; Exit ends it with 0."""
    show = host.start_show(case)
    x, y, w, h = host.dialog(show)
    shot = host.screenshot(show, 'dialog')
    (slack_x, slack_y), (screen_w, screen_h) = host.DIALOG_CENTRE_SLACK, host.SCREEN
    check(abs(x - (screen_w - w) / 2) <= slack_x and abs(y - (screen_h - h) / 2) <= slack_y,
          'the dialog at %d,%d (%dx%d) is not centred' % (x, y, w, h))
    host.check_dialog_look(show, shot, (x, y, w, h))
    host.click_dialog_exit(show)
    expect_ended_in_dialog(host, show, 'Exit')


def test_dialog_escape(host, case):
    show = host.start_show(case)
    host.dialog(show)
    host.press_in_dialog(show, 'Escape')
    expect_ended_in_dialog(host, show, 'Escape')


@pytest.mark.hosts('wine', 'linux')     # a page has no close box of its own
def test_dialog_close_box(host, case):
    show = host.start_show(case)
    host.dialog(show)
    click_close_box(show, host.close_dialog)
    expect_ended_in_dialog(host, show, 'the close box')


def test_boxes_no_sound(host, case):
    """No sound device: the host's boxes in order, each dismissed with Enter;
    the first frame's demo time takes in the time the last box was open; the
    first frames are white; the show runs; the host's own checks; Escape."""
    show = host.start_show(case, how='no-sound')
    boxes = host.dismiss_boxes(show, lambda: show.frames(1), 90)
    shot, earliest, latest = host.frozen_shot(show, 'first-frames', now=True)
    first = show.frames()[0]
    host.say(show, 'boxes: %s; first frame at %.3f, the shot between %.3f and %.3f' % (boxes, first, earliest, latest))
    check(boxes == host.NO_SOUND_BOXES, 'boxes were: %s' % ' | '.join(boxes))
    check(first >= 0.3 + show.boxes_open_seconds - 0.05, 'the first frame at %.3f does not count the %.3f s the box '
          'was open' % (first, show.boxes_open_seconds))
    rect = host.show_rect(show, host.NO_SOUND_SIZE)
    check(latest >= FIRST_CAPTION or shot.is_white(*rect), lambda: 'the first frames are not white: %s'
          % shot.describe(*rect))
    show.wait_frames(len(show.frames()) + 5, 30, 'the show does not run')
    host.check_no_sound_run(show)
    host.press(show, 'Escape')
    expect_exit(show, 'Escape')


@pytest.mark.hosts('wine', 'linux')     # the browser's is a hidden tab (test_browser.py)
def test_minimise_pauses(host, case):
    """Minimised for a while: no frames meanwhile; the first frame after the
    restore takes in the whole pause and no more; the close box ends it."""
    show = host.start_show(case, sound=True, how='windowed')
    show.wait_frames(0, 90, 'no frame')
    host.show_rect(show)
    expect_no_boxes(host, show)
    wall_minimise = time.monotonic()
    host.minimise(show)
    last = {}

    def quiet():    # no frame for a second
        if last.get('count') != len(show.frames()):
            last.update(count=len(show.frames()), since=time.monotonic())
        return time.monotonic() - last['since'] >= 1.0
    wait_until(quiet, 20, 'frames are still drawn after minimising')
    frames_minimised, time_minimised = len(show.frames()), show.last_time()
    host.screenshot(show, 'minimised')
    hold(MINIMISED_SECONDS)
    check(len(show.frames()) == frames_minimised, 'frames drawn while minimised')
    host.restore(show)
    show.wait_frames(frames_minimised, 30, 'no frame after the restore')
    wall, time_restored = time.monotonic() - wall_minimise, show.frames()[frames_minimised]
    host.say(show, 'minimised at %.3f, first frame after the restore at %.3f (%.1f s of wall time)'
             % (time_minimised, time_restored, wall))
    check(MINIMISED_SECONDS <= time_restored - time_minimised <= wall + 0.5,
          'the first frame after the restore jumped %.3f -> %.3f' % (time_minimised, time_restored))
    click_close_box(show, host.close_box)
    expect_exit(show, 'the close box')


def start_4_3_windowed(host, case):
    """4:3 windowed chosen in the dialog with the keyboard, with sound."""
    show = host.start_show(case, sound=True)
    host.choose_4_3_windowed(show)
    show.wait_report('halvane-setup', 30, 'Enter did not start the show')
    check(show.setup_line() == 'halvane-setup 1024 768 576 0', 'setup: %s' % show.setup_line())
    host.dismiss_boxes(show, lambda: show.frames(1), 60)
    expect_no_boxes(host, show)
    return show, host.show_rect(show, (1024, 768))


def test_letterbox(host, case):
    """4:3 windowed: 1024 x 768, its top and bottom 96 rows black bars."""
    show, rect = start_4_3_windowed(host, case)
    shot, earliest, latest = host.frozen_shot(show, 'windowed')
    expect_letterbox(shot, rect, 96, 0)
    host.check_windowed_4_3(show)
    host.press(show, 'Escape')
    expect_exit(show, 'Escape')


def test_fullscreen_toggle(host, case):
    """The toggle twice from 4:3 windowed: fullscreen (the 4:3 frame as large
    as the screen takes, between bars), windowed again with its bars; the
    demo time goes on; the host's own checks; the close box; what is heard."""
    show, rect = start_4_3_windowed(host, case)
    for number, fullscreen in ((1, True), (2, False)):
        # Seconds into the window, so that the music started again can be
        # told from the music going on.
        show.wait_time(show.last_time() + 4, 30)
        time_before = show.last_time()
        host.toggle_fullscreen(show)
        rect = host.wait_toggled(show, number, fullscreen)
        shot, earliest, latest = host.frozen_shot(show, 'toggled-%d' % number)
        host.say(show, 'toggle %d: client %s; demo time %.3f -> %.3f' % (number, rect, time_before, earliest))
        check(time_before <= earliest < time_before + 10, 'the demo time did not go on: %.3f -> %.3f'
              % (time_before, earliest))
        x, y, w, h = host.FULLSCREEN_4_3['frame']
        if fullscreen:      # black beside a frame narrower than the screen
            check(x < 2 or shot.is_black(0, 0, x - 2, h) and shot.is_black(x + w + 2, 0, x - 2, h),
                  'the bars beside the 4:3 frame are not black')
            expect_letterbox(shot, (x, y, w, h), host.FULLSCREEN_4_3['bar'], host.FULLSCREEN_4_3['blend'])
        elif rect:
            expect_letterbox(shot, rect, 96, 0)
        host.after_toggle(show, fullscreen)
    host.after_toggles(show)
    click_close_box(show, host.close_box)
    expect_exit(show, 'the close box')
    if host.PLAYS_AFTER_TWO_TOGGLES:
        host.check_heard(show, host.PLAYS_AFTER_TWO_TOGGLES)


@pytest.mark.long
def test_natural_end(host, case):
    """The whole show fullscreen with sound: no box; squares in the first
    scene; the frame between black bars where the screen is not 16:9; the
    sound goes on while two processor hogs run for 20 s; the program ends by
    itself right after 180 s of demo time with exit code 0; the music is
    heard once, from its beginning, at real-time rate and without a gap."""
    show = host.start_show(case, sound=True, how='fullscreen-long')
    check(not host.dismiss_boxes(show, lambda: show.frames(1), 90), 'boxes with a sound device')
    host.show_rect(show, host.LONG_WINDOW, (0, 0))
    # The squares counted before and after the captions begin (5.1 s).
    x, y, w, h = host.LONG_FRAME
    squares = []
    for target in (4, 8, 12, 16, 20, 23):
        show.wait_time(target, 60)
        squares.append(host.screenshot(show, 'squares-%d' % target).count_colour(SQUARE_COLOUR, x, y, w, h))
    host.say(show, 'square-coloured pixels: %s' % squares)
    check(max(squares) > 200, 'no squares appeared in the first scene')
    show.wait_time(30, 60)
    shot = host.screenshot(show, 'scene-30')    # the program runs on: stopping it would break the sound
    screen_w, screen_h = host.LONG_SCREEN
    check(y == 0 or shot.is_black(0, 0, screen_w, y) and shot.is_black(0, y + h, screen_w, screen_h - y - h),
          'the bars above and below the frame are not black')
    check(shot.has_detail(x, y, w, h), 'no picture in the frame')
    # Both cores busy besides the show (and the cases beside it) for 20 s.
    hogs = [subprocess.Popen(['sh', '-c', 'while :; do :; done']) for _ in range(2)]
    try:
        show.wait_time(50, 120)
    finally:
        for hog in hogs:
            hog.kill()
            hog.wait()
    for target in (60, 90, 120, 150, 170):
        show.wait_time(target, 120)
        host.screenshot(show, 'scene-%d' % target)
    show.wait_time(180.0, 120)
    wall_end_frame = time.monotonic()
    expect_exit(show, 'the show by itself', seconds=60)
    lag, (previous, last) = time.monotonic() - wall_end_frame, show.frames()[-2:]
    host.say(show, 'last frames at %.3f, %.3f; ended %.1f s after the first frame at 180' % (previous, last, lag))
    check(lag < 5.0, 'the program took %.1f s to end after its last frame' % lag)
    check(last >= 180.0 > previous, 'the last frames were %.3f, %.3f' % (previous, last))
    host.check_natural_end(show)
    host.check_heard(show, 1)
