"""The browser host of the end-to-end tests: the show's web build (build/web)
served on localhost and played in headless Chromium (SwiftShader's WebGL 2),
driven through Selenium and chromium-driver, heard through a PulseAudio null
sink of its own.

It runs the page as a viewer does (the setup dialog, keys, message boxes)
and through the page's test mode (index.html?aspect=..&mode=..[&at=T]
[&drop=FILE,..]); it reads the canvas's pixels, the page's state, its
messages and frame records, and the browser's console.
"""
import base64
import io
import os
import shutil
import subprocess
import sys
import time

import numpy as np
from PIL import Image
from selenium import webdriver
from selenium.common.exceptions import WebDriverException
from selenium.webdriver.chrome.service import Service


class CaseFailure(AssertionError):
    """A check of a case that did not hold; its message says what was seen."""


def wait_until(predicate, seconds, message, interval=0.1):
    """Calls predicate until it gives a true value and returns it; fails
    after `seconds` with `message` (a string or a callable giving one)."""
    deadline = time.monotonic() + seconds
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() >= deadline:
            raise CaseFailure(message() if callable(message) else message)
        time.sleep(interval)


def check(condition, message):
    if not condition:
        raise CaseFailure(message() if callable(message) else message)


def end_process(process, seconds=10):
    """Ends a process this suite started, by its own id."""
    if process is None or process.poll() is not None:
        return
    process.terminate()
    try:
        process.wait(seconds)
    except subprocess.TimeoutExpired:
        process.kill()
        process.wait()


class NullSink:
    """A PulseAudio server of its own whose only sink is a null sink, so that
    what Chromium plays (PULSE_SERVER=self.server) can be recorded."""

    def __init__(self, folder):
        self.folder = folder
        for sub in ('runtime', 'state', 'home'):
            os.makedirs(os.path.join(folder, sub), exist_ok=True)
        self.server = 'unix:%s/native' % folder
        env = dict(os.environ, PULSE_RUNTIME_PATH=folder + '/runtime', PULSE_STATE_PATH=folder + '/state',
                   XDG_RUNTIME_DIR=folder + '/runtime', HOME=folder + '/home', DBUS_SESSION_BUS_ADDRESS='disabled:')
        self.process = subprocess.Popen(
            ['pulseaudio', '-n', '--daemonize=no', '--exit-idle-time=-1', '--use-pid-file=no',
             '--load=module-null-sink sink_name=nullsink rate=44100',
             '--load=module-native-protocol-unix auth-anonymous=1 socket=%s/native' % folder,
             '--log-target=file:%s/pulse.log' % folder],
            env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, start_new_session=True)
        wait_until(lambda: subprocess.run(['pactl', 'info'], env=dict(os.environ, PULSE_SERVER=self.server),
                                          capture_output=True).returncode == 0,
                   30, 'PulseAudio did not start in ' + folder, 0.2)
        self.recorder = None

    def record(self, path):
        """Records the sink as signed 16-bit mono at 44.1 kHz in 10 ms
        fragments (the default's long blocks lose the stream's start)."""
        self.recorder = subprocess.Popen(
            ['parecord', '--raw', '-d', 'nullsink.monitor', '--format=s16le', '--rate=44100', '--channels=1',
             '--latency-msec=10'], stdout=open(path, 'wb'), stderr=subprocess.DEVNULL,
            env=dict(os.environ, PULSE_SERVER=self.server), start_new_session=True)

    def stop(self):
        end_process(self.recorder)
        self.recorder = None
        end_process(self.process)


