"""The end-to-end driver's framework: wait_until, screenshots read in-process,
displays, sound sinks, one run of the program (Show) and the Host base that
each way of running the show fills in (docs/testing.md: what a host provides).
The scenarios (test_shared.py) speak only to Host and Show."""
import os
import re
import shutil
import signal
import subprocess
import time

import numpy as np
from PIL import ImageGrab

MUSIC_FILE = 'vx - orrin lumo.ogg'


class CaseFailure(AssertionError):
    """A check of a case that did not hold; its message says what was seen."""


def check(condition, message):
    """Fails the case unless condition holds; message may be a callable, to
    describe what was seen only then."""
    if not condition:
        raise CaseFailure(message() if callable(message) else message)


def wait_until(predicate, seconds, message, interval=0.1):
    """The first true value of predicate() within `seconds`, else the case
    fails with message. The predicate may fail the case itself."""
    deadline = time.monotonic() + seconds
    while True:
        value = predicate()
        if value or time.monotonic() >= deadline:
            check(value, message)
            return value
        time.sleep(interval)


def comes_within(predicate, seconds, interval=0.05):
    """Whether predicate() holds within `seconds` (for a retry, not a check)."""
    try:
        return bool(wait_until(predicate, seconds, '', interval))
    except CaseFailure:
        return False


def hold(seconds):
    """Lets time pass as a case's stimulus (a window left minimised), never
    to wait for an event."""
    time.sleep(seconds)


class Shot:
    """A screenshot: rows of RGB pixels, kept as a PNG for people. Regions are
    (x, y, w, h) in screen pixels."""

    def __init__(self, pixels, path):
        self.pixels, self.path = pixels, path

    def region(self, x, y, w, h):
        return self.pixels[y:y + h, x:x + w].reshape(-1, 3).astype(np.int16)

    def is_black(self, *rect):
        area = self.region(*rect)
        return area.size > 0 and area.max() == 0

    def is_white(self, *rect):
        area = self.region(*rect)
        return area.size > 0 and area.min() == 255

    def has_detail(self, *rect):
        """More than one colour: a picture, not a fill."""
        area = self.region(*rect)
        return area.size > 0 and bool((area != area[0]).any())

    def count_colour(self, rgb, *rect, fuzz=0.06):
        """The pixels within fuzz (a share of full scale) of the colour."""
        return int((np.sqrt(((self.region(*rect) - rgb) ** 2).mean(axis=1)) <= fuzz * 255).sum())

    def describe(self, *rect):
        area = self.region(*rect)
        return 'min %d max %d' % (area.min(), area.max()) if area.size else 'empty'


def spawn(args, log_path, env=None, cwd=None, stdout_path=None):
    """Starts a process in a session of its own, its output into files."""
    err = open(log_path, 'wb')
    return subprocess.Popen(args, stdout=open(stdout_path, 'wb') if stdout_path else err, stderr=err,
                            stdin=subprocess.DEVNULL, env=env, cwd=cwd, start_new_session=True)


def end_process(process, seconds=10):
    """Ends a process the suite started, with its session."""
    for sig in (signal.SIGCONT, signal.SIGTERM, signal.SIGKILL):
        if process is None or process.poll() is not None:
            return
        try:
            os.killpg(process.pid, sig)
            if sig != signal.SIGCONT:
                process.wait(seconds)
        except (ProcessLookupError, subprocess.TimeoutExpired):
            pass


def run(args, env=None, seconds=60, cwd=None):
    """Runs a short command: (exit code, its stdout)."""
    try:
        done = subprocess.run(args, env=env, cwd=cwd, capture_output=True, timeout=seconds)
    except subprocess.TimeoutExpired:
        return 124, ''
    return done.returncode, done.stdout.decode('utf-8', 'replace').replace('\r', '')


def require_tools(*tools):
    missing = [t for t in tools if shutil.which(t) is None]
    check(not missing, 'needed (scripts/install-deps): %s' % ' '.join(missing))


