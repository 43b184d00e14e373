"""The native Linux player as a host: <build>/halvane on an Xvfb with openbox
(for minimising, fullscreen and the close box), playing through SDL into a
null sink. Watched through its test report (HALVANE_TEST_REPORT), its stderr
(each box's text comes there first) and the X windows. Pictures are taken
with the player stopped right after a frame was reported."""
import os
import re
import shutil
import signal

from framework import Display, Host, NullSink, Show, check, require_tools, run, spawn, wait_until

DIALOG_TITLE = 'Halvane by Varnek'


class LinuxHost(Host):
    NAME, STOP_TO_SHOOT = 'linux', True
    # The main display is 16:9, so a 16:9 fullscreen frame fills it; the
    # long case's is 5:4, so the same frame has bars above and below.
    SCREEN, LONG_SCREEN = (1600, 900), (1280, 1024)
    LONG_WINDOW, LONG_FRAME = (1280, 1024), (0, 152, 1280, 720)
    # No sound device, and one knot mesh missing beside the program.
    NO_SOUND_BOXES = ['Error opening .obj file', 'Bass init error', 'Music play error']
    NO_SOUND_SIZE = (1280, 720)
    DIALOG_CENTRE_SLACK = (20, 40)
    # The 4:3 frame scaled by 900/768 to 1200 x 900 in the middle of the
    # screen, its bars 112.5 rows high (2 rows blended at each edge).
    FULLSCREEN_4_3 = {'frame': (200, 0, 1200, 900), 'bar': 112, 'blend': 2}
    # The toggle switches the one window in place and the music plays on.
    PLAYS_AFTER_TWO_TOGGLES = None

    def start(self):
        require_tools('Xvfb', 'openbox', 'xdotool', 'xwininfo', 'xprop', 'pulseaudio', 'parecord')
        self.player = os.path.join(self.build_dir, 'halvane')
        check(os.access(self.player, os.X_OK), 'no %s (build it first)' % self.player)
        self.display = Display(self.out, self.role, self.SCREEN if self.role == 'main' else self.LONG_SCREEN,
                               window_manager=True)
        self.sink = NullSink(os.path.join(self.out, 'pulse-' + self.role))
        os.makedirs(self.out + '/home', exist_ok=True)
        self.env = {k: v for k, v in os.environ.items() if k not in ('SDL_AUDIODRIVER', 'WAYLAND_DISPLAY')}
        self.env.update(DISPLAY=self.display.name, HOME=self.out + '/home', SDL_AUDIODRIVER='pulseaudio')

    def start_show(self, case, sound=False, how='dialog', env=None):
        """The player started from the case folder (which has no data/); how
        may also be options ("--fullscreen ...")."""
        player, env = self.player, dict(env or {})
        if how == 'no-sound':   # a copy of the program whose data/ lacks one knot mesh
            player = os.path.join(case, 'show', 'halvane')
            os.makedirs(os.path.join(case, 'show', 'data'))
            shutil.copy2(self.player, player)
            for entry in set(os.listdir(self.data_dir)) - {'knot4.obj'}:
                os.symlink(os.path.join(self.data_dir, entry), os.path.join(case, 'show', 'data', entry))
        if how == 'fullscreen-long':
            env['LP_NUM_THREADS'] = '1'     # GL drawn with one thread, the other core left to the other cases
        how = {'dialog': '', 'no-sound': '--windowed', 'windowed': '--windowed', 'fullscreen': '--fullscreen',
               'fullscreen-long': '--fullscreen --report-timing'}.get(how, how)
        env.update(HALVANE_TEST_REPORT=case + '/report.txt',
                   PULSE_SERVER=self.sink.server if sound else 'unix:%s/no-pulse-server' % self.out)
        if sound:
            self.start_recording(case)
        self.shows.append(Show(self, case, spawn([player] + how.split(), case + '/stderr.txt', dict(self.env, **env),
                                                 case, stdout_path=case + '/stdout.txt')))
        return self.shows[-1]

    def report_lines(self, show):
        try:
            with open(show.case_dir + '/report.txt') as report:
                return report.read().splitlines()
        except FileNotFoundError:
            return []

    def reported_boxes(self, show):
        """The message texts written to stderr (each before its box)."""
        with open(show.case_dir + '/stderr.txt', errors='replace') as stderr:
            return [line[len('halvane: '):] for line in stderr.read().splitlines() if line.startswith('halvane: ')]

    # -- X windows

    def find_window(self, title, tree=None):
        """An X window with this exact title, or None (xdotool's search misses
        titles set only as UTF8_STRING, as SDL's message box sets its own);
        tree: a listing of the windows already read."""
        found = re.search(r'^\s*(0x[0-9a-f]+) "%s": ' % re.escape(title),
                          tree or run(['xwininfo', '-root', '-tree'], self.env)[1], re.M)
        return found and found.group(1)

    def geometry(self, window):
        """(x, y, w, h) of a window's client area on the screen, or None."""
        values = re.findall(r'(?:Absolute upper-left [XY]|Width|Height):\s+(-?\d+)',
                            run(['xwininfo', '-id', window], self.env)[1])
        return tuple(int(v) for v in values) if len(values) == 4 else None

    def press_in(self, window, *keys):
        """Brings a window to the front with the keyboard focus; presses keys."""
        if run(['xdotool', 'windowactivate', '--sync', window], self.env, 10)[0] != 0:
            self.xdo('windowfocus', window)
        wait_until(lambda: self.xdo('getwindowfocus').strip() == str(int(window, 16)), 5,
                   'the window %s did not get the focus' % window, 0.05)
        self.xdo('key', *keys)

    def click_close_box_of(self, window):
        """Clicks the right-most button of the title bar openbox draws."""
        left, right, top, _ = map(int, re.findall(r'\d+', run(['xprop', '-id', window, '_NET_FRAME_EXTENTS'],
                                                              self.env)[1].split('=')[-1]))
        x, y, w, h = self.geometry(window)
        self.xdo('mousemove', x + w + right - 11, y - top // 2, 'click', 1)

    # -- the dialog

    def dialog(self, show):
        self.dialog_window = wait_until(lambda: show.alive() and self.find_window(DIALOG_TITLE), 60,
                                        'the setup dialog did not appear', 0.2)
        return wait_until(lambda: self.geometry(self.dialog_window), 10, 'no dialog geometry')

    def check_dialog_look(self, show, shot, rect):
        check(rect[2] == 640, 'dialog %d px wide, not the title picture\'s 640' % rect[2])
        check(shot.has_detail(rect[0], rect[1], 640, 360), 'no title picture')

    def press_in_dialog(self, show, key):
        self.press_in(self.dialog_window, key)

    def click_dialog_exit(self, show):
        # The Exit button: 117 pixels wide, 30 right of the centre, its row 12
        # above the bottom edge (linux/setup_dialog.cpp).
        x, y, w, h = self.geometry(self.dialog_window)
        self.xdo('mousemove', x + w // 2 + 15 + 58, y + h - 12 - 15, 'click', 1)

    def close_dialog(self, show):
        self.click_close_box_of(self.dialog_window)

    def choose_4_3_windowed(self, show):
        self.dialog(show)
        self.press_in(self.dialog_window, 'alt+4')
        self.xdo('key', 'alt+w')
        self.screenshot(show, 'choices')
        self.xdo('key', 'Return')

    def windows_left(self, show):
        tree = run(['xwininfo', '-root', '-tree'], self.env)[1]
        return ' '.join(t for t in (DIALOG_TITLE, 'Halvane') if self.find_window(t, tree))

    # -- the show window

    def show_window(self, show):
        return wait_until(lambda: show.alive() and self.find_window('Halvane'), 30, 'no show window', 0.2)

    def show_rect(self, show, size=None, origin=None):
        """The client area once it has this size and place: the window manager
        places windows in its own time."""
        window = self.show_window(show)
        placed = lambda rect: rect and (size is None or rect[2:] == tuple(size)) and origin in (None, rect[:2]) \
            and rect
        return wait_until(lambda: placed(self.geometry(window)), 20,
                          lambda: 'client area %s, not %s at %s' % (self.geometry(window), size, origin), 0.2)

    def press(self, show, *keys):
        self.press_in(self.show_window(show), *keys)

    def close_box(self, show):
        self.click_close_box_of(self.show_window(show))

    def minimise(self, show):
        self.xdo('windowminimize', self.show_window(show))

    def restore(self, show):
        if run(['xdotool', 'windowactivate', self.show_window(show)], self.env, 10)[0] != 0:
            self.xdo('windowmap', self.show_window(show))

    def toggle_fullscreen(self, show):
        show.process.send_signal(signal.SIGUSR1)

    def wait_toggled(self, show, number, fullscreen):
        """The toggle reported, the window at its new size, and a frame drawn
        at that size (the frame right after a toggle may still be drawn at
        the old one)."""
        wait_until(lambda: show.alive() and len(show.lines('fullscreen')) >= number, 30, 'toggle %d not reported'
                   % number)
        check(show.lines('fullscreen')[number - 1] == 'halvane-fullscreen %d' % fullscreen,
              lambda: 'toggles: %s' % show.lines('fullscreen'))
        rect = self.show_rect(show, self.SCREEN, (0, 0)) if fullscreen else self.show_rect(show, (1024, 768))
        wait_until(lambda: show.alive() and self.drawn_size(show) == rect[2:], 30,
                   lambda: 'frames drawn at %s, not %s' % (self.drawn_size(show), rect[2:]))
        return rect

    # -- message boxes: an X window titled "Error", or "App" (the mesh loader's)

    def find_box(self, text=None):
        tree = run(['xwininfo', '-root', '-tree'], self.env)[1]
        return next(((window, title) for title in ('Error', 'App') for window in [self.find_window(title, tree)]
                     if window), None)

    def press_box(self, box):
        self.press_in(box[0], 'Return')

    # -- the host's own checks in the shared scenarios

    def drawn_size(self, show):
        """The drawable's size in the last frame reported."""
        return tuple(int(v) for v in show.lines('frame')[-1].split()[2:4])

    def drawable(self, show, expected):
        check(self.drawn_size(show) == tuple(expected), lambda: 'drawable %s, not %s' % (self.drawn_size(show),
                                                                                       expected))

    def check_no_sound_run(self, show):
        check([box[1] for box in show.boxes] == ['App', 'Error', 'Error'], 'the boxes were titled %s' % show.boxes)
        self.drawable(show, (1280, 720))

    def check_windowed_4_3(self, show):
        self.drawable(show, (1024, 768))

    def after_toggle(self, show, fullscreen):
        self.drawable(show, self.SCREEN if fullscreen else (1024, 768))

    def after_toggles(self, show):
        """The keys do the same as SIGUSR1: F11, then Alt+Enter."""
        for number, keys in ((3, 'F11'), (4, 'alt+Return')):
            self.press(show, keys)
            self.wait_toggled(show, number, number == 3)

    def check_natural_end(self, show):
        check(not self.reported_boxes(show), 'messages with a sound device: %s' % self.reported_boxes(show))
        with open(show.case_dir + '/stdout.txt') as stdout:
            figures = stdout.read()
        self.say(show, figures)
        check(len(re.findall(r'^start-up: .* ms$', figures, re.M)) == 6, 'start-up figures: ' + figures)
