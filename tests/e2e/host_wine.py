"""The Windows program under Wine as a host: halvane.exe (the test-hooks
build) in a fresh prefix on an Xvfb, run from a folder holding it, its sound
library and data/ as a user unpacks it. Xvfb cannot change display modes, so
the prefix runs Wine's virtual desktop, whose modes switch like a monitor's.
Watched through the program's report lines (OutputDebugStringA on Wine's
debugstr channel; app/test_report.h) and window_driver.exe (window_driver.c),
which lists windows, boxes and dialog controls and posts them what a user's
clicks or another program would send."""
import codecs
import os
import re
import shutil
import subprocess
import threading

from framework import Display, Host, MUSIC_FILE, NullSink, Show, check, comes_within, require_tools, run, spawn, \
    wait_until

SOURCE_DIR = os.path.abspath(os.path.join(os.path.dirname(__file__), '..', '..'))
DIALOG_TITLE = 'Halvane by Varnek'
# The flags and caption of the shell's boxes and of the music's.
ERROR_BOX, MUSIC_BOX = '0x00000030 "Error"', '0x00000000 null'
WINDOWED_CHOSEN = '1001:1:0 1002:0:0 1003:0:0 1004:1:1 focus=1004'
prepared, _prepare_lock = {}, threading.Lock()     # the run folders, made once for both instances


def unescape(text):
    """Undoes backslash escapes (\\n, \\", \\\\, \\xNN)."""
    return codecs.decode(text.encode('latin-1'), 'unicode_escape')


def field(line, name):
    """A field (name=value or name="value") of a window_driver line."""
    match = re.search(r' %s="?([^" ]*)' % name, line)
    return match.group(1) if match else ''


def rect_of(line, names=('x', 'y', 'w', 'h')):
    return tuple(int(field(line, name)) for name in names)