class Display:
    """An Xvfb of a given size on a free display number, with openbox when a
    window manager is wanted. Seen on a busy machine: openbox could not open
    a display that had just answered, so a display gets three tries."""

    def __init__(self, folder, name, size, window_manager, tries=3):
        for attempt in range(tries):
            read_end, write_end = os.pipe()
            self.processes = [subprocess.Popen(
                ['Xvfb', '-displayfd', str(write_end), '-screen', '0', '%dx%dx24' % size, '-nolisten', 'tcp'],
                pass_fds=[write_end], stdout=open('%s/xvfb-%s.log' % (folder, name), 'wb'),
                stderr=subprocess.STDOUT, start_new_session=True)]
            os.close(write_end)
            with os.fdopen(read_end) as numbers:
                self.name = ':' + numbers.readline().strip()
            env = dict(os.environ, DISPLAY=self.name)
            if window_manager and self.name != ':':
                self.processes.append(spawn(['openbox', '--sm-disable'], '%s/openbox-%s.log' % (folder, name), env))
            # openbox is up when it has set its supporting window on the root.
            if self.name != ':' and (not window_manager or comes_within(
                    lambda: 'window id' in run(['xprop', '-root', '_NET_SUPPORTING_WM_CHECK'], env)[1], 30, 0.2)):
                return
            self.stop()
        raise CaseFailure('no display with%s a window manager (%s)' % ('' if window_manager else 'out', name))

    def stop(self):
        for process in reversed(self.processes):
            end_process(process)


class NullSink:
    """A PulseAudio server of its own (its folders in `folder`, so it meets no
    other server) whose only sink is a null sink: a sound card that consumes
    in real time and can be recorded. PULSE_SERVER=self.server reaches it."""

    def __init__(self, folder):
        for sub in ('runtime', 'state', 'home'):
            os.makedirs(os.path.join(folder, sub), exist_ok=True)
        self.server, self.recorders = 'unix:%s/native' % folder, []
        env = dict(os.environ, PULSE_RUNTIME_PATH=folder + '/runtime', PULSE_STATE_PATH=folder + '/state',
                   XDG_RUNTIME_DIR=folder + '/runtime', HOME=folder + '/home', DBUS_SESSION_BUS_ADDRESS='disabled:')
        self.process = spawn(['pulseaudio', '-n', '--daemonize=no', '--exit-idle-time=-1', '--use-pid-file=no',
                              '--load=module-null-sink sink_name=nullsink rate=44100',
                              '--load=module-native-protocol-unix auth-anonymous=1 socket=%s/native' % folder,
                              '--log-target=file:%s/pulse.log' % folder], folder + '/pulse.out', env)
        if not comes_within(lambda: run(['pactl', 'info'], dict(os.environ, PULSE_SERVER=self.server), 5)[0] == 0,
                            30, 0.2):
            self.stop()
            raise CaseFailure('PulseAudio did not start in ' + folder)

    def record(self, case, wake_probe):
        """Records the sink (16-bit mono, 44.1 kHz) into case/heard.raw in 10
        ms fragments: with parecord's default the sink consumes in long
        blocks, and Wine's stream lost its first half second. wake_probe
        measures meanwhile how late the machine wakes a sleeping thread."""
        env = dict(os.environ, PULSE_SERVER=self.server)
        self.recorders = [spawn(['parecord', '--raw', '-d', 'nullsink.monitor', '--format=s16le', '--rate=44100',
                                 '--channels=1', '--latency-msec=10'], case + '/parecord.log', env,
                                stdout_path=case + '/heard.raw'),
                          spawn([wake_probe], case + '/wake.log', stdout_path=case + '/wake.txt')]

    def stop_recording(self):
        for process in self.recorders:
            end_process(process)
        self.recorders = []

    def stop(self):
        self.stop_recording()
        end_process(self.process)


