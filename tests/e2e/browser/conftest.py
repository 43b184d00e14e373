"""pytest's set-up of the browser cases: one BrowserHost for all cases but
the whole play, which gets its own Chromium heard through a null sink.

  --build-dir DIR    the Linux build with the web build in it (default build/)
"""
import os
import sys

import pytest

sys.path.insert(0, os.path.dirname(__file__))

from host_browser import BrowserHost  # noqa: E402


def pytest_addoption(parser):
    # The shared driver's conftest (tests/e2e) may have added it already.
    try:
        parser.addoption('--build-dir', default='build', help='the build folder (web/, data/, halvane-capture)')
    except ValueError:
        pass


@pytest.fixture(scope='session')
def build_dir(request):
    return os.path.abspath(request.config.getoption('--build-dir'))


@pytest.fixture(scope='session')
def browser(build_dir):
    host = BrowserHost(build_dir, os.path.join(build_dir, 'e2e', 'browser'))
    try:
        host.start()
        yield host
    finally:
        host.stop()


@pytest.fixture
def page(browser):
    """The browser for one case; the case fails on any console error."""
    browser.console_errors()
    yield browser
    errors = browser.console_errors()
    assert not errors, 'console errors: %s' % errors
