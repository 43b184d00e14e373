"""The end-to-end driver's framework: waiting for conditions, screenshots read
in-process, the virtual displays and sound servers, and the Host base that
every way of running the show (the Windows program under Wine, the native
Linux player, the browser player) fills in.

A host runs the real program the way a user does and watches it from
outside. The scenarios (test_shared.py) speak only to the Host and Show
methods below; a host-only case (test_<host>.py) may use more of its host.

What a host must provide (a subclass of Host):
  NAME                      its pytest id ("wine", "linux", "browser")
  SCREEN, LONG_SCREEN       the main display's size and the long case's (w, h)
  NO_SOUND_BOXES            the message texts of a machine without sound, in order
  start()/stop()            its display(s), window manager, sound sink and
                            whatever else lives across cases (a Wine prefix,
                            a web server, a browser); stop() ends all of it
  start_show(case, sound=, how=)  the program started from a fresh state for a
                            case: how="dialog" waits in its setup dialog,
                            "fullscreen"/"windowed"/"4:3-windowed" go straight
                            into the show (command line, or the dialog driven
                            by keys when the host has no options); returns
                            a Show whose report_lines() it fills in
  dialog(show)              the setup dialog's rectangle on screen, waiting
                            for it; press_in_dialog(show, key) with key
                            "Escape"/"Return"; click_dialog_exit(show);
                            close_dialog(show) (its close box); choose(show,
                            aspect, windowed) picks in the dialog by keyboard
  windows_left(show)        any window of the program still shown (a string
                            describing it, or "")
  show_rect(show)           the show window's client area (x, y, w, h) on the
                            screen, waiting until the window manager placed it
  press(show, key)          a key into the show window ("Escape", "F11", ...)
  close_box(show)           clicks the show window's close box
  minimise(show), restore(show)
  toggle_fullscreen(show)   the host's fullscreen toggle
  find_box(text)/press_box(box)  a message box shown now (a handle, or
                            None), with this text when the host can read it
                            from the box, and Enter in it; reported_boxes(show) the texts of
                            the boxes the program announced, in order (None
                            when the program announces none; the box's own
                            text is then read from the box: box_text(box))
  frozen_shot(show, name)   a screenshot whose frame's demo time is known:
                            returns (Shot, earliest, latest) demo times the
                            frame on screen lies between
  screenshot(name)          the whole display now, as a Shot
  recording()/heard(show, plays)  what the sink played, checked against the
                            track (hosts without a recordable sink say so
                            with HEARD = False)
A Show provides running(), wait_exit(seconds) -> exit code, kill() and the
report parsing below (frames, windows, setup line).
"""
import os
import re
import shutil
import signal
import subprocess
import time

import numpy as np
from PIL import Image, ImageGrab


MUSIC_FILE = 'vx - orrin lumo.ogg'


class CaseFailure(AssertionError):
    """A check of a case that did not hold; its message says what was seen."""


def wait_until(predicate, seconds, message, interval=0.1):
    """Calls predicate until it returns a true value, and returns that value.
    Fails the case after `seconds` with `message` (a string, or a callable
    giving one, so that it can describe what was seen at the deadline). The
    predicate may itself raise CaseFailure (e.g. the program ended)."""
    deadline = time.monotonic() + seconds
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() >= deadline:
            raise CaseFailure(message() if callable(message) else message)
        time.sleep(interval)


def hold(seconds):
    """Lets time pass on purpose: the stimulus of a case (a window minimised
    for a while, no input for the screen saver's timeout), never a wait for
    something to happen."""
    time.sleep(seconds)


def check(condition, message):
    """Fails the case with message when the condition does not hold."""
    if not condition:
        raise CaseFailure(message() if callable(message) else message)


# ---------------------------------------------------------------------------
# Screenshots

class Shot:
    """A screenshot as an array of rows of RGB pixels, kept as a PNG for a
    person to look at. Regions are (x, y, w, h) in screen pixels."""

    def __init__(self, pixels, path):
        self.pixels = pixels
        self.path = path

    def region(self, x, y, w, h):
        return self.pixels[y:y + h, x:x + w].reshape(-1, 3).astype(np.int16)

    def is_black(self, x, y, w, h):
        area = self.region(x, y, w, h)
        return area.size > 0 and int(area.max()) == 0

    def is_white(self, x, y, w, h):
        area = self.region(x, y, w, h)
        return area.size > 0 and int(area.min()) == 255

    def has_detail(self, x, y, w, h):
        """More than one colour: a picture, not a fill."""
        area = self.region(x, y, w, h)
        return area.size > 0 and bool((area != area[0]).any())

    def count_colour(self, rgb, x, y, w, h, fuzz=0.06):
        """The pixels within fuzz (a share of full scale, per channel
        distance) of the colour."""
        distance = np.sqrt(((self.region(x, y, w, h) - np.array(rgb)) ** 2).sum(axis=1) / 3.0)
        return int((distance <= fuzz * 255).sum())

    def describe(self, x, y, w, h):
        area = self.region(x, y, w, h)
        return 'min %d max %d' % (area.min(), area.max()) if area.size else 'empty'