class Show:
    """One run of the program: its process, its report lines (as the host
    reads them) and the boxes dismissed in it."""

    def __init__(self, host, case_dir, process):
        self.host, self.case_dir, self.process = host, case_dir, process
        self.exit_code, self.boxes, self.boxes_open_seconds = None, [], 0.0

    def running(self):
        return self.process.poll() is None

    def alive(self):
        """True while running; the case fails when the program ended."""
        check(self.running(), lambda: 'the program ended (exit code %s)' % self.process.poll())
        return True

    def wait_exit(self, seconds, message):
        wait_until(lambda: not self.running(), seconds, message)
        self.exit_code = self.process.returncode
        return self.exit_code

    def kill(self):
        end_process(self.process)

    def reports(self):
        return self.host.report_lines(self)

    def lines(self, kind):
        return [line for line in self.reports() if line.split(' ', 1)[0] == 'halvane-' + kind]

    def setup_line(self):
        return (self.lines('setup') or [''])[-1]

    def frames(self, window=None):
        """Demo times of the frames drawn (in the Nth render window, from 1)."""
        times, number = [], 0
        for line in self.reports():
            number += line.startswith('halvane-window')
            if line.startswith('halvane-frame ') and window in (None, number):
                times.append(float(line.split()[1]))
        return times

    def last_time(self):
        return (self.frames() or [0.0])[-1]

    def wait_frames(self, count, seconds, message='no new frame'):
        """Waits until more than count frames were drawn; the number drawn."""
        drawn = lambda: len(self.frames())      # the reports read once per look
        return wait_until(lambda: (lambda n: n > count and n)(drawn()) or not self.alive(), seconds, message)

    def wait_time(self, demo_time, seconds):
        # The frames before the end: the last one may be the program's last.
        wait_until(lambda: self.last_time() >= demo_time or not self.alive(), seconds,
                   lambda: 'the demo time stopped at %.2f before %.1f' % (self.last_time(), demo_time))

    def wait_report(self, prefix, seconds, message):
        wait_until(lambda: any(l.startswith(prefix) for l in self.reports()) or not self.alive(), seconds, message)


