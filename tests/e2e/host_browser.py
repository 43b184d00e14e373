"""The browser player as a host: the web build (<build>/web) served on
localhost and played in headless Chromium (SwiftShader's WebGL 2), driven
through Selenium and chromium-driver, heard through a PulseAudio null sink of
its own. A tab plays the part of the program: its page's state
(document.body.dataset.state) says whether it runs, and the page's records
(window.halvaneFrames, window.halvaneMessages) become the report lines the
other hosts' programs write. Screenshots are the page's viewport, in CSS
pixels (the device scale is 1).

Beyond the Host interface it draws the page's test-mode frames
(draw_frame: index.html?aspect=..&mode=windowed&at=T) and reads the canvas.
"""
import base64
import io
import os
import shutil
import subprocess
import sys

import numpy as np
from PIL import Image
from selenium import webdriver
from selenium.common.exceptions import WebDriverException
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys

from framework import MUSIC_FILE, Host, NullSink, Shot, Show, check, end_process, wait_until

# The page's states while the program "runs"; any other is its end.
RUNNING = ('loading', 'setup', 'show')
KEYS = {'Escape': Keys.ESCAPE, 'Return': Keys.ENTER, 'F11': Keys.F11}


class PageProcess:
    """The tab as a process for Show: it runs while the page is loading, in
    its dialog or in the show, and ends (exit code 0) once the page is
    ended, left or closed; the page's failure ("error") is exit code 1.
    The end counts only once a reading of the page's records has seen it
    (the state comes with the frames, in one call), so that a wait for a
    frame cannot miss the last frame for the end that came with it."""

    def __init__(self, host):
        self.host, self.show, self.returncode, self.closed, self.end_seen = host, None, None, False, None

    def poll(self):
        if self.returncode is None:
            if self.closed:
                self.returncode = 0
            elif self.end_seen:
                self.returncode = 1 if self.end_seen == 'error' else 0
            else:
                self.host.report_lines(self.show)
        return self.returncode


class PageShow(Show):
    """One load of the page; ended by leaving it (a blank page)."""

    def kill(self):
        if self.process.poll() is None and not self.process.closed:
            self.host.driver.get('about:blank')
            self.process.closed = True


