"""pytest's set-up of the end-to-end suite (run by tests/e2e/run-e2e):

  --build-dir DIR      the Linux build (default build): the player, data/
  HALVANE_E2E_HOSTS    the hosts to run, e.g. "linux" (default: all)
  HALVANE_E2E_CASES    the cases, e.g. "dialog_escape natural_end[wine]": a
                       test's name without "test_" runs on every host, with
                       [host] on that one; a word naming no case is an error

A test takes the fixtures `host` (one per host, started once) and `case`
(its folder, <build>/e2e/<host>/<case>/); @pytest.mark.hosts("wine") keeps
it to some hosts. A @pytest.mark.long test runs from its host's start on an
instance of its own (display, sink, prefix) in a thread beside the others,
and is reported after them."""
import os
import sys
import threading
import time

import pytest

sys.path.insert(0, os.path.dirname(__file__))
from host_browser import BrowserHost  # noqa: E402
from host_linux import LinuxHost  # noqa: E402
from host_wine import WineHost  # noqa: E402

HOSTS = {host.NAME: host for host in (WineHost, LinuxHost, BrowserHost)}


def pytest_addoption(parser):
    parser.addoption('--build-dir', default='build', help='the Linux build folder (the player, data/)')


def pytest_configure(config):
    config.addinivalue_line('markers', 'hosts(*names): runs only on these hosts')
    config.addinivalue_line('markers', 'long: runs on an instance of its own beside the other cases')
    config.long_runs = {}


def selected_hosts():
    names = os.environ.get('HALVANE_E2E_HOSTS', '').split() or list(HOSTS)
    if set(names) - set(HOSTS):
        raise pytest.UsageError('HALVANE_E2E_HOSTS: no host %s (hosts: %s)' % (set(names) - set(HOSTS), list(HOSTS)))
    # The HOSTS keys themselves: pytest knows a session fixture's parameter
    # again by identity, not by equality.
    return [n for n in HOSTS if n in names]


def pytest_generate_tests(metafunc):
    if 'host' in metafunc.fixturenames:
        marker = metafunc.definition.get_closest_marker('hosts')
        metafunc.parametrize('host', [n for n in selected_hosts() if marker is None or n in marker.args],
                             indirect=True, scope='session')


def names(item):
    """A case's names for HALVANE_E2E_CASES: "name" and "name[host]"."""
    name = item.originalname[len('test_'):]
    return name, '%s[%s]' % (name, item.callspec.params.get('host'))


@pytest.hookimpl(trylast=True)
def pytest_collection_modifyitems(config, items):
    order, wanted = selected_hosts(), os.environ.get('HALVANE_E2E_CASES', '').split()
    chosen = [i for i in items if i.callspec.params.get('host') in order]   # the others' have no host
    known = {name for item in chosen for name in names(item)}
    if set(wanted) - known:
        raise pytest.UsageError('HALVANE_E2E_CASES: no case %s; cases: %s' % (set(wanted) - known, sorted(known)))
    chosen = [i for i in chosen if not wanted or set(names(i)) & set(wanted)]
    config.hook.pytest_deselected(items=[i for i in items if i not in chosen])
    # Each host's cases together, in the files' order, its long cases last.
    items[:] = sorted(chosen, key=lambda i: (order.index(i.callspec.params['host']), bool(i.get_closest_marker('long'))))


def make_host(config, name, role):
    build_dir = os.path.abspath(config.getoption('--build-dir'))
    return HOSTS[name](build_dir, os.path.join(build_dir, 'e2e', name), role)


def run_long_case(item, outcome):
    """Runs a long case on a host instance of its own; keeps the outcome."""
    started, instance = time.monotonic(), make_host(item.config, item.callspec.params['host'], 'long')
    try:
        instance.start()
        try:
            item.obj(host=instance, case=instance.case_dir(names(item)[0]))
        finally:
            instance.end_case()
    except BaseException as error:  # reported by the case's own item
        outcome['error'] = error
    finally:
        instance.stop()
        outcome['seconds'] = time.monotonic() - started


@pytest.fixture(scope='session')
def host(request):
    """The host, started once for its cases; its long cases start meanwhile."""
    for item in request.session.items:
        if item.get_closest_marker('long') and item.callspec.params['host'] == request.param:
            outcome = {'error': None}
            thread = threading.Thread(target=run_long_case, args=(item, outcome), daemon=True)
            thread.start()
            request.config.long_runs[item.nodeid] = (thread, outcome)
    instance = make_host(request.config, request.param, 'main')
    try:
        instance.start()
        yield instance
    finally:
        instance.stop()


@pytest.fixture
def case(request, host):
    """The case's output folder, made afresh; what the case left running ends."""
    if request.node.get_closest_marker('long'):
        yield None
        return
    try:
        yield host.case_dir(names(request.node)[0])
    finally:
        host.end_case()


@pytest.hookimpl(tryfirst=True)
def pytest_pyfunc_call(pyfuncitem):
    """A long case's item waits for its thread and reports its outcome."""
    if pyfuncitem.get_closest_marker('long') is None:
        return None
    thread, outcome = pyfuncitem.config.long_runs[pyfuncitem.nodeid]
    thread.join()
    print('the long case took %.0f s' % outcome['seconds'])
    if outcome['error'] is not None:
        raise outcome['error']
    return True
