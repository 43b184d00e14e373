"""The scenarios every host runs: the setup dialog left three ways, the boxes
of a machine without sound, minimising, the letterbox, the fullscreen
toggle, and the whole show to its natural end with what is heard."""
import subprocess
import time

import pytest

from framework import CaseFailure, check, hold, wait_until

# How long a minimised show is left alone.
MINIMISED_SECONDS = 6
# The colour of the first scene's squares, 0.8 0.6 0.4.
SQUARE_COLOUR = (204, 153, 102)
# The first captions come at 5.1 s of demo time; the frames before are white.
FIRST_CAPTION = 5.1


def expect_ended_in_dialog(host, show):
    """The program ended from its dialog: exit code 0, no show, no window."""
    code = show.wait_exit(30, 'the program did not end after the dialog closed')
    check(code == 0, 'exit code %s, not 0' % code)
    check(not show.lines('setup') and not show.lines('window'), lambda: 'the show started: %s' % show.reports())
    check('halvane-exit 0' in show.reports(), lambda: 'no exit report: %s' % show.reports())
    left = host.windows_left(show)
    check(not left, 'windows left: %s' % left)


def expect_escape_ends(host, show):
    host.press(show, 'Escape')
    code = show.wait_exit(30, 'Escape did not end the show')
    check(code == 0, 'exit code %s, not 0' % code)
    check('halvane-exit 0' in show.reports(), 'no exit report')


def expect_letterbox(shot, rect, bar, blend):
    """The 4:3 bars of a frame shown in rect (x, y, w, h): bar rows black above
    and below the 16:9 picture, which is not. A scaled frame blends the rows
    where bar and picture meet: blend rows each side of that edge are not
    looked at."""
    x, y, w, h = rect
    name = shot.path.rsplit('/', 1)[-1]
    check(shot.is_black(x, y, w, bar - blend), '%s: top bar not black: %s' % (
        name, shot.describe(x, y, w, bar - blend)))
    check(shot.is_black(x, y + h - bar + blend, w, bar - blend), '%s: bottom bar not black' % name)
    check(not shot.is_black(x, y + bar + blend, w, 1), '%s: the picture\'s top row is black' % name)
    check(not shot.is_black(x, y + h - bar - 1 - blend, w, 1), '%s: the picture\'s bottom row is black' % name)


def expect_no_boxes(host, show):
    boxes = host.reported_boxes(show)
    check(not boxes, 'boxes with a sound device: %s' % boxes)


def wait_frames_stop(show, quiet_seconds, seconds):
    """Waits until no frame came for quiet_seconds."""
    last = {'count': -1, 'since': 0.0}

    def quiet():
        count = len(show.frames())
        if count != last['count']:
            last.update(count=count, since=time.monotonic())
        return time.monotonic() - last['since'] >= quiet_seconds

    wait_until(quiet, seconds, 'frames are still drawn after minimising', 0.1)


def test_dialog_exit_button(host, case):
    """The dialog appears centred with its title picture (a screenshot is
    kept); a click on Exit ends the program with 0."""
    show = host.start_show(case)
    x, y, w, h = host.dialog(show)
    shot = host.screenshot(show, 'dialog')
    host.say(show, 'dialog %dx%d at %d,%d' % (w, h, x, y))
    slack_x, slack_y = host.DIALOG_CENTRE_SLACK
    screen_w, screen_h = host.SCREEN
    check(abs(x - (screen_w - w) / 2) <= slack_x and abs(y - (screen_h - h) / 2) <= slack_y,
          'the dialog at %d,%d (%dx%d) is not centred' % (x, y, w, h))
    host.check_dialog_look(show, shot, (x, y, w, h))
    host.click_dialog_exit(show)
    expect_ended_in_dialog(host, show)


def test_dialog_escape(host, case):
    """Escape in the dialog ends the program with 0."""
    show = host.start_show(case)
    host.dialog(show)
    host.press_in_dialog(show, 'Escape')
    expect_ended_in_dialog(host, show)


def test_dialog_close_box(host, case):
    """The dialog's close box ends the program with 0."""
    show = host.start_show(case)
    host.dialog(show)
    host.close_dialog(show)
    expect_ended_in_dialog(host, show)