class BrowserHost(Host):
    NAME = 'browser'
    # Chromium's window and screen (headless), chosen so that the page's
    # viewport is SCREEN (the canvas lands on whole pixels) and a fullscreen
    # element fills LONG_SCREEN, 16:9.
    WINDOW, SCREEN_INFO = (1600, 1001), (1600, 956)
    SCREEN, LONG_SCREEN = (1600, 858), (1600, 900)
    LONG_WINDOW, LONG_FRAME = (1600, 900), (0, 0, 1600, 900)
    # A knot mesh and the music missing: the page's boxes, in order.
    NO_SOUND_BOXES = ['Error opening .obj file', 'Music opening error', 'Music play error']
    NO_SOUND_SIZE = (1280, 720)
    DIALOG_CENTRE_SLACK = (2, 400)      # centred across; near the top of the page
    # The 4:3 frame scaled by 900/768 to 1200 x 900 in the middle of the
    # screen, its bars 112.5 rows high (2 rows blended at each edge).
    FULLSCREEN_4_3 = {'frame': (200, 0, 1200, 900), 'bar': 112, 'blend': 2}
    PLAYS_AFTER_TWO_TOGGLES = None
    LEAD = ['0.2', '0.45']     # the demo time's lead over the heard position, from the frames

    def start(self):
        self.web_dir = os.path.join(self.build_dir, 'web')
        check(os.path.isfile(os.path.join(self.web_dir, 'halvane.wasm')), 'no web build in %s (make web)'
              % self.web_dir)
        self.server = self.driver = None
        if self.role == 'long':
            self.sink = NullSink(os.path.join(self.out, 'pulse-' + self.role))
        self.serve(self.web_dir)
        self.driver = self.start_chromium()

    def serve(self, folder):
        """Serves folder (one server, any folder under the build's parent)
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
        profile = os.path.join(self.out, 'chromium-profile-' + self.role)
        shutil.rmtree(profile, ignore_errors=True)
        for flag in ('--headless=new', '--no-sandbox', '--use-angle=swiftshader', '--enable-unsafe-swiftshader',
                     '--disable-quic', '--no-first-run', '--disable-background-networking',
                     '--disable-component-update', '--disable-sync', '--user-data-dir=' + profile,
                     '--window-size=%d,%d' % self.WINDOW, '--screen-info={%dx%d}' % self.SCREEN_INFO,
                     '--autoplay-policy=no-user-gesture-required'):
            options.add_argument(flag)
        options.set_capability('goog:loggingPrefs', {'browser': 'ALL'})
        env = dict(os.environ)
        if self.sink:
            env['PULSE_SERVER'] = self.sink.server
        service = Service('/usr/bin/chromedriver', env=env,
                          log_output=os.path.join(self.out, 'chromedriver-%s.log' % self.role))
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
        if self.sink:
            self.sink.stop()

    def end_case(self):
        """What a case left running ends; the case fails on a console error."""
        super().end_case()
        errors = self.console_errors()
        check(not errors, 'console errors: %s' % errors)

    # -- the page

    def open(self, query='', folder=None):
        """Loads the page (with a test-mode query) and forgets the console."""
        self.console_errors()
        self.driver.get(self.serve(folder or self.web_dir) + query)

    def js(self, script, *args):
        return self.driver.execute_script(script, *args)

    def state(self):
        return self.js('return document.body && document.body.dataset.state')

    def frames(self):
        """Per frame: demo time, frame time and wasm time (ms), music position
        (bytes), seconds since the frame's clock reading, wall time (ms)."""
        return self.js('return window.halvaneFrames') or []

    def console_errors(self):
        """The console's errors since the last call."""
        if self.driver is None:
            return []
        return [entry['message'] for entry in self.driver.get_log('browser') if entry['level'] == 'SEVERE']

    def click(self, selector):
        """A real click (the user's gesture that fullscreen and sound need)."""
        self.driver.find_element(By.CSS_SELECTOR, selector).click()

    def key(self, key):
        """A key into the page, as the keyboard gives it."""
        ActionChains(self.driver).send_keys(KEYS.get(key, key)).perform()

    def rect(self, selector):
        """(x, y, w, h) of an element in the viewport, or None when not shown."""
        found = self.js('var e = document.querySelector(arguments[0]); if (!e) return null;'
                        'var r = e.getBoundingClientRect(); return [r.x, r.y, r.width, r.height]', selector)
        return tuple(int(round(v)) for v in found) if found and found[2] and found[3] else None

    def canvas_pixels(self):
        """The canvas as rows of RGB pixels (top row first)."""
        url = self.js('return document.getElementById("halvane").toDataURL("image/png")')
        return np.asarray(Image.open(io.BytesIO(base64.b64decode(url.split(',', 1)[1]))).convert('RGB'))

    def draw_frame(self, at, aspect='16:9', fps=5, folder=None, seconds=120):
        """The test mode's single frame at demo time `at`; its pixels and the
        demo time it was drawn at."""
        self.open('?aspect=%s&mode=windowed&at=%s&fps=%d' % (aspect, at, fps), folder)
        wait_until(lambda: self.js('return window.halvaneDrawn') or self.state() == 'error', seconds,
                   'the frame at %s was not drawn' % at)
        check(self.state() != 'error', lambda: self.js('return document.body.innerText'))
        return self.canvas_pixels(), self.js('return window.halvaneDrawnTime')

    # -- the program

    def start_show(self, case, sound=False, how='dialog'):
        """The page afresh: its dialog, or the test mode's choices (how may
        also be a test-mode query); "no-sound" is the page with a knot mesh
        and the music missing."""
        query = {'windowed': '?aspect=16:9&mode=windowed',
                 'no-sound': '?aspect=16:9&mode=windowed&drop=data/knot4.obj,data/' + MUSIC_FILE}.get(
                     how, how if how.startswith('?') else '')
        if sound and self.sink:
            self.start_recording(case)
        self.open(query)
        show = PageShow(self, case, PageProcess(self))
        show.process.show = show
        self.shows.append(show)
        if how.startswith('fullscreen'):
            # Fullscreen only from a user's gesture: Run Demo clicked with
            # the dialog's defaults, 16:9 fullscreen.
            self.dialog(show)
            self.click('#run')
        return show

    def report_lines(self, show):
        """The page's records as the report lines of the other hosts'
        programs; the last ones read stay once the tab is gone."""
        if show.process.closed:
            return show.last_reports
        state, frames, setup = self.js(
            'var c = document.getElementById("halvane"); return [document.body.dataset.state,'
            ' window.halvaneFrames || [], window.page && page.choice && document.body.dataset.state != "setup"'
            ' ? [c.width, c.height, page.choice.fullscreen ? 1 : 0] : null]')
        lines = []
        if setup:
            width, height, fullscreen = setup
            lines += ['halvane-setup %d %d %d %d' % (width, height, width * 9 // 16, fullscreen), 'halvane-window']
        lines += ['halvane-frame %.6f %d %.6f' % (f[0], max(f[3], 0), f[4]) for f in frames]
        if state not in RUNNING:
            lines += ['halvane-teardown'] * bool(setup) + ['halvane-exit %d' % (state == 'error')]
            show.process.end_seen = state
        show.last_reports = lines
        return lines

    def screenshot(self, show, name):
        path = os.path.join(show.case_dir, name + '.png')
        image = Image.open(io.BytesIO(self.driver.get_screenshot_as_png())).convert('RGB')
        image.save(path)
        return Shot(np.asarray(image), path)

    # -- the dialog

    def dialog(self, show):
        wait_until(lambda: show.alive() and self.state() == 'setup', 60, 'the setup dialog did not appear', 0.2)
        return self.rect('#setup')

    def check_dialog_look(self, show, shot, rect):
        title = self.rect('#title')
        check(title and shot.has_detail(*title), 'no title picture')
        check(self.js('return document.querySelector("input[name=aspect]:checked").value') == '16:9' and
              self.js('return document.querySelector("input[name=mode]:checked").value') == 'fullscreen',
              'the dialog\'s defaults are not 16:9 fullscreen')

    def press_in_dialog(self, show, key):
        self.key(key)

    def click_dialog_exit(self, show):
        self.click('#leave')

    def choose_4_3_windowed(self, show):
        self.dialog(show)
        for selector in ('input[name=aspect][value="4:3"]', 'input[name=mode][value="windowed"]'):
            self.click(selector)
        self.screenshot(show, 'choices')
        self.driver.find_element(By.CSS_SELECTOR, '#run').send_keys(Keys.ENTER)

    def windows_left(self, show):
        """A page left shows its farewell, never the dialog or the canvas."""
        return ' '.join(s for s in ('#setup', '#stage') if self.rect(s))

    # -- the show

    def show_rect(self, show, size=None, origin=None):
        placed = lambda rect: rect and (size is None or rect[2:] == tuple(size)) and origin in (None, rect[:2])
        return wait_until(lambda: show.alive() and placed(self.rect('#halvane')) and self.rect('#halvane'), 20,
                          lambda: 'the canvas is at %s, not %s at %s' % (self.rect('#halvane'), size, origin), 0.2)

    def press(self, show, key):
        self.key(key)

    def close_box(self, show):
        """The tab closed, as a window by its close box: the page's records
        end there, with the window's teardown and the end."""
        show.last_reports = self.report_lines(show) + ['halvane-teardown', 'halvane-exit 0']
        self.driver.switch_to.new_window('tab')
        blank = self.driver.current_window_handle
        self.driver.switch_to.window(self.driver.window_handles[0])
        self.driver.close()
        self.driver.switch_to.window(blank)
        show.process.closed = True

    def toggle_fullscreen(self, show):
        self.key('f')

    def wait_toggled(self, show, number, fullscreen):
        wait_until(lambda: show.alive() and bool(self.js('return document.fullscreenElement !== null')) == fullscreen,
                   10, 'toggle %d did not make the page %s' % (number, 'fullscreen' if fullscreen else 'windowed'))
        return self.show_rect(show, self.LONG_SCREEN if fullscreen else (1024, 768))

    # -- message boxes: the page's modal <dialog>, known by its number

    def reported_boxes(self, show):
        return None

    def find_box(self, text=None):
        """(the number of boxes shown so far, the text) of the box open now."""
        box = self.js('var m = document.getElementById("message"); return m.open ?'
                      ' [window.halvaneBoxesShown, document.getElementById("message-text").textContent] : null')
        return tuple(box) if box and text in (None, box[1]) else None

    def press_box(self, box):
        self.key('Return')

    # -- the host's own checks in the shared scenarios

    def canvas_size(self):
        return tuple(self.js('var c = document.getElementById("halvane"); return [c.width, c.height]'))

    def check_no_sound_run(self, show):
        check(self.canvas_size() == (1280, 720), 'canvas %s' % (self.canvas_size(),))

    def check_windowed_4_3(self, show):
        check(self.canvas_size() == (1024, 768), 'canvas %s' % (self.canvas_size(),))

    def after_toggle(self, show, fullscreen):
        """The frame keeps its size; the page scales it to the screen."""
        check(self.canvas_size() == (1024, 768), 'canvas %s' % (self.canvas_size(),))

    def after_toggles(self, show):
        """F11 does the same as F; the music went on over the toggles."""
        self.press(show, 'F11')
        self.wait_toggled(show, 3, True)
        positions = [f[3] for f in self.frames()]
        check(positions == sorted(positions), 'the music went back over a toggle')

    def check_natural_end(self, show):
        check(not self.js('return window.halvaneMessages'), 'messages with sound: %s'
              % self.js('return window.halvaneMessages'))