def grab_display(display, path):
    """The whole X display (":N") as a Shot, saved to path."""
    image = ImageGrab.grab(xdisplay=display).convert('RGB')
    image.save(path)
    return Shot(np.asarray(image), path)


def read_shot(path):
    return Shot(np.asarray(Image.open(path).convert('RGB')), path)


# ---------------------------------------------------------------------------
# Processes the suite starts; each in a session of its own, ended by its id.

def spawn(args, log_path, env=None, cwd=None, stdout_path=None):
    """Starts a process in a new session, its output into files."""
    out = open(stdout_path or log_path, 'wb')
    err = out if stdout_path is None else open(log_path, 'wb')
    return subprocess.Popen(args, stdout=out, stderr=err, stdin=subprocess.DEVNULL,
                            env=env, cwd=cwd, start_new_session=True)


def end_process(process, seconds=10):
    """Ends a process the suite started (SIGTERM, then SIGKILL), and its
    session's other processes."""
    if process is None or process.poll() is not None:
        return
    for sig in (signal.SIGCONT, signal.SIGTERM):
        try:
            os.killpg(process.pid, sig)
        except ProcessLookupError:
            return
    try:
        process.wait(seconds)
    except subprocess.TimeoutExpired:
        try:
            os.killpg(process.pid, signal.SIGKILL)
        except ProcessLookupError:
            pass
        process.wait()


def run(args, env=None, seconds=60, cwd=None):
    """Runs a short command; returns (exit code, stdout text)."""
    try:
        done = subprocess.run(args, env=env, cwd=cwd, capture_output=True, timeout=seconds)
    except subprocess.TimeoutExpired:
        return 124, ''
    return done.returncode, done.stdout.decode('utf-8', 'replace').replace('\r', '')


def require_tools(*tools):
    missing = [t for t in tools if shutil.which(t) is None]
    check(not missing, 'needed (scripts/install-deps): %s' % ' '.join(missing))


class Display:
    """An Xvfb of a given size on a free display number, with a window
    manager (openbox) when asked."""

    def __init__(self, folder, name, size, window_manager):
        self.folder = folder
        self.processes = []
        read_end, write_end = os.pipe()
        self.processes.append(subprocess.Popen(
            ['Xvfb', '-displayfd', str(write_end), '-screen', '0', '%dx%dx24' % size, '-nolisten', 'tcp'],
            pass_fds=[write_end], stdout=open(os.path.join(folder, 'xvfb-%s.log' % name), 'wb'),
            stderr=subprocess.STDOUT, start_new_session=True))
        os.close(write_end)
        with os.fdopen(read_end) as numbers:
            number = numbers.readline().strip()
        check(number, 'Xvfb did not start (%s)' % name)
        self.name = ':' + number
        if window_manager:
            env = dict(os.environ, DISPLAY=self.name)
            self.processes.append(spawn(['openbox', '--sm-disable'],
                                        os.path.join(folder, 'openbox-%s.log' % name), env=env))
            # openbox is up when it has set its supporting window on the root.
            wait_until(lambda: 'window id' in run(['xprop', '-root', '_NET_SUPPORTING_WM_CHECK'], env)[1],
                       30, 'openbox did not start on %s' % self.name, 0.2)

    def stop(self):
        for process in reversed(self.processes):
            end_process(process)


class NullSink:
    """A PulseAudio server of its own whose only sink is a null sink: a sound
    card that consumes sound in real time and whose monitor can be recorded.
    Its runtime, state and home folders are its own, so it meets no other
    server of the machine; PULSE_SERVER=self.server reaches it."""

    def __init__(self, folder):
        for sub in ('runtime', 'state', 'home'):
            os.makedirs(os.path.join(folder, sub), exist_ok=True)
        self.folder = folder
        self.server = 'unix:%s/native' % folder
        env = dict(os.environ, PULSE_RUNTIME_PATH=folder + '/runtime', PULSE_STATE_PATH=folder + '/state',
                   XDG_RUNTIME_DIR=folder + '/runtime', HOME=folder + '/home',
                   DBUS_SESSION_BUS_ADDRESS='disabled:')
        self.process = spawn(['pulseaudio', '-n', '--daemonize=no', '--exit-idle-time=-1', '--use-pid-file=no',
                              '--load=module-null-sink sink_name=nullsink rate=44100',
                              '--load=module-native-protocol-unix auth-anonymous=1 socket=%s/native' % folder,
                              '--log-target=file:%s/pulse.log' % folder],
                             os.path.join(folder, 'pulse.out'), env=env)
        wait_until(lambda: run(['pactl', 'info'], dict(os.environ, PULSE_SERVER=self.server), 5)[0] == 0,
                   30, 'PulseAudio did not start in ' + folder, 0.2)
        self.recorder = None

    def record(self, path):
        """Records the sink (16-bit mono at 44.1 kHz) into path until
        stop_recording. 10 ms fragments: with the default (seconds) the null
        sink consumes in long blocks, and Wine's stream into it lost its
        first half second and fell further behind."""
        self.recorder = spawn(['parecord', '--raw', '-d', 'nullsink.monitor', '--format=s16le', '--rate=44100',
                               '--channels=1', '--latency-msec=10'], path + '.log',
                              env=dict(os.environ, PULSE_SERVER=self.server), stdout_path=path)

    def stop_recording(self):
        end_process(self.recorder)
        self.recorder = None

    def stop(self):
        self.stop_recording()
        end_process(self.process)