def test_boxes_no_sound(host, case):
    """No sound device: the host's boxes in their order, each dismissed with
    Enter; the first frame's demo time takes in the time the last box was
    open; the first frames are white; the show runs; the host's own checks
    (host.check_no_sound_run); Escape ends it with 0."""
    show = host.start_show(case, sound=False, how='no-sound')
    boxes = host.dismiss_boxes(show, lambda: show.frames(1), 90)
    shot, earliest, latest = host.frozen_shot(show, 'first-frames', now=True)
    first = show.frames()[0]
    host.say(show, 'boxes: %s; first frame at demo time %.3f, the shot between %.3f and %.3f'
             % (' | '.join(boxes), first, earliest, latest))
    check(boxes == host.NO_SOUND_BOXES, 'boxes were: %s' % ' | '.join(boxes))
    check(first >= 0.3 + show.boxes_open_seconds - 0.05, 'the first frame at %.3f does not count the %.3f s the '
          'box was open' % (first, show.boxes_open_seconds))
    rect = host.show_rect(show, host.NO_SOUND_SIZE)
    if latest < FIRST_CAPTION:
        check(shot.is_white(*rect), lambda: 'the first frames are not white: %s' % shot.describe(*rect))
    else:
        host.say(show, 'note: the shot may show demo time %.3f, past the white frames; not checked' % latest)
    count = len(show.frames())
    show.wait_frames(count + 5, 30, 'the show does not run')
    host.check_no_sound_run(show)
    expect_escape_ends(host, show)


def test_minimise_pauses(host, case):
    """Windowed with sound, minimised for a while: no frames meanwhile; the
    first frame after the restore takes in the whole pause and no more; the
    close box ends the show with 0."""
    show = host.start_show(case, sound=True, how='windowed')
    show.wait_frames(0, 90, 'no frame')
    host.show_rect(show)
    expect_no_boxes(host, show)
    wall_minimise = time.monotonic()
    host.minimise(show)
    wait_frames_stop(show, 1.0, 20)
    frames_minimised = len(show.frames())
    time_minimised = show.last_time()
    host.screenshot(show, 'minimised')
    hold(MINIMISED_SECONDS)
    check(len(show.frames()) == frames_minimised, '%d frames drawn while minimised'
          % (len(show.frames()) - frames_minimised))
    host.restore(show)
    show.wait_frames(frames_minimised, 30, 'no frame after the restore')
    wall_restored = time.monotonic()
    time_restored = show.frames()[frames_minimised]
    host.say(show, 'minimised at demo time %.3f, first frame after the restore at %.3f (%.1f s of wall time)'
             % (time_minimised, time_restored, wall_restored - wall_minimise))
    check(MINIMISED_SECONDS <= time_restored - time_minimised <= wall_restored - wall_minimise + 0.5,
          'the first frame after the restore jumped %.3f -> %.3f' % (time_minimised, time_restored))
    host.screenshot(show, 'restored')
    host.close_box(show)
    code = show.wait_exit(30, 'the close box did not end the show')
    check(code == 0, 'exit code %s, not 0' % code)
    check('halvane-exit 0' in show.reports(), 'no exit report')


def start_4_3_windowed(host, case):
    """4:3 windowed chosen in the dialog with the keyboard, with sound: the
    setup report, and the show window's client area 1024 x 768."""
    show = host.start_show(case, sound=True)
    host.choose_4_3_windowed(show)
    show.wait_report('halvane-setup', 30, 'Enter did not start the show')
    check(show.setup_line() == 'halvane-setup 1024 768 576 0', 'setup: %s' % show.setup_line())
    host.dismiss_boxes(show, lambda: show.frames(1), 60)
    expect_no_boxes(host, show)
    return show, host.show_rect(show, (1024, 768))


def test_letterbox(host, case):
    """4:3 windowed: a 1024 x 768 client area whose top and bottom 96 rows
    are black bars around the picture; Escape ends the show with 0."""
    show, rect = start_4_3_windowed(host, case)
    shot, earliest, latest = host.frozen_shot(show, 'windowed')
    expect_letterbox(shot, rect, 96, 0)
    host.say(show, '4:3 windowed: client %dx%d at %d,%d, bars black (demo time %.3f)'
             % (rect[2], rect[3], rect[0], rect[1], latest))
    host.check_windowed_4_3(show)
    expect_escape_ends(host, show)