class Host:
    """The base of every host: folders, notes, X input, message boxes, the
    sound check and frozen screenshots."""
    NAME, LEAD, STOP_TO_SHOOT = '', None, False

    def __init__(self, build_dir, out_dir, role):
        self.build_dir, self.out, self.role = build_dir, out_dir, role   # role: "main", or "long"
        self.data_dir = os.path.join(build_dir, 'data')
        self.shows, self.sink, self.display = [], None, None
        os.makedirs(out_dir, exist_ok=True)

    def stop(self):
        for part in (self.sink, self.display):
            if part:
                part.stop()

    def end_case(self):
        for show in self.shows:
            show.kill()
        self.shows = []
        if self.sink:
            self.sink.stop_recording()

    def case_dir(self, case):
        folder = os.path.join(self.out, case)
        shutil.rmtree(folder, ignore_errors=True)
        os.makedirs(folder)
        return folder

    def say(self, show, text):
        """A line for people (figures, notes) into the case's notes.txt."""
        with open(os.path.join(show.case_dir, 'notes.txt'), 'a') as notes:
            notes.write(text + '\n')

    def xdo(self, *args):
        """xdotool on the host's display: its output."""
        return run(['xdotool'] + [str(a) for a in args], self.env, 30)[1]

    def screenshot(self, show, name):
        image = ImageGrab.grab(xdisplay=self.display.name).convert('RGB')
        image.save(os.path.join(show.case_dir, name + '.png'))
        return Shot(np.asarray(image), os.path.join(show.case_dir, name + '.png'))

    def dismiss_boxes(self, show, until, seconds=60):
        """Dismisses each message box with Enter until until() holds; their
        texts in order. A box is known by its place among the boxes the
        program announced and by its text, so that the next box of the same
        title, in a reused window too, cannot pass for one dismissed; Enter
        is pressed again when a box is still there after a short wait."""
        texts, deadline = [], time.monotonic() + seconds
        while not until():
            check(time.monotonic() < deadline, 'not through the boxes within %d s; boxes were %s' % (seconds, texts))
            show.alive()
            announced = self.reported_boxes(show)     # None: the program announces none
            if announced is not None and len(announced) <= len(texts):
                time.sleep(0.05)
                continue
            expected = announced and announced[len(texts)]
            box, seen, number = self.find_box(expected), time.monotonic(), len(announced or ())
            if box is None:
                time.sleep(0.05)
                continue
            texts.append(expected or self.box_text(box))
            show.boxes.append(box)
            self.screenshot(show, 'box-%d' % len(texts))
            gone = lambda: len(self.reported_boxes(show) or ()) > number or self.find_box(expected) != box
            for attempt in range(5):
                self.press_box(box)
                show.boxes_open_seconds = time.monotonic() - seen   # at least: from seen to the key
                if comes_within(gone, 2 + 2 * attempt):
                    break
                show.alive()
            else:
                raise CaseFailure('the message box "%s" did not close on Enter' % texts[-1])
        return texts

    def box_text(self, box):
        """The text a found box shows (hosts find boxes as (handle, text))."""
        return box[1]

    def start_recording(self, case):
        self.sink.record(case, os.path.join(self.build_dir, 'wake_probe'))

    def check_heard(self, show, plays):
        """The recording against the track (tools/heard): the number of plays,
        each from its beginning at real-time rate without a gap, and (with
        LEAD) the demo time's lead over what was heard. Only silence where
        the track should sound, or sound where none should, fails unless
        HALVANE_JUDGE_TIMING=1 (a quiet machine)."""
        self.sink.stop_recording()
        with open(os.path.join(show.case_dir, 'wake.txt')) as wake:
            wake_line = wake.read().strip()
        lateness = re.search(r'most ([0-9.]+) ms', wake_line)
        reports = os.path.join(show.case_dir, 'reports.txt')
        with open(reports, 'w') as saved:
            saved.write('\n'.join(show.reports()) + '\n')
        code, output = run([os.path.join(self.build_dir, 'heard_check'), os.path.join(self.data_dir, MUSIC_FILE),
                            os.path.join(show.case_dir, 'heard.raw'), '--plays', str(plays), '--lateness',
                            lateness.group(1) if lateness else '1000']
                           + (['--reports', reports, '--lead'] + self.LEAD if self.LEAD else [])
                           + ['--judge-timing'] * (os.environ.get('HALVANE_JUDGE_TIMING') == '1'), seconds=300)
        self.say(show, wake_line + '\n' + output)
        check(code == 0, 'the music was not heard as it should be: %s'
              % '; '.join(line for line in output.splitlines() if line.startswith('FAIL')))

    def frozen_shot(self, show, name, now=False):
        """A shot right after the next frame is reported (or at once): the shot
        and the demo times of the last frame reported before it and the first
        after, between which the frame shown lies. With STOP_TO_SHOOT the
        program is stopped until the screen settles (elsewhere that would
        break its sound)."""
        count = len(show.frames()) if now else show.wait_frames(len(show.frames()), 60, 'no frame to shoot')
        if not self.STOP_TO_SHOOT:
            shots = [self.screenshot(show, name)]
        else:
            os.killpg(show.process.pid, signal.SIGSTOP)
            try:
                shots, count = [self.screenshot(show, name)], len(show.frames())
                wait_until(lambda: shots.append(self.screenshot(show, name)) or
                           np.array_equal(shots[-1].pixels, shots[-2].pixels), 10, 'the screen did not settle')
            finally:
                os.killpg(show.process.pid, signal.SIGCONT)
        show.wait_frames(count, 60, 'no frame after the shot')
        return shots[-1], show.frames()[count - 1], show.frames()[count]
