"""The Windows program under Wine as an end-to-end host: halvane.exe (the
test-hooks build) in a fresh Wine prefix on an Xvfb, run from a folder
holding it, its sound library and data/ as a user unpacks it. Xvfb cannot
change display modes, so the prefix runs Wine's virtual desktop, whose modes
(1280 x 720, 1024 x 768, ...) switch like a monitor's. It is watched through
  - the program's report lines (OutputDebugStringA, which Wine prints on its
    debugstr channel; app/test_report.h), the message boxes among them;
  - window_driver.exe (tests/wine/window_driver.c), which lists the
    program's windows, boxes and dialog controls and posts them what a
    user's clicks or another program would send;
  - screenshots, and what it plays into a PulseAudio null sink of its own.
Wine has no sound device unless PULSE_SERVER names the host's sink."""
import os
import re
import shutil
import subprocess
import threading

from framework import CaseFailure, Display, Host, MUSIC_FILE, NullSink, Show, check, end_process, require_tools, run, \
    spawn, wait_until

SOURCE_DIR = os.path.abspath(os.path.join(os.path.dirname(__file__), '..', '..'))
DIALOG_TITLE = 'Halvane by Varnek'
# The flags and caption of the shell's boxes and of the music's.
ERROR_BOX = '0x00000030 "Error"'
MUSIC_BOX = '0x00000000 null'
# The folders both instances run from, made once per run.
_prepared = {}
_prepare_lock = threading.Lock()


def unescape(text, escapes):
    """Undoes backslash escapes: \\n and the characters in `escapes` taken
    as they are; \\xNN as that byte."""
    def one(match):
        c = match.group(1)
        if c == 'n':
            return '\n'
        if c.startswith('x'):
            return chr(int(c[1:], 16))
        return c if c in escapes else '\\' + c
    return re.sub(r'\\(x[0-9a-fA-F]{2}|.)', one, text)


def field(line, name):
    """A field (name=value or name="value") of a window_driver line."""
    match = re.search(r' %s="?([^" ]*)' % name, line)
    return match.group(1) if match else ''