class BrowserHost:
    """The web build served on a free local port and one Chromium."""

    NAME = 'browser'

    def __init__(self, build_dir, out_dir, sound_sink=None):
        self.build_dir = build_dir
        self.web_dir = os.path.join(build_dir, 'web')
        self.out = out_dir
        self.sink = sound_sink
        self.server = None
        self.driver = None
        self.port = None
        self.folders = {}
        os.makedirs(out_dir, exist_ok=True)

    def start(self):
        check(os.path.isfile(os.path.join(self.web_dir, 'halvane.wasm')),
              'no web build in %s (make web)' % self.web_dir)
        self.serve(self.web_dir)
        self.driver = self.start_chromium()

    def serve(self, folder):
        """Serves folder (one server, any folder under its parent's parent)
        and returns the address of its index.html."""
        if self.server is None:
            self.root = os.path.dirname(os.path.dirname(os.path.abspath(folder)))
            self.server = subprocess.Popen(
                [sys.executable, '-m', 'http.server', '0', '--bind', '127.0.0.1', '--directory', self.root],
                stdout=subprocess.PIPE, stderr=subprocess.STDOUT, start_new_session=True, text=True)
            line = self.server.stdout.readline()
            check('port' in line, 'the web server did not start: ' + line)
            self.port = int(line.split('port ')[1].split()[0])
        relative = os.path.relpath(os.path.abspath(folder), self.root)
        return 'http://127.0.0.1:%d/%s/index.html' % (self.port, relative)

    def start_chromium(self):
        options = webdriver.ChromeOptions()
        options.binary_location = '/usr/bin/chromium'
        self.profile = os.path.join(self.out, 'chromium-profile')
        shutil.rmtree(self.profile, ignore_errors=True)
        for flag in ('--headless=new', '--no-sandbox', '--use-angle=swiftshader', '--enable-unsafe-swiftshader',
                     '--disable-quic', '--no-first-run', '--disable-background-networking',
                     '--disable-component-update', '--disable-sync', '--user-data-dir=' + self.profile,
                     '--window-size=1600,1000', '--autoplay-policy=no-user-gesture-required'):
            options.add_argument(flag)
        options.set_capability('goog:loggingPrefs', {'browser': 'ALL'})
        env = dict(os.environ)
        if self.sink:
            env['PULSE_SERVER'] = self.sink.server
        service = Service('/usr/bin/chromedriver', env=env, log_output=os.path.join(self.out, 'chromedriver.log'))
        return webdriver.Chrome(service=service, options=options)

    def stop(self):
        if self.driver is not None:
            try:
                self.driver.quit()
            except WebDriverException:
                pass
            self.driver = None
        end_process(self.server)
        self.server = None

    # --- the page ---------------------------------------------------------

    def open(self, query='', folder=None):
        """Loads the page (with a test-mode query) and forgets the console."""
        self.console_errors()
        self.driver.get(self.serve(folder or self.web_dir) + query)

    def js(self, script, *args):
        return self.driver.execute_script(script, *args)

    def state(self):
        return self.js('return document.body.dataset.state')

    def wait_state(self, state, seconds=60):
        wait_until(lambda: self.state() == state, seconds,
                   lambda: 'the page stayed "%s", not "%s"' % (self.state(), state))

    def frames(self):
        return self.js('return window.halvaneFrames')

    def wait_frames(self, count, seconds=60):
        wait_until(lambda: len(self.frames()) >= count, seconds,
                   lambda: 'only %d frames drawn (%s)' % (len(self.frames()), self.state()))

    def messages(self):
        return self.js('return window.halvaneMessages')

    def dismiss_messages(self, count, seconds=30):
        """Presses OK in count message boxes as they come; their texts."""
        seen = []
        for number in range(count):
            wait_until(lambda: self.js('return document.getElementById("message").open'), seconds,
                       'message box %d of %d never came (seen %s)' % (number + 1, count, seen))
            seen.append(self.js('return document.getElementById("message-text").textContent'))
            self.js('document.getElementById("message-ok").click()')
            wait_until(lambda: len(self.messages()) > number + 1 or not self.js(
                'return document.getElementById("message").open'), 5, 'the box did not close')
        return seen

    def canvas_pixels(self):
        """The canvas as rows of RGB pixels (top row first)."""
        url = self.js('return document.getElementById("halvane").toDataURL("image/png")')
        image = Image.open(io.BytesIO(base64.b64decode(url.split(',', 1)[1]))).convert('RGB')
        return np.asarray(image)

    def console_errors(self):
        """The console's errors since the last call."""
        if self.driver is None:
            return []
        return [entry['message'] for entry in self.driver.get_log('browser') if entry['level'] == 'SEVERE']

    def click(self, selector):
        """A real click (the user's gesture that fullscreen and sound need)."""
        from selenium.webdriver.common.by import By
        self.driver.find_element(By.CSS_SELECTOR, selector).click()

    def key(self, key):
        """A key into the page, as the keyboard gives it."""
        from selenium.webdriver.common.action_chains import ActionChains
        ActionChains(self.driver).send_keys(key).perform()

    def draw_frame(self, at, aspect='16:9', fps=5, folder=None, seconds=120):
        """The test mode's single frame at demo time `at`; its pixels and the
        demo time it was drawn at."""
        self.open('?aspect=%s&mode=windowed&at=%s&fps=%d' % (aspect, at, fps), folder)
        wait_until(lambda: self.js('return window.halvaneDrawn') or self.state() == 'error', seconds,
                   'the frame at %s was not drawn' % at)
        check(self.state() != 'error', lambda: self.js('return document.body.innerText'))
        return self.canvas_pixels(), self.js('return window.halvaneDrawnTime')