class WineHost(Host):
    NAME = 'wine'
    SCREEN = LONG_SCREEN = (1280, 1024)
    LONG_WINDOW, LONG_FRAME = (1280, 720), (0, 0, 1280, 720)
    NO_SOUND_BOXES, NO_SOUND_SIZE = ['Bass init error', 'Music play error'], (1280, 720)
    DIALOG_CENTRE_SLACK = (0.5, 0.5)
    # The 4:3 window made fullscreen switches the display mode to 1024 x 768.
    FULLSCREEN_4_3 = {'frame': (0, 0, 1024, 768), 'bar': 96, 'blend': 0}
    PLAYS_AFTER_TWO_TOGGLES = 3     # each window plays the music from its beginning
    # The demo time's lead over the music position the library reports: 0.3
    # s, plus up to the output ring (4 x 2048 frames) and the first buffer.
    LEAD = ['0.29', '0.51']

    def start(self):
        require_tools('wine', 'wineserver', 'Xvfb', 'xdotool', 'pulseaudio', 'parecord', 'x86_64-w64-mingw32-gcc')
        self.prefix = os.path.join(self.out, 'prefix-' + self.role)
        with _prepare_lock:
            if not prepared:
                self.prepare()
        self.display = Display(self.out, self.role, self.SCREEN, window_manager=False)
        self.sink = NullSink(os.path.join(self.out, 'pulse-' + self.role))
        # No Mono or Gecko prompts; a home with no sound settings: no card and
        # no PulseAudio server answers unless the sink is named.
        os.makedirs(self.out + '/home-no-sound', exist_ok=True)
        self.env = dict(os.environ, WINEDLLOVERRIDES='mscoree,mshtml=', HOME=self.out + '/home-no-sound',
                        PULSE_SERVER='unix:%s/no-pulse-server' % self.out, WINEPREFIX=self.prefix,
                        DISPLAY=self.display.name)
        # wineboot has failed now and then for no reason of ours: once more.
        if not self.make_prefix():
            self.wineserver('-k')
            shutil.rmtree(self.prefix, ignore_errors=True)
            check(self.make_prefix(), 'wineboot failed (see %s.log)' % self.prefix)

    def prepare(self):
        """The program (built by scripts/build-windows --test-hooks unless
        $HALVANE_E2E_EXE_DIR names one), window_driver.exe, and the run
        folders: with data/, without the music, and the shipped program."""
        exe_dir = os.environ.get('HALVANE_E2E_EXE_DIR')
        if not exe_dir:
            exe_dir = os.path.join(self.build_dir, 'windows-x86_64-hooks')
            with open(self.out + '/build-windows.log', 'wb') as log:
                check(subprocess.call([SOURCE_DIR + '/scripts/build-windows', '--test-hooks', self.build_dir],
                                      stdout=log, stderr=log) == 0, 'building the test-hooks program failed, see '
                      + log.name)
        for needed in ('data', 'heard_check', 'wake_probe'):
            check(os.path.exists(os.path.join(self.build_dir, needed)), 'no %s/%s (build first)'
                  % (self.build_dir, needed))
        prepared['driver'] = self.out + '/window_driver.exe'
        check(subprocess.call(['x86_64-w64-mingw32-gcc', '-O2', '-Wall', '-o', prepared['driver'],
                               SOURCE_DIR + '/tests/e2e/window_driver.c']) == 0, 'window_driver.exe did not build')
        for name, source, leave_out in (('show', exe_dir, None), ('show-no-music', exe_dir, MUSIC_FILE),
                                        ('show-shipped', self.build_dir + '/windows-x86_64', None)):
            if os.path.isfile(source + '/halvane.exe'):
                folder = prepared[name] = os.path.join(self.out, name)
                shutil.rmtree(folder, ignore_errors=True)
                os.makedirs(folder + '/data')
                for program in {'halvane.exe', 'BASS.dll'} & set(os.listdir(source)):
                    shutil.copy2(os.path.join(source, program), folder)
                for entry in set(os.listdir(self.data_dir)) - {leave_out}:
                    os.symlink(os.path.join(self.data_dir, entry), os.path.join(folder, 'data', entry))
        check('show' in prepared, 'no %s/halvane.exe' % exe_dir)

    def make_prefix(self):
        """A fresh prefix with the virtual desktop and no crash dialog (a crash
        then ends the process, and the case fails on its exit code)."""
        steps = [['wineboot', '-i']] + [['wine', 'reg', 'add', 'HKCU\\Software\\Wine\\' + key, '/v', name] + value
                                        + ['/f'] for key, name, value in (
            ('Explorer', 'Desktop', ['/d', 'Default']), (r'Explorer\Desktops', 'Default', ['/d', '1280x1024']),
            ('WineDbg', 'ShowCrashDialog', ['/t', 'REG_DWORD', '/d', '0']))]
        with open(self.prefix + '.log', 'ab') as log:
            for step in steps:
                try:
                    if subprocess.call(step, env=dict(self.env, WINEDEBUG='-all'), stdout=log, stderr=log,
                                       timeout=300):
                        return False
                except subprocess.TimeoutExpired:
                    return False
        self.wineserver('-w')
        return True

    def wineserver(self, flag):
        run(['wineserver', flag], self.env, 120)

    def stop(self):
        if os.path.isdir(self.prefix):
            self.wineserver('-k')
            self.wineserver('-w')
            shutil.rmtree(self.prefix, ignore_errors=True)   # made afresh each run; logs and shots stay
        Host.stop(self)

    def end_case(self):
        """Also waits for the Wine server to go: the next case starts with a
        fresh desktop in its first mode."""
        running = any(show.running() for show in self.shows)
        Host.end_case(self)
        if running:
            self.wineserver('-k')
        self.wineserver('-w')

    def start_show(self, case, sound=False, how='dialog', env=None, folder='show'):
        """ "wine halvane.exe" in a run folder, as a user starts it. how:
        "dialog" leaves it there; "windowed" chooses Windowed with an arrow
        key; the others press Enter (16:9 fullscreen)."""
        env = dict(self.env, WINEDEBUG='-all,+debugstr', **(env or {}))
        if sound:
            env['PULSE_SERVER'] = self.sink.server
            self.start_recording(case)
        for attempt in range(2):
            show = Show(self, case, spawn(['wine', 'halvane.exe'], case + '/wine.log', env, prepared[folder],
                                          stdout_path=case + '/wine.out'))
            show.shipped = folder == 'show-shipped'
            self.shows.append(show)
            # Once in many runs Wine ended the program before its dialog was
            # made (exit 0, no report but the exit; the program cannot tell
            # it apart from Exit): such a start is tried once more.
            wait_until(lambda: not show.running() or self.x_window(DIALOG_TITLE), 60, 'the setup dialog did not appear')
            if show.running() or show.process.returncode != 0 or show.reports() not in ([], ['halvane-exit 0']):
                break
            self.say(show, 'note: the program ended before its dialog appeared; started again')
            self.wineserver('-w')
        if how != 'dialog':
            self.dialog(show)
            self.dialog_steps(show, *[('Left', WINDOWED_CHOSEN)] * (how == 'windowed'))
        return show

    def report_lines(self, show):
        """The report lines as the program wrote them (Wine's escapes undone)."""
        try:
            with open(show.case_dir + '/wine.log', 'rb') as log:
                text = log.read().decode('latin-1')
        except FileNotFoundError:
            return []
        return [unescape(m.group(1)).rstrip('\n') for m in re.finditer(r'OutputDebugStringA "(halvane-.*)"\r?$',
                                                                        text, re.M)]

    def expect_boxes(self, show, *texts, errors=0):
        """The boxes reported: the first `errors` the shell's, the rest the
        music's (flags, caption and quoted text)."""
        boxes, expected = [line[len('halvane-box '):] for line in show.lines('box')], [
            '%s "%s"' % (ERROR_BOX if i < errors else MUSIC_BOX, t.replace('\n', '\\n')) for i, t in enumerate(texts)]
        check(boxes == expected, 'boxes reported: %s, not %s' % (boxes, expected))

    # -- windows, through window_driver and xdotool (there is no window manager)

    def driver(self, *args):
        return run(['wine', prepared['driver']] + list(args), dict(self.env, WINEDEBUG='-all'), 30)[1]

    def x_window(self, title):
        return (self.xdo('search', '--name', '^%s$' % re.escape(title)).split() or [None])[0]

    def press_in(self, title, key):
        """A key into the Wine window with this title, focused directly."""
        window = wait_until(lambda: self.x_window(title), 10, 'no window "%s" to press %s in' % (title, key))
        run(['xdotool', 'windowfocus', '--sync', window], self.env, 10)
        self.xdo('key', key)

    def click_close_box_of(self, line):
        """Clicks the right-most button of the caption Wine draws."""
        x, y, w, _ = rect_of(line)
        self.xdo('mousemove', x + w - 14, (y + int(field(line, 'clienty'))) // 2, 'click', 1)

    # -- the dialog

    def dialog_lines(self, show, seconds=30):
        # Its X window first: a window_driver started while Wine starts the
        # program can hang.
        wait_until(lambda: show.alive() and self.x_window(DIALOG_TITLE), seconds, 'the setup dialog did not appear')
        return wait_until(lambda: show.alive() and self.driver('wait', '#32770', DIALOG_TITLE, '2000').strip(),
                          seconds, 'the setup dialog did not appear', 0).splitlines()

    def dialog(self, show):
        lines = self.dialog_lines(show)
        with open(show.case_dir + '/dialog.txt', 'a') as saved:
            saved.write('\n'.join(lines) + '\n')
        self.dialog_line = lines[0]
        return rect_of(lines[0])

    def check_dialog_look(self, show, shot, rect):
        """Its two buttons, the radio buttons with 16:9 and Fullscreen checked,
        the title picture."""
        dialog = '\n'.join(self.dialog_lines(show))
        for control, text, checked in ((1, 'Run Demo', 0), (2, 'Exit', 0), (1001, '16:9', 1), (1002, '4:3', 0),
                                       (1003, 'Fullscreen', 1), (1004, 'Windowed', 0)):
            check(re.search(r'^control id=%d class="Button" text="%s" .* checked=%d ' % (control, text, checked),
                            dialog, re.M), 'control %d "%s" (checked %d) not in: %s' % (control, text, checked, dialog))
        check(re.search(r'^control id=-1 class="Static"', dialog, re.M), 'no title picture control')
        check(dialog.count('\ncontrol') == 7, 'not seven controls: ' + dialog)

    def click_control(self, show, control):
        line = [l for l in self.dialog_lines(show, 5) if l.startswith('control id=%d ' % control)]
        check(line, 'no control %d to click' % control)
        x, y, w, h = rect_of(line[0])
        self.xdo('mousemove', x + w // 2, y + h // 2, 'click', 1)

    def radio_states(self, show):
        """The radio buttons' check:focus states and the focused control."""
        controls = [l for l in self.dialog_lines(show, 5) if l.startswith('control')]
        return ' '.join('%s:%s:%s' % (field(l, 'id'), field(l, 'checked'), field(l, 'focused')) for l in controls
                        if field(l, 'id') in ('1001', '1002', '1003', '1004')) + ' focus=' + ''.join(
            field(l, 'id') for l in controls if field(l, 'focused') == '1')

    def dialog_steps(self, show, *steps):
        """Keys and clicks ("click-<control>") in the dialog, each with the
        radio_states it must give, e.g. "1001:1:0 1002:0:0 1003:1:1 1004:0:0
        focus=1003"; then Enter."""
        for step, states in steps:
            if step.startswith('click-'):
                self.click_control(show, int(step[len('click-'):]))
            else:
                self.press_in(DIALOG_TITLE, step)
            wait_until(lambda: self.radio_states(show) == states, 10,
                       lambda: 'the dialog shows %s, not %s' % (self.radio_states(show), states))
        self.press_in(DIALOG_TITLE, 'Return')

    def press_in_dialog(self, show, key):
        self.press_in(DIALOG_TITLE, key)

    def click_dialog_exit(self, show):
        self.click_control(show, 2)

    def close_dialog(self, show):
        self.click_close_box_of(self.dialog_line)

    def choose_4_3_windowed(self, show):
        """Left from the focused Run Demo checks Windowed; a click on 16:9 puts
        the focus into the aspect group, and Right checks 4:3."""
        self.dialog(show)
        self.dialog_steps(show, ('Left', WINDOWED_CHOSEN), ('click-1001', '1001:1:1 1002:0:0 1003:0:0 1004:1:0 focus=1001'),
                          ('Right', '1001:0:0 1002:1:1 1003:0:0 1004:1:0 focus=1002'))

    def windows_left(self, show):
        return self.driver('list').strip()

    # -- the render window

    def render_line(self, show):
        return wait_until(lambda: show.alive() and self.driver('wait', 'OpenGL', 'Halvane', '2000').split('\n')[0],
                          20, 'no render window', 0)

    def show_rect(self, show, size=None, origin=None):
        """The client area once it has this size (a resize reaches the window
        through its message queue); self.render keeps the window's line."""
        client = lambda line: tuple(int(v) for v in field(line, 'client').split('x'))
        self.render = wait_until(lambda: (lambda l: (size is None or client(l) == tuple(size)) and l)(
            self.render_line(show)), 20, lambda: 'client area %s, not %s' % (field(self.render_line(show), 'client'),
                                                                             size), 0.2)
        rect = rect_of(self.render, ('clientx', 'clienty')) + client(self.render)
        check(origin is None or rect[:2] == tuple(origin), 'client area at %s, not %s' % (rect[:2], origin))
        return rect

    def style(self, name='style'):
        return int(field(self.render, name), 16)

    def press(self, show, key):
        self.press_in('Halvane', key)

    def close_box(self, show):
        self.click_close_box_of(self.render_line(show))

    def minimise(self, show):
        check(self.driver('minimize', 'OpenGL', 'Halvane') == '', 'no window to minimise')
        wait_until(lambda: field(self.render_line(show), 'iconic') == '1', 10, 'the window did not minimise', 0.2)

    def restore(self, show):
        self.driver('restore', 'OpenGL', 'Halvane')

    def toggle_fullscreen(self, show):
        self.driver('toggle', 'OpenGL', 'Halvane')

    def wait_screen(self, show, size):
        """Waits for the virtual desktop (its own process) to take a display
        mode; a lag past 20 s is only noted: the window report says it was
        taken."""
        if not comes_within(lambda: self.driver('screen').strip() == 'screen %dx%d' % size, 20, 0.5):
            self.say(show, 'note: the desktop shows %s after 20 s, not %s' % (self.driver('screen').strip(), size))

    def wait_toggled(self, show, number, fullscreen):
        """The toggle makes the window again: its first frame, report, size,
        style, the display mode."""
        self.dismiss_boxes(show, lambda: show.frames(number + 1), 60)
        check(show.lines('window')[-1].startswith('halvane-window 1024 768 %d ' % fullscreen),
              'after the toggle the window is ' + show.lines('window')[-1])
        rect = self.show_rect(show)
        self.wait_screen(show, (1024, 768) if fullscreen else (1280, 1024))
        if fullscreen:
            check(rect == (0, 0, 1024, 768) and self.style() & 0x80000000, 'fullscreen window: ' + self.render)
            return rect
        # Wine's desktop takes back its size a moment after the program
        # restores the mode; a window made in that moment is held to the
        # 1024 x 768 screen it still sees (less high). Real Windows restores
        # the mode before ChangeDisplaySettingsA returns, and the program asked
        # for 1024 x 768 (its report above): the height and bars go unchecked.
        if rect[2] == 1024 and rect[3] < 768:
            self.say(show, 'note: Wine held the new window to the desktop while it was still 1024x768: %s' % (rect,))
            return None
        check(rect[2:] == (1024, 768), 'windowed client area %s, not 1024x768' % (rect[2:],))
        return rect

    # -- message boxes (title "Error": Wine's caption for boxes with none)

    def reported_boxes(self, show):
        """The texts of the boxes announced (None from the shipped program)."""
        return None if show.shipped else [unescape(re.search(r' "((?:[^"\\]|\\.)*)"$', line).group(1))
                                          for line in show.lines('box')]

    def find_box(self, text=None):
        """A box shown now with this text (any text for None), as (X window,
        text); the driver prints a line break as a space."""
        shown = re.search(r'^control id=65535 class="Static" text="([^"]*)"',
                          self.driver('wait', '#32770', 'Error', '300'), re.M)
        if not shown or text is not None and text.split() != shown.group(1).split():
            return None
        window = self.x_window('Error')
        return window and (window, shown.group(1).strip())

    def press_box(self, box):
        run(['xdotool', 'windowfocus', '--sync', box[0]], self.env, 10)
        self.xdo('key', 'Return')

    # -- the host's own checks in the shared scenarios

    def expect_multisample(self, show):
        """The probe found a format, the window uses it, with 4 samples (Mesa's)."""
        fields = show.lines('window')[-1].split()
        check(fields[4] == '1' and fields[5] == '4' and fields[6] == fields[7],
              'multisample: found %s, %s samples, pixel format %s (the probe\'s: %s)' % tuple(fields[4:8]))

    def say_phases(self, show):
        """The start-up phases of each render window (figures for people)."""
        for window in ' '.join(show.reports()).split('halvane-teardown'):
            phases = re.findall(r'halvane-phase (\w+) (\S+) (\S+)', window)
            if phases:
                self.say(show, 'phases:' + ''.join(' %s %s ms (+%s)' % p for p in phases if p[0] != 'dialog'))

    def check_no_sound_run(self, show):
        """16:9 fullscreen: a topmost popup with a 4-sample format, the desktop
        at 1280 x 720, the first caption over the white. The toggle makes
        the window again (windowed) with the music: the boxes again."""
        self.expect_boxes(show, *self.NO_SOUND_BOXES)
        check(show.setup_line() == 'halvane-setup 1280 720 720 1', 'setup: ' + show.setup_line())
        check(show.lines('window')[0].startswith('halvane-window 1280 720 1 '), 'window: %s' % show.lines('window'))
        self.expect_multisample(show)
        self.say_phases(show)
        check(self.show_rect(show) == (0, 0, 1280, 720) and self.style() & 0x80000000 and
              self.style('exstyle') & 0x8, 'not a topmost popup 1280x720 at 0,0: ' + self.render)
        self.wait_screen(show, (1280, 720))
        show.wait_time(8.0, 30)
        wait_until(lambda: not self.screenshot(show, 'caption').is_white(0, 0, 1280, 720), 20,
                   lambda: 'no caption by demo time %.2f' % show.last_time(), 1.0)
        self.toggle_fullscreen(show)
        self.dismiss_boxes(show, lambda: show.frames(2), 60)
        self.expect_boxes(show, *self.NO_SOUND_BOXES * 2)
        check(show.lines('window')[-1].startswith('halvane-window 1280 720 0 '),
              'after the toggle the window is ' + show.lines('window')[-1])
        self.expect_multisample(show)

    def check_windowed_4_3(self, show):
        self.expect_multisample(show)
        self.show_rect(show)
        check(self.style() & 0x00CF0000 == 0x00CF0000, 'not an overlapped window: ' + self.render)

    def after_toggle(self, show, fullscreen):
        """The fullscreen popup (which may take any size) narrowed to a client
        area of zero width goes on drawing; at 1024 x 768 again the picture
        and its bars are as before."""
        if not fullscreen:
            return
        self.driver('resize', 'OpenGL', 'Halvane', '0', '768')
        self.show_rect(show, (0, 768))
        show.wait_frames(len(show.frames()) + 5, 20, 'no frames with a zero-width client area')
        self.screenshot(show, 'narrowed')
        self.driver('resize', 'OpenGL', 'Halvane', '1024', '768')
        self.show_rect(show, (1024, 768))
        shot = self.frozen_shot(show, 'widened')[0]
        check(shot.is_black(0, 0, 1024, 96) and shot.is_black(0, 672, 1024, 96), 'after widening the bars are not black')
        check(not shot.is_black(0, 96, 1024, 1), 'after widening row 96 is black')

    def after_toggles(self, show):
        """Two teardowns, no box; each window's music started from its
        beginning: its position in the window's first frames counts from the
        window's start, not the show's. A third play long enough to place."""
        check(len(show.lines('teardown')) == 2, 'teardowns: %s' % show.lines('teardown'))
        self.expect_boxes(show)
        show.wait_time(show.frames(3)[0] + 8, 60)
        for number in (1, 2, 3):
            start = show.frames(number - 1)[-1] if number > 1 else 0.3
            playing = re.findall(r'halvane-frame (\S+) ([1-9]\d*) ', ' '.join(show.reports()).split(
                'halvane-window ')[number])
            check(playing, 'window %d: the music never played' % number)
            since, position = float(playing[0][0]) - start, int(playing[0][1]) / (4.0 * 44100)
            self.say(show, 'window %d (from demo time %.3f): music at %.3f s, %.3f s into the window'
                     % (number, start, position, since))
            check(position <= since + 1.0, 'window %d: the music at %.3f s %.3f s after the window began at demo '
                  'time %.3f: not from its beginning' % (number, position, since, start))

    def check_natural_end(self, show):
        self.expect_boxes(show)
        self.say_phases(show)