class WineHost(Host):
    NAME = 'wine'
    SCREEN = (1280, 1024)
    LONG_SCREEN = (1280, 1024)
    NO_SOUND_BOXES = ['Bass init error', 'Music play error']
    NO_SOUND_SIZE = (1280, 720)
    DIALOG_CENTRE_SLACK = (0.5, 0.5)
    # The 4:3 window made fullscreen: the display mode is 1024 x 768.
    FULLSCREEN_4_3 = {'frame': (0, 0, 1024, 768), 'bar': 96, 'blend': 0}
    # Each toggle makes the window again with the music from its beginning.
    PLAYS_AFTER_TWO_TOGGLES = 3
    LONG_WINDOW = (1280, 720)
    LONG_SCREEN_FRAME = (0, 0, 1280, 720)
    # How far the demo time may run ahead of the music position the library
    # reports: 0.3 s, plus up to the output ring (4 x 2048 frames) and the
    # wait for the first buffer.
    LEAD = ('0.29', '0.51')

    def start(self):
        require_tools('wine', 'wineserver', 'Xvfb', 'xdotool', 'pulseaudio', 'parecord', 'x86_64-w64-mingw32-gcc')
        self.display = None
        self.prefix = os.path.join(self.out, 'prefix-' + self.role)
        with _prepare_lock:
            if not _prepared:
                self.prepare()
        self.folders = _prepared
        self.display = Display(self.out, self.role, self.SCREEN, window_manager=False)
        self.sink = NullSink(os.path.join(self.out, 'pulse-' + self.role))
        # No Mono or Gecko installer prompts; a home with no sound
        # configuration: ALSA then finds no card, and no PulseAudio server is
        # reachable, so Wine has no sound device unless told of the sink.
        home = os.path.join(self.out, 'home-no-sound')
        os.makedirs(home, exist_ok=True)
        self.env = dict(os.environ, WINEDLLOVERRIDES='mscoree,mshtml=', HOME=home,
                        PULSE_SERVER='unix:%s/no-pulse-server' % self.out, WINEPREFIX=self.prefix,
                        DISPLAY=self.display.name)
        # wineboot has failed here now and then for no reason of ours: a
        # failed set-up is tried once more from scratch.
        if not self.make_prefix():
            self.wineserver('-k')
            shutil.rmtree(self.prefix, ignore_errors=True)
            check(self.make_prefix(), 'wineboot failed (see %s.log)' % self.prefix)

    def prepare(self):
        """The program (built here with scripts/build-windows --test-hooks
        unless $HALVANE_E2E_EXE_DIR names one), window_driver.exe, and the
        run folders: the program with data/, without the music file, and the
        shipped program when scripts/build-windows made it."""
        exe_dir = os.environ.get('HALVANE_E2E_EXE_DIR')
        if not exe_dir:
            exe_dir = os.path.join(self.build_dir, 'windows-x86_64-hooks')
            with open(os.path.join(self.out, 'build-windows.log'), 'wb') as log:
                code = subprocess.call([os.path.join(SOURCE_DIR, 'scripts', 'build-windows'), '--test-hooks',
                                        self.build_dir], stdout=log, stderr=subprocess.STDOUT)
            check(code == 0, 'building the test-hooks program failed, see %s/build-windows.log' % self.out)
        check(os.path.isdir(self.data_dir), 'no %s (build the Linux tree first)' % self.data_dir)
        for tool in ('heard_check', 'wake_probe'):
            check(os.access(os.path.join(self.build_dir, tool), os.X_OK), 'no %s/%s' % (self.build_dir, tool))
        driver = os.path.join(self.out, 'window_driver.exe')
        check(subprocess.call(['x86_64-w64-mingw32-gcc', '-O2', '-Wall', '-o', driver,
                               os.path.join(SOURCE_DIR, 'tests', 'wine', 'window_driver.c')]) == 0,
              'window_driver.exe did not build')
        shipped = os.path.join(self.build_dir, 'windows-x86_64')
        for name, source, leave_out in (('show', exe_dir, None), ('show-no-music', exe_dir, MUSIC_FILE),
                                        ('show-shipped', shipped, None)):
            if not os.path.isfile(os.path.join(source, 'halvane.exe')):
                check(name == 'show-shipped', 'no %s/halvane.exe' % source)
                continue
            folder = os.path.join(self.out, name)
            shutil.rmtree(folder, ignore_errors=True)
            os.makedirs(os.path.join(folder, 'data'))
            for program in ('halvane.exe', 'BASS.dll'):
                if os.path.isfile(os.path.join(source, program)):
                    shutil.copy2(os.path.join(source, program), folder)
            for entry in os.listdir(self.data_dir):
                if entry != leave_out:
                    os.symlink(os.path.join(self.data_dir, entry), os.path.join(folder, 'data', entry))
            _prepared[name] = folder
        _prepared['driver'] = driver

    def make_prefix(self):
        """A fresh prefix with the virtual desktop and no crash dialog (a
        crash then simply ends the process, and the case fails on its exit
        code)."""
        env = dict(self.env, WINEDEBUG='-all')
        with open(self.prefix + '.log', 'ab') as log:
            steps = [['wineboot', '-i'],
                     ['wine', 'reg', 'add', r'HKCU\Software\Wine\Explorer', '/v', 'Desktop', '/d', 'Default', '/f'],
                     ['wine', 'reg', 'add', r'HKCU\Software\Wine\Explorer\Desktops', '/v', 'Default', '/d',
                      '1280x1024', '/f'],
                     ['wine', 'reg', 'add', r'HKCU\Software\Wine\WineDbg', '/v', 'ShowCrashDialog', '/t', 'REG_DWORD',
                      '/d', '0', '/f']]
            for step in steps:
                try:
                    if subprocess.call(step, env=env, stdout=log, stderr=log, timeout=300) != 0:
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
            # The prefixes are made afresh on every run; logs and screenshots stay.
            shutil.rmtree(self.prefix, ignore_errors=True)
        if self.sink:
            self.sink.stop()
        if self.display:
            self.display.stop()

    def end_case(self):
        """Also ends what the case left in the prefix and waits for the Wine
        server to go, so that the next case starts with a fresh desktop in
        its first mode."""
        running = any(show.running() for show in self.shows)
        Host.end_case(self)
        if running:
            self.wineserver('-k')
        self.wineserver('-w')

    # -- the program ---------------------------------------------------------

    def start_show(self, case, sound=False, how='dialog', env=None, folder='show'):
        """Starts the program as a user does: "wine halvane.exe" in a run
        folder. how: "dialog" leaves it in its setup dialog; "no-sound",
        "fullscreen", "fullscreen-long" press Enter there (16:9 fullscreen);
        "windowed" chooses Windowed with the arrow key, then Enter."""
        run_env = dict(self.env, WINEDEBUG='-all,+debugstr', **(env or {}))
        if sound:
            run_env['PULSE_SERVER'] = self.sink.server
            self.start_recording(case)
        process = spawn(['wine', 'halvane.exe'], os.path.join(case, 'wine.log'), env=run_env,
                        cwd=self.folders[folder], stdout_path=os.path.join(case, 'wine.out'))
        show = Show(self, case, process)
        show.shipped = folder == 'show-shipped'
        self.shows.append(show)
        if how != 'dialog':
            self.dialog(show)
            if how == 'windowed':
                self.press_in(DIALOG_TITLE, 'Left')
                self.wait_radio_states(show, '1001:1:0 1002:0:0 1003:0:0 1004:1:1 focus=1004')
            self.press_in(DIALOG_TITLE, 'Return')
        return show

    def report_lines(self, show):
        """The program's report lines as it wrote them: Wine prints each one
        quoted, with its own escapes, undone here."""
        try:
            with open(os.path.join(show.case_dir, 'wine.log'), 'rb') as log:
                text = log.read().decode('latin-1')
        except FileNotFoundError:
            return []
        return [unescape(m.group(1), '"\\').rstrip('\n')
                for m in re.finditer(r'OutputDebugStringA "(halvane-.*)"\r?$', text, re.M)]

    def boxes_reported(self, show):
        """The boxes the program reported: flags, caption, quoted text."""
        return [line[len('halvane-box '):] for line in show.lines('box')]

    def expect_boxes(self, show, *expected):
        boxes = self.boxes_reported(show)
        check(boxes == list(expected), 'boxes reported: %s, not %s' % (boxes, list(expected)))

    # -- windows through window_driver and xdotool ---------------------------

    def driver(self, *args):
        return run(['wine', self.folders['driver']] + list(args), dict(self.env, WINEDEBUG='-all'), 30)[1]

    def x_window(self, title):
        found = run(['xdotool', 'search', '--name', '^%s$' % re.escape(title)], self.env, 30)[1].split()
        return found[0] if found else None

    def press_in(self, title, key):
        """Presses a key in the Wine window with this title. Without a
        window manager the window is focused directly."""
        window = wait_until(lambda: self.x_window(title), 10, 'no window "%s" to press %s in' % (title, key), 0.1)
        run(['xdotool', 'windowfocus', '--sync', window], self.env, 10)
        run(['xdotool', 'key', key], self.env)

    def click(self, x, y):
        run(['xdotool', 'mousemove', str(x), str(y), 'click', '1'], self.env)

    def click_close_box_of(self, line):
        """Clicks the right-most button of the caption Wine draws."""
        self.click(int(field(line, 'x')) + int(field(line, 'w')) - 14,
                   (int(field(line, 'y')) + int(field(line, 'clienty'))) // 2)

    # -- the dialog ----------------------------------------------------------

    def dialog_lines(self, show, seconds=30):
        # Its X window first: a window_driver started while the program's
        # Wine starts up can hang there.
        wait_until(lambda: show.alive() and self.x_window(DIALOG_TITLE), seconds, 'the setup dialog did not appear')
        listing = wait_until(lambda: show.alive() and self.driver('wait', '#32770', DIALOG_TITLE, '2000').strip(),
                             seconds, 'the setup dialog did not appear', 0)
        return listing.splitlines()

    def dialog(self, show):
        lines = self.dialog_lines(show)
        with open(os.path.join(show.case_dir, 'dialog.txt'), 'a') as saved:
            saved.write('\n'.join(lines) + '\n')
        self.dialog_line = lines[0]
        return tuple(int(field(lines[0], name)) for name in ('x', 'y', 'w', 'h'))

    def check_dialog_look(self, show, shot, rect):
        """Its caption and controls: the two buttons, the two groups of
        radio buttons with 16:9 and Fullscreen checked, the title picture."""
        lines = self.dialog_lines(show)
        dialog = '\n'.join(lines)
        check(lines[0].startswith('window class="#32770" title="%s"' % DIALOG_TITLE), 'dialog: ' + lines[0])
        for control, text, checked in ((1, 'Run Demo', 0), (2, 'Exit', 0), (1001, '16:9', 1), (1002, '4:3', 0),
                                       (1003, 'Fullscreen', 1), (1004, 'Windowed', 0)):
            check(re.search(r'^control id=%d class="Button" text="%s" .* checked=%d ' % (control, text, checked),
                            dialog, re.M), 'control %d "%s" (checked %d) not found in: %s'
                  % (control, text, checked, dialog))
        check(re.search(r'^control id=-1 class="Static"', dialog, re.M), 'no title picture control')
        check(len([l for l in lines if l.startswith('control')]) == 7, 'not seven controls: ' + dialog)

    def click_control(self, show, control):
        line = [l for l in self.dialog_lines(show, 5) if l.startswith('control id=%d ' % control)]
        check(line, 'no control %d to click' % control)
        x, y, w, h = (int(field(line[0], name)) for name in ('x', 'y', 'w', 'h'))
        self.click(x + w // 2, y + h // 2)

    def radio_states(self, show):
        """The check states of the four radio buttons and which control holds
        the focus, e.g. "1001:1:0 1002:0:0 1003:1:1 1004:0:0 focus=1003"."""
        states, focus = [], ''
        for line in self.dialog_lines(show, 5):
            control = field(line, 'id')
            if line.startswith('control') and control in ('1001', '1002', '1003', '1004'):
                states.append('%s:%s:%s' % (control, field(line, 'checked'), field(line, 'focused')))
            if line.startswith('control') and field(line, 'focused') == '1':
                focus = control
        return ' '.join(states) + ' focus=' + focus

    def wait_radio_states(self, show, expected, seconds=10):
        wait_until(lambda: self.radio_states(show) == expected, seconds,
                   lambda: 'the dialog shows %s, not %s' % (self.radio_states(show), expected), 0.1)

    def press_in_dialog(self, show, key):
        self.press_in(DIALOG_TITLE, key)

    def click_dialog_exit(self, show):
        self.click_control(show, 2)

    def close_dialog(self, show):
        self.click_close_box_of(self.dialog_line)

    def choose_4_3_windowed(self, show):
        """Windowed with the arrow keys (Left from the focused Run Demo button
        moves to Windowed and checks it), then 4:3: a click on 16:9 puts the
        focus into the aspect group and Right moves to 4:3 and checks it.
        The choice is read when Enter is pressed."""
        self.dialog(show)
        self.press_in(DIALOG_TITLE, 'Left')
        self.wait_radio_states(show, '1001:1:0 1002:0:0 1003:0:0 1004:1:1 focus=1004')
        self.click_control(show, 1001)
        self.wait_radio_states(show, '1001:1:1 1002:0:0 1003:0:0 1004:1:0 focus=1001')
        run(['xdotool', 'key', 'Right'], self.env)
        self.wait_radio_states(show, '1001:0:0 1002:1:1 1003:0:0 1004:1:0 focus=1002')
        run(['xdotool', 'key', 'Return'], self.env)

    def windows_left(self, show):
        return self.driver('list').strip()

    # -- the render window ---------------------------------------------------

    def render_line(self, show, seconds=20):
        return wait_until(lambda: show.alive() and self.driver('wait', 'OpenGL', 'Halvane', '2000').split('\n')[0],
                          seconds, 'no render window', 0)

    def show_rect(self, show, size=None, origin=None):
        """The render window's client area, once it has this size: a resize
        reaches the window through its message queue, so this looks again."""
        def placed():
            line = self.render_line(show)
            client = tuple(int(v) for v in field(line, 'client').split('x'))
            if size is None or client == tuple(size):
                return line
            return None
        line = wait_until(placed, 20, lambda: 'client area %s, not %s' % (
            field(self.render_line(show), 'client'), size), 0.2)
        self.render = line
        rect = (int(field(line, 'clientx')), int(field(line, 'clienty'))) + tuple(
            int(v) for v in field(line, 'client').split('x'))
        check(origin is None or rect[:2] == tuple(origin), 'client area at %s, not %s' % (rect[:2], origin))
        return rect

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

    def wait_screen(self, show, size, seconds=20):
        """Waits for the virtual desktop (its own process) to take a display
        mode; a lag past the deadline is noted, not failed: the program's
        window report already says the mode was taken."""
        want = 'screen %dx%d' % size
        try:
            wait_until(lambda: self.driver('screen').strip() == want, seconds, '', 0.5)
        except CaseFailure:
            self.say(show, 'note: the desktop shows %s after %d s, not %s' % (self.driver('screen').strip(), seconds,
                                                                              want))

    def wait_toggled(self, show, number, fullscreen):
        """After the Nth toggle the window is made again: its first frame,
        its report, its size and style, the display mode. None when Wine
        held the new window to the desktop's old size (see below)."""
        self.dismiss_boxes(show, lambda: show.frames(number + 1), 60)
        window = show.lines('window')[-1]
        check(window.startswith('halvane-window 1024 768 %d ' % fullscreen),
              'after the toggle the window is %s' % window)
        rect = self.show_rect(show)
        client = field(self.render, 'client')
        if fullscreen:
            check(client == '1024x768' and rect[:2] == (0, 0), 'fullscreen client area %s at %s' % (client, rect[:2]))
            check(int(field(self.render, 'style'), 16) & 0x80000000, 'style %s is not a popup'
                  % field(self.render, 'style'))
            self.wait_screen(show, (1024, 768))
            return rect
        # Wine's virtual desktop takes back its own size a moment after the
        # program restores the display mode; a window made in that moment is
        # held to the 1024 x 768 screen it still sees (1024 wide, somewhat
        # less high). Real Windows restores the mode before
        # ChangeDisplaySettingsA returns. The program asked for 1024 x 768
        # (its report above); only then are the height and the bars let go.
        clamped = client != '1024x768' and client.startswith('1024x')
        if clamped:
            self.say(show, 'note: Wine held the new window to the desktop while it was still 1024x768: ' + client)
        else:
            check(client == '1024x768', 'windowed client area %s, not 1024x768' % client)
        self.wait_screen(show, (1280, 1024))
        return None if clamped else rect

    # -- message boxes -------------------------------------------------------

    def reported_boxes(self, show):
        """The texts of the boxes announced (None for the shipped program,
        which reports nothing)."""
        if show.shipped:
            return None
        return [unescape(re.match(r'.* "((?:[^"\\]|\\.)*)"$', box).group(1), '"\\')
                for box in self.boxes_reported(show)]

    def find_box(self, text=None):
        """A message box shown now (title "Error", Wine's caption for boxes
        with none) whose text is this one: (X window, its text as shown)."""
        listing = self.driver('wait', '#32770', 'Error', '300')
        shown = re.search(r'^control id=65535 class="Static" text="([^"]*)"', listing, re.M)
        if not shown:
            return None
        shown_text = shown.group(1).strip()
        # The box shows a line break as the driver prints it: a space.
        if text is not None and ' '.join(text.split()) != ' '.join(shown_text.split()):
            return None
        window = self.x_window('Error')
        return (window, shown_text) if window else None

    def box_text(self, box):
        return box[1]

    def press_box(self, box):
        run(['xdotool', 'windowfocus', '--sync', box[0]], self.env, 10)
        run(['xdotool', 'key', 'Return'], self.env)

    # -- pictures and sound --------------------------------------------------

    def frozen_shot(self, show, name, now=False):
        """A screenshot between two frames, the program running (stopping it
        would break its sound): the frame shown lies between the newest frame
        before the shot and the first one after."""
        count = len(show.frames())
        if not now:
            count = show.wait_frames(count, 60, 'no frame to shoot')
        shot = self.screenshot(show, name)
        show.wait_frames(count, 60, 'no frame after the shot')
        frames = show.frames()
        return shot, frames[count - 1], frames[count]

    def heard_arguments(self, show):
        reports = os.path.join(show.case_dir, 'reports.txt')
        with open(reports, 'w') as saved:
            saved.write('\n'.join(show.reports()) + '\n')
        return ['--reports', reports, '--lead'] + list(self.LEAD)

    def expect_multisample(self, show):
        """The multisample probe found a format, the window uses it, and it
        has 4 samples (Mesa offers 4)."""
        fields = show.lines('window')[-1].split()
        check(fields[4] == '1' and fields[5] == '4' and fields[6] == fields[7],
              'multisample: found %s, %s samples, pixel format %s (the probe\'s: %s)' % tuple(fields[4:8]))

    def say_phases(self, show):
        """The start-up phases of each render window (a figure for people)."""
        line = ''
        for report in show.reports() + ['halvane-teardown']:
            parts = report.split()
            if parts[0] == 'halvane-teardown' and line:
                self.say(show, 'phases:' + line)
                line = ''
            elif parts[0] == 'halvane-phase' and parts[1] != 'dialog':
                line += ' %s %s ms (+%s)' % tuple(parts[1:4])

    # -- the host's own checks in the shared scenarios -----------------------

    def check_no_sound_run(self, show):
        """Enter at once: 16:9 fullscreen, a popup on top with a 4-sample
        format; the desktop takes 1280 x 720; the first caption is drawn
        over the white. The toggle makes the window again (windowed) with
        everything in it, the music too: the two boxes come again."""
        self.expect_boxes(show, MUSIC_BOX + ' "Bass init error"', MUSIC_BOX + ' "Music play error"')
        check(show.setup_line() == 'halvane-setup 1280 720 720 1', 'setup: ' + show.setup_line())
        check(show.lines('window')[0].startswith('halvane-window 1280 720 1 '), 'window: %s' % show.lines('window'))
        self.expect_multisample(show)
        self.say_phases(show)
        rect = self.show_rect(show)
        check(rect == (0, 0, 1280, 720), 'render window not 1280x720 at 0,0: ' + self.render)
        check(int(field(self.render, 'style'), 16) & 0x80000000, 'not a popup: ' + self.render)
        check(int(field(self.render, 'exstyle'), 16) & 0x8, 'not topmost: ' + self.render)
        self.wait_screen(show, (1280, 720))
        show.wait_time(8.0, 30)
        wait_until(lambda: not self.screenshot(show, 'caption').is_white(0, 0, 1280, 720), 20,
                   lambda: 'no caption by demo time %.2f' % show.last_time(), 1.0)
        self.toggle_fullscreen(show)
        self.dismiss_boxes(show, lambda: show.frames(2), 60)
        self.expect_boxes(show, *[MUSIC_BOX + ' "%s"' % text for text in self.NO_SOUND_BOXES * 2])
        check(show.lines('window')[-1].startswith('halvane-window 1280 720 0 '),
              'after the toggle the window is ' + show.lines('window')[-1])
        self.expect_multisample(show)

    def check_windowed_4_3(self, show):
        self.expect_multisample(show)
        self.show_rect(show)
        check(int(field(self.render, 'style'), 16) & 0x00CF0000 == 0x00CF0000,
              'style %s is not an overlapped window' % field(self.render, 'style'))

    def after_toggle(self, show, fullscreen):
        if fullscreen:
            self.narrow_and_widen(show)

    def narrow_and_widen(self, show):
        """The fullscreen window (a popup, which the system lets take any
        size) narrowed to a client area of zero width goes on drawing; at
        1024 x 768 again the picture and its bars are as before."""
        self.driver('resize', 'OpenGL', 'Halvane', '0', '768')
        self.show_rect(show, (0, 768))
        show.wait_frames(len(show.frames()) + 5, 20, 'no frames with a zero-width client area')
        self.screenshot(show, 'narrowed')
        self.driver('resize', 'OpenGL', 'Halvane', '1024', '768')
        self.show_rect(show, (1024, 768))
        shot, earliest, latest = self.frozen_shot(show, 'widened')
        check(shot.is_black(0, 0, 1024, 96) and shot.is_black(0, 672, 1024, 96), 'after widening the bars are not black')
        check(not shot.is_black(0, 96, 1024, 1), 'after widening row 96 is black')
        self.say(show, 'narrowed to a zero-width client area and back: still drawing (demo time %.3f)' % latest)

    def after_toggles(self, show):
        """Two teardowns, no box; the music started again from its beginning
        with each new window: its position in a window's first frames counts
        from that window's start, not the show's. A third play long enough
        for the sound check to place it."""
        check(len(show.lines('teardown')) == 2, 'teardowns: %d' % len(show.lines('teardown')))
        self.expect_boxes(show)
        third_start = show.frames(3)[0]
        show.wait_time(third_start + 8, 60)
        self.expect_music_restarts(show)

    def expect_music_restarts(self, show):
        window, start, first = 0, 0.3, {}
        for line in show.reports():
            parts = line.split()
            if parts[0] == 'halvane-window':
                window += 1
                start = show.frames(window - 1)[-1] if window > 1 else 0.3
            elif parts[0] == 'halvane-frame' and int(parts[2]) > 0 and window not in first:
                first[window] = (float(parts[1]) - start, int(parts[2]) / (4.0 * 44100), start)
        for number in range(1, window + 1):
            check(number in first, 'window %d: the music never played' % number)
            since_start, position, start = first[number]
            self.say(show, 'window %d (from demo time %.3f): music at %.3f s when %.3f s into the window'
                     % (number, start, position, since_start))
            check(position <= since_start + 1.0, 'window %d: the music was at %.3f s %.3f s after the window '
                  'started at demo time %.3f: it did not start again from its beginning'
                  % (number, position, since_start, start))

    def check_natural_end(self, show):
        self.expect_boxes(show)
        self.say_phases(show)