# ---------------------------------------------------------------------------
# The program

class Show:
    """One run of the program: its process and its report lines (the host
    reads them; see Host.report_lines)."""

    def __init__(self, host, case_dir, process):
        self.host = host
        self.case_dir = case_dir
        self.process = process
        self.exit_code = None
        self.boxes_open_seconds = 0.0
        self.boxes = []     # the message boxes dismissed, as the host found them

    def running(self):
        return self.process.poll() is None

    def alive(self):
        """True while running; fails the case when the program ended."""
        check(self.running(), lambda: 'the program ended (exit code %s)' % self.process.poll())
        return True

    def wait_exit(self, seconds, message):
        """The exit code once the program ended; fails after seconds."""
        wait_until(lambda: not self.running(), seconds, message, 0.1)
        self.exit_code = self.process.returncode
        return self.exit_code

    def kill(self):
        end_process(self.process)

    # The report lines, as parsed lists of fields.
    def reports(self):
        return self.host.report_lines(self)

    def lines(self, kind):
        return [line for line in self.reports() if line.split(' ', 1)[0] == 'halvane-' + kind]

    def frames(self, window=None):
        """Demo times of the frames drawn (in the Nth render window, from 1)."""
        times, number = [], 0
        for line in self.reports():
            if line.startswith('halvane-window'):
                number += 1
            elif line.startswith('halvane-frame ') and window in (None, number):
                times.append(float(line.split()[1]))
        return times

    def last_time(self):
        frames = self.frames()
        return frames[-1] if frames else 0.0

    def wait_frames(self, count, seconds, message='no new frame'):
        """Waits until more than count frames were drawn; returns the count."""
        return wait_until(lambda: self.alive() and len(self.frames()) > count and len(self.frames()),
                          seconds, message)

    def wait_time(self, demo_time, seconds):
        """Waits until a frame at or past this demo time was drawn."""
        wait_until(lambda: self.alive() and self.last_time() >= demo_time, seconds,
                   lambda: 'the demo time stopped at %.2f before %.1f' % (self.last_time(), demo_time), 0.1)

    def wait_report(self, prefix, seconds, message):
        return wait_until(lambda: self.alive() and [l for l in self.reports() if l.startswith(prefix)],
                          seconds, message)

    def setup_line(self):
        lines = self.lines('setup')
        return lines[-1] if lines else ''


