"""The native Linux player as an end-to-end host: <build>/halvane on an Xvfb
with openbox (for minimising, fullscreen and the close box), playing into a
PulseAudio null sink of its own through SDL. It is watched through its test
report (HALVANE_TEST_REPORT, linux/test_report.h), its stderr (where each
message box's text goes before the box is shown) and the X windows
(xdotool, xwininfo, xprop). Pictures are checked with the player stopped
(SIGSTOP) right after a frame was reported, so the frame on screen is one
whose demo time is known, however slow the machine is."""
import os
import re
import shutil
import signal

from framework import CaseFailure, Display, Host, NullSink, Show, check, end_process, hold, require_tools, run, \
    spawn, wait_until

DIALOG_TITLE = 'Halvane by Varnek'


class LinuxHost(Host):
    NAME = 'linux'
    # The main display is 16:9, so a 16:9 fullscreen frame fills it; the
    # long case's is 5:4, so the same frame has bars above and below.
    SCREEN = (1600, 900)
    LONG_SCREEN = (1280, 1024)
    # No sound device, and one knot mesh missing beside the program.
    NO_SOUND_BOXES = ['Error opening .obj file', 'Bass init error', 'Music play error']
    DIALOG_CENTRE_SLACK = (20, 40)
    # Where a frame shows in the fullscreen window: the 4:3 frame scaled by
    # 900/768 to 1200 x 900 in the middle, its bars 112.5 rows high (2 rows
    # blended at each edge of the picture).
    FULLSCREEN_4_3 = {'frame': (200, 0, 1200, 900), 'bar': 112, 'blend': 2}
    NO_SOUND_SIZE = (1280, 720)
    # The toggle switches the one window in place: the music plays on. (Not
    # recorded here: the pictures are taken with the player stopped.)
    PLAYS_AFTER_TWO_TOGGLES = None
    # The long case's 16:9 frame on its 5:4 screen, between bars.
    LONG_WINDOW = (1280, 1024)
    LONG_SCREEN_FRAME = (0, 152, 1280, 720)

    def start(self):
        require_tools('Xvfb', 'openbox', 'xdotool', 'xwininfo', 'xprop', 'pulseaudio', 'parecord')
        self.player = os.path.join(self.build_dir, 'halvane')
        check(os.access(self.player, os.X_OK), 'no %s (build it first)' % self.player)
        size = self.SCREEN if self.role == 'main' else self.LONG_SCREEN
        self.display = None
        self.sink = None
        # Seen once on a busy machine: openbox could not open a display that
        # had just answered. Each display gets three tries.
        for attempt in range(3):
            try:
                self.display = Display(self.out, self.role, size, window_manager=True)
                break
            except CaseFailure:
                if attempt == 2:
                    raise
        self.sink = NullSink(os.path.join(self.out, 'pulse-' + self.role))
        self.home = os.path.join(self.out, 'home')
        os.makedirs(self.home, exist_ok=True)
        self.env = {k: v for k, v in os.environ.items() if k not in ('SDL_AUDIODRIVER', 'WAYLAND_DISPLAY')}
        self.env.update(DISPLAY=self.display.name, HOME=self.home)

    def stop(self):
        if self.sink:
            self.sink.stop()
        if self.display:
            self.display.stop()

    # -- the program ---------------------------------------------------------

    def start_show(self, case, sound=False, how='dialog', env=None, folder=None):
        """Starts the player from the case folder (which has no data/); how
        is "dialog", or command-line options ("--windowed", ...)."""
        player = self.player
        env = dict(env or {})
        if how == 'fullscreen-long':
            # Its GL drawn with one thread, to leave the other core to the
            # other cases.
            how = '--fullscreen --report-timing'
            env['LP_NUM_THREADS'] = '1'
        if how == 'no-sound':
            # A copy of the program whose data/ beside it lacks one knot mesh.
            folder = os.path.join(case, 'show')
            os.makedirs(os.path.join(folder, 'data'))
            player = os.path.join(folder, 'halvane')
            shutil.copy2(self.player, player)
            for entry in os.listdir(self.data_dir):
                if entry != 'knot4.obj':
                    os.symlink(os.path.join(self.data_dir, entry), os.path.join(folder, 'data', entry))
            how = '--windowed'
        how = {'windowed': '--windowed', 'fullscreen': '--fullscreen'}.get(how, how)
        args = [player] + ([] if how == 'dialog' else how.split())
        run_env = dict(self.env, HALVANE_TEST_REPORT=os.path.join(case, 'report.txt'), SDL_AUDIODRIVER='pulseaudio',
                       PULSE_SERVER=self.sink.server if sound else 'unix:%s/no-pulse-server' % self.out)
        run_env.update(env)
        if sound:
            self.start_recording(case)
        process = spawn(args, os.path.join(case, 'stderr.txt'), env=run_env, cwd=case,
                        stdout_path=os.path.join(case, 'stdout.txt'))
        self.shows.append(Show(self, case, process))
        return self.shows[-1]

    def report_lines(self, show):
        try:
            with open(os.path.join(show.case_dir, 'report.txt')) as report:
                return report.read().splitlines()
        except FileNotFoundError:
            return []

    def messages(self, show):
        with open(os.path.join(show.case_dir, 'stderr.txt'), errors='replace') as stderr:
            return [line[len('halvane: '):] for line in stderr.read().splitlines() if line.startswith('halvane: ')]

    # -- X windows -----------------------------------------------------------

    def x(self, *args):
        return run(list(args), self.env, 30)[1]

    def find_window(self, title):
        """An X window with this exact title, or None. (xdotool's search
        misses titles set only as UTF8_STRING, as SDL's message box sets its
        own, so the window tree is read instead.)"""
        for line in self.x('xwininfo', '-root', '-tree').splitlines():
            match = re.match(r'\s*(0x[0-9a-f]+) "(.*)": ', line)
            if match and match.group(2) == title:
                return match.group(1)
        return None

    def wait_window(self, title, seconds=30):
        return wait_until(lambda: self.find_window(title), seconds, 'no window "%s"' % title, 0.2)

    def geometry(self, window):
        """(x, y, w, h) of a window's client area on the screen."""
        info = self.x('xwininfo', '-id', window)
        value = {key: int(re.search(r'%s:\s+(-?\d+)' % key, info).group(1))
                 for key in ('Absolute upper-left X', 'Absolute upper-left Y', 'Width', 'Height')
                 if re.search(r'%s:\s+(-?\d+)' % key, info)}
        if len(value) < 4:
            return None
        return (value['Absolute upper-left X'], value['Absolute upper-left Y'], value['Width'], value['Height'])

    def wait_geometry(self, window, size, origin=None, seconds=20):
        """Waits until the client area has this size (and origin); the
        window manager places windows in its own time."""
        def placed():
            rect = self.geometry(window)
            return rect if rect and rect[2:] == size and (origin is None or rect[:2] == origin) else None
        return wait_until(placed, seconds, lambda: 'client area %s, not %s at %s' % (
            self.geometry(window), size, origin or 'any place'), 0.2)

    def press_in(self, window, *keys):
        """Brings a window to the front with the keyboard focus; presses keys."""
        if run(['xdotool', 'windowactivate', '--sync', window], self.env, 10)[0] != 0:
            self.x('xdotool', 'windowfocus', window)
        wait_until(lambda: self.x('xdotool', 'getwindowfocus').strip() == str(int(window, 16)), 5,
                   'the window %s did not get the focus' % window, 0.05)
        self.x('xdotool', 'key', *keys)

    def click_close_box_of(self, window):
        """Clicks the right-most button of the title bar openbox draws."""
        extents = self.x('xprop', '-id', window, '_NET_FRAME_EXTENTS').split('=')[-1]
        left, right, top, _ = [int(v) for v in extents.replace(',', ' ').split()]
        x, y, w, h = self.geometry(window)
        self.x('xdotool', 'mousemove', str(x + w + right - 11), str(y - top // 2), 'click', '1')

    # -- the dialog ----------------------------------------------------------

    def dialog(self, show):
        self.dialog_window = wait_until(lambda: show.alive() and self.find_window(DIALOG_TITLE), 60,
                                        'the setup dialog did not appear', 0.2)
        return wait_until(lambda: self.geometry(self.dialog_window), 10, 'no dialog geometry')

    def check_dialog_look(self, show, shot, rect):
        x, y, w, h = rect
        check(w == 640, 'dialog %d px wide, not the title picture\'s 640' % w)
        check(shot.has_detail(x, y, 640, 360), 'no title picture')

    def press_in_dialog(self, show, key):
        self.press_in(self.dialog_window, key)

    def click_dialog_exit(self, show):
        # The Exit button: 117 pixels wide, 30 right of the centre, its row
        # 12 above the bottom edge (linux/setup_dialog.cpp).
        x, y, w, h = self.geometry(self.dialog_window)
        self.x('xdotool', 'mousemove', str(x + w // 2 + 15 + 58), str(y + h - 12 - 15), 'click', '1')

    def close_dialog(self, show):
        self.click_close_box_of(self.dialog_window)

    def choose_4_3_windowed(self, show):
        """4:3 and Windowed chosen with the dialog's keys, then Enter."""
        self.dialog(show)
        self.press_in(self.dialog_window, 'alt+4')
        self.x('xdotool', 'key', 'alt+w')
        self.screenshot(show, 'choices')
        self.x('xdotool', 'key', 'Return')

    def windows_left(self, show):
        return ' '.join(t for t in (DIALOG_TITLE, 'Halvane') if self.find_window(t))

    # -- the show window -----------------------------------------------------

    def show_window(self, show):
        return wait_until(lambda: show.alive() and self.find_window('Halvane'), 30, 'no show window', 0.2)

    def show_rect(self, show, size=None, origin=None):
        window = self.show_window(show)
        if size:
            return self.wait_geometry(window, size, origin)
        return wait_until(lambda: self.geometry(window), 10, 'no show window geometry')

    def press(self, show, *keys):
        self.press_in(self.show_window(show), *keys)

    def close_box(self, show):
        self.click_close_box_of(self.show_window(show))

    def minimise(self, show):
        self.x('xdotool', 'windowminimize', self.show_window(show))

    def restore(self, show):
        window = self.show_window(show)
        if run(['xdotool', 'windowactivate', window], self.env, 10)[0] != 0:
            self.x('xdotool', 'windowmap', window)

    def toggle_fullscreen(self, show):
        show.process.send_signal(signal.SIGUSR1)

    def wait_toggled(self, show, number, fullscreen):
        """Waits until the Nth toggle (from 1) took effect; the client area."""
        show.wait_report('halvane-fullscreen', 30, 'no toggle reported')
        wait_until(lambda: len(show.lines('fullscreen')) >= number, 30, 'toggle %d not reported' % number)
        check(show.lines('fullscreen')[number - 1] == 'halvane-fullscreen %d' % fullscreen,
              lambda: 'toggles: %s' % show.lines('fullscreen'))
        if fullscreen:
            return self.show_rect(show, self.SCREEN, (0, 0))
        return self.show_rect(show, (1024, 768))

    # -- message boxes -------------------------------------------------------

    def reported_boxes(self, show):
        return self.messages(show)

    def find_box(self, text=None):
        """A message box: an X window titled "Error", or "App" (the mesh
        loader's); (window, title)."""
        for title in ('Error', 'App'):
            window = self.find_window(title)
            if window:
                return (window, title)
        return None

    def press_box(self, box):
        self.press_in(box[0], 'Return')

    # -- the host's own checks in the shared scenarios -----------------------

    def check_no_sound_run(self, show):
        titles = ' '.join(box[1] for box in show.boxes)
        check(titles == 'App Error Error', 'the boxes were titled %s' % titles)
        check(self.drawable(show) == (1280, 720), 'drawable %s' % (self.drawable(show),))

    def check_windowed_4_3(self, show):
        check(self.drawable(show) == (1024, 768), 'drawable %s' % (self.drawable(show),))

    def after_toggle(self, show, fullscreen):
        expected = self.SCREEN if fullscreen else (1024, 768)
        check(self.drawable(show) == expected, 'drawable %s, not %s' % (self.drawable(show), expected))

    def after_toggles(self, show):
        """The keys do the same as SIGUSR1: F11, then Alt+Enter."""
        self.press(show, 'F11')
        self.wait_toggled(show, 3, True)
        self.press(show, 'alt+Return')
        self.wait_toggled(show, 4, False)

    def check_natural_end(self, show):
        messages = self.messages(show)
        check(not messages, 'messages with a sound device: %s' % messages)
        with open(os.path.join(show.case_dir, 'stdout.txt')) as stdout:
            figures = stdout.read().splitlines()
        for line in figures:
            self.say(show, line)
        check(len([l for l in figures if re.match(r'^start-up: .* ms$', l)]) == 6, 'start-up figures: %s' % figures)

    # -- pictures ------------------------------------------------------------

    def drawable(self, show):
        line = show.lines('frame')[-1].split()
        return (int(line[2]), int(line[3]))