def test_fullscreen_toggle(host, case):
    """4:3 windowed with sound, the host's fullscreen toggle twice: fullscreen
    (the 4:3 frame as large as the screen takes, between its bars), then
    windowed again with its bars; the demo time goes on; where the toggle
    makes the window again, the music starts again from its beginning. The
    close box ends the show; the plays are heard."""
    show, rect = start_4_3_windowed(host, case)
    for number, fullscreen in ((1, True), (2, False)):
        # Some seconds into the window, so that the music started again can
        # be told from the music going on.
        show.wait_time(show.last_time() + 4, 30)
        time_before = show.last_time()
        host.toggle_fullscreen(show)
        rect = host.wait_toggled(show, number, fullscreen)
        mode = 'fullscreen' if fullscreen else 'windowed'
        shot, earliest, latest = host.frozen_shot(show, 'toggled-' + mode)
        host.say(show, 'toggle %d -> %s: client %s; demo time %.3f -> %.3f' % (number, mode, rect, time_before,
                                                                              earliest))
        check(time_before <= earliest < time_before + 10, 'the demo time did not go on: %.3f -> %.3f'
              % (time_before, earliest))
        if rect is None:
            continue    # the host said why the picture is not checked
        if fullscreen:
            frame = host.FULLSCREEN_4_3['frame']
            screen_w, screen_h = host.SCREEN
            # Bars beside the 4:3 frame where the screen is wider.
            check(frame[0] < 2 or (shot.is_black(0, 0, frame[0] - 2, screen_h)
                                   and shot.is_black(frame[0] + frame[2] + 2, 0, screen_w - frame[0] - frame[2] - 2,
                                                     screen_h)), 'the bars beside the 4:3 frame are not black')
            expect_letterbox(shot, frame, host.FULLSCREEN_4_3['bar'], host.FULLSCREEN_4_3['blend'])
        else:
            expect_letterbox(shot, rect, 96, 0)
        host.after_toggle(show, fullscreen)
    host.after_toggles(show)
    host.close_box(show)
    code = show.wait_exit(30, 'the close box did not end the show')
    check(code == 0, 'exit code %s, not 0' % code)
    host.check_heard(show, host.PLAYS_AFTER_TWO_TOGGLES)


class Hogs:
    """Two plain processor hogs, one per core, at the program's priority."""

    def __init__(self):
        self.processes = [subprocess.Popen(['sh', '-c', 'while :; do :; done']) for _ in range(2)]

    def stop(self):
        for process in self.processes:
            process.kill()
            process.wait()


@pytest.mark.long
def test_natural_end(host, case):
    """The whole show fullscreen with sound: no box; squares in the first
    scene; the frame between bars where the screen is not 16:9; the sound
    goes on while two processor hogs run for 20 s; the program ends by
    itself right after 180 s of demo time with exit code 0; the music is
    heard once, from its beginning, at real-time rate and without a gap."""
    show = host.start_show(case, sound=True, how='fullscreen-long')
    boxes = host.dismiss_boxes(show, lambda: show.frames(1), 90)
    check(not boxes, 'boxes with a sound device: %s' % boxes)
    rect = host.show_rect(show, host.LONG_WINDOW, (0, 0))
    host.say(show, 'show window %s' % (rect,))
    # Screenshots in the first scene (2.0 to 24.0; the captions begin at
    # 5.1, so the squares are counted before and after).
    most = 0
    x, y, w, h = host.LONG_SCREEN_FRAME
    for target in (4, 8, 12, 16, 20, 23):
        show.wait_time(target, 60)
        shot = host.screenshot(show, 'squares-%d' % target)
        squares = shot.count_colour(SQUARE_COLOUR, x, y, w, h)
        host.say(show, 'demo time %.2f: %d square-coloured pixels' % (show.last_time(), squares))
        most = max(most, squares)
    check(most > 200, 'no squares appeared in the first scene')
    show.wait_time(30, 60)
    # A plain screenshot: stopping the program would break the sound.
    shot = host.screenshot(show, 'scene-30')
    screen_w, screen_h = host.LONG_SCREEN
    if y > 0:
        check(shot.is_black(0, 0, screen_w, y) and shot.is_black(0, y + h, screen_w, screen_h - y - h),
              'the bars above and below the frame are not black')
        host.say(show, 'the frame %dx%d between black bars (demo time %.3f)' % (w, h, show.last_time()))
    check(shot.has_detail(x, y, w, h), 'no picture in the frame')
    # Both cores busy besides the show's own drawing (and the other cases
    # beside it) for 20 s of the sphere scene: the sound goes on.
    hogs = Hogs()
    try:
        show.wait_time(50, 120)
    finally:
        hogs.stop()
    for target in (60, 90, 120, 150, 170):
        show.wait_time(target, 120)
        host.screenshot(show, 'scene-%d' % target)
    # From the first frame at or past 180 s to the end of the process.
    show.wait_time(180.0, 120)
    wall_end_frame = time.monotonic()
    code = show.wait_exit(60, 'the show did not end by itself')
    lag = time.monotonic() - wall_end_frame
    previous, last = show.frames()[-2:]
    host.say(show, 'last frames at demo time %.3f, %.3f; exit code %s, %.1f s after the last frame'
             % (previous, last, code, lag))
    check(lag < 5.0, 'the program took %.1f s to end after its last frame' % lag)
    check(code == 0, 'exit code %s, not 0' % code)
    check(last >= 180.0 > previous, 'the last frames were %.3f, %.3f' % (previous, last))
    check('halvane-exit 0' in show.reports(), 'no exit report')
    host.check_natural_end(show)
    host.check_heard(show, 1)