class Host:
    """The base of every host; see the module's docstring for what a host
    must provide. Common here: folders, the case log, message boxes."""

    NAME = ''
    HEARD = True

    def __init__(self, build_dir, out_dir, role):
        self.build_dir = build_dir
        self.role = role            # "main", or "long" for the long case's own instance
        self.out = out_dir
        os.makedirs(out_dir, exist_ok=True)
        self.data_dir = os.path.join(build_dir, 'data')
        self.shows = []
        self.sink = None
        self.wake_probe = None

    def end_case(self):
        """Ends what a case left running: its programs, the recording."""
        for show in self.shows:
            show.kill()
        self.shows = []
        if self.sink:
            self.sink.stop_recording()
        end_process(self.wake_probe)
        self.wake_probe = None

    def case_dir(self, case):
        folder = os.path.join(self.out, case)
        shutil.rmtree(folder, ignore_errors=True)
        os.makedirs(folder)
        return folder

    def say(self, show, text):
        """A line for people (figures, notes) into the case's log."""
        with open(os.path.join(show.case_dir, 'notes.txt'), 'a') as notes:
            notes.write(text + '\n')
        print('    ' + text)

    def dismiss_boxes(self, show, until, seconds=60):
        """Dismisses each message box with Enter until until() is true (e.g.
        the Nth render window drew a frame); returns their texts in order.
        A box is known by its place in the program's announcements and its
        text, so that the next box of the same title, even in a reused
        window, cannot pass for one already dismissed; Enter is pressed
        again when a box is still there after a short wait.
        show.boxes_open_seconds is how long the last box was open at least
        (from when it was seen to the last Enter)."""
        texts = []
        deadline = time.monotonic() + seconds
        while not until():
            check(time.monotonic() < deadline, 'no frame within %d s; boxes were %s' % (seconds, texts))
            show.alive()
            announced = self.reported_boxes(show)
            if announced is not None and len(announced) <= len(texts):
                time.sleep(0.05)
                continue
            box = self.find_box(announced[len(texts)] if announced is not None else None)
            if box is None:
                time.sleep(0.05)
                continue
            text = announced[len(texts)] if announced is not None else self.box_text(box)
            seen = time.monotonic()
            number = len(texts)
            texts.append(text)
            show.boxes.append(box)
            self.screenshot(show, 'box-%d' % len(texts))

            def box_gone():
                if announced is not None and len(self.reported_boxes(show)) > number + 1:
                    return True
                now = self.find_box(text if announced is not None else None)
                return now is None or now != box or (announced is None and self.box_text(now) != text)

            for attempt in range(5):
                self.press_box(box)
                # At least this long open: from when it was seen to the key.
                show.boxes_open_seconds = time.monotonic() - seen
                try:
                    wait_until(box_gone, 2 + 2 * attempt, '', 0.05)
                    break
                except CaseFailure:
                    show.alive()
            else:
                raise CaseFailure('the message box "%s" did not close on Enter' % text)
        return texts

    def start_recording(self, case):
        """Records what the sink plays into heard.raw in the case folder;
        meanwhile wake_probe measures how late the machine wakes a sleeping
        thread (heard_check judges gaps only when that stays small)."""
        self.sink.record(os.path.join(case, 'heard.raw'))
        self.wake_probe = spawn([os.path.join(self.build_dir, 'wake_probe')], os.path.join(case, 'wake.log'),
                                stdout_path=os.path.join(case, 'wake.txt'))

    def heard_arguments(self, show):
        """More arguments for heard_check (e.g. the reports to check the
        demo time's lead over the music position)."""
        return []

    def check_heard(self, show, plays):
        """Checks the recording against the track (tools/heard): the number
        of plays, each from the beginning at real-time rate with no gap.
        Only silence where the track should sound (or sound where none
        should) fails, unless HALVANE_JUDGE_TIMING=1 (a quiet machine)."""
        if plays is None:
            return
        self.sink.stop_recording()
        end_process(self.wake_probe)
        self.wake_probe = None
        with open(os.path.join(show.case_dir, 'wake.txt')) as wake:
            wake_line = wake.read().strip()
        lateness = re.search(r'most ([0-9.]+) ms', wake_line)
        self.say(show, wake_line)
        args = [os.path.join(self.build_dir, 'heard_check'), os.path.join(self.data_dir, MUSIC_FILE),
                os.path.join(show.case_dir, 'heard.raw'), '--plays', str(plays),
                '--lateness', lateness.group(1) if lateness else '1000'] + self.heard_arguments(show)
        if os.environ.get('HALVANE_JUDGE_TIMING') == '1':
            args.append('--judge-timing')
        code, output = run(args, seconds=300)
        with open(os.path.join(show.case_dir, 'heard.txt'), 'w') as heard:
            heard.write(output)
        for line in output.splitlines():
            self.say(show, 'heard: ' + line)
        check(code == 0, 'the music was not heard as it should be: %s' % '; '.join(
            line for line in output.splitlines() if line.startswith('FAIL')))

    def frozen_shot(self, show, name, now=False):
        """Stops the program right after the next frame is reported (or at
        once), shoots the display once it no longer changes and lets the
        program go on. The frame on screen is the last one reported before
        the stop or the first one after it: returns the shot and their demo
        times, however slow the machine is."""
        if not now:
            show.wait_frames(len(show.frames()), 60, 'no frame to shoot')
        os.killpg(show.process.pid, signal.SIGSTOP)
        try:
            shots = [self.screenshot(show, name)]

            def settled():
                shots.append(self.screenshot(show, name))
                return np.array_equal(shots[-1].pixels, shots[-2].pixels)
            wait_until(settled, 10, 'the screen did not settle with the program stopped', 0.1)
            count = len(show.frames())
        finally:
            os.killpg(show.process.pid, signal.SIGCONT)
        show.wait_frames(count, 60, 'no frame after the shot')
        frames = show.frames()
        return shots[-1], frames[count - 1], frames[count]

    def screenshot(self, show, name):
        return grab_display(self.display.name, os.path.join(show.case_dir, name + '.png'))
