"""pytest's set-up of the end-to-end suite: the hosts each case runs on, the
case selection, and the long cases that run beside the others.

  --build-dir DIR          the Linux build (default build/); data/ comes from it
  HALVANE_E2E_HOSTS        the hosts to run, e.g. "linux" (default: all)
  HALVANE_E2E_CASES        the cases to run, e.g. "dialog_escape natural_end[wine]":
                           a case name runs on every host, name[host] on one
                           (names are the test functions' without "test_").
                           A word that names no case is an error.

A test takes the fixture `host` (one instance per host, started once) and
`case` (its output folder under <build>/e2e/<host>/). Host-only tests are
marked @pytest.mark.hosts("wine"). A test marked @pytest.mark.long runs on
an instance of its host of its own (display, sound sink, prefix) in a thread
started with the host, beside the other cases, and reports when its host's
other cases are done.
"""
import os
import sys
import threading
import time

import pytest

sys.path.insert(0, os.path.dirname(__file__))

from host_linux import LinuxHost  # noqa: E402
from host_wine import WineHost  # noqa: E402

HOSTS = {host.NAME: host for host in (WineHost, LinuxHost)}


def pytest_addoption(parser):
    parser.addoption('--build-dir', default='build', help='the Linux build folder (data/, the player)')


def pytest_configure(config):
    config.addinivalue_line('markers', 'hosts(*names): runs only on these hosts')
    config.addinivalue_line('markers', 'long: runs on an instance of its own beside the other cases')
    config.long_runs = {}


def selected_hosts():
    names = os.environ.get('HALVANE_E2E_HOSTS', '').split() or list(HOSTS)
    unknown = [n for n in names if n not in HOSTS]
    if unknown:
        raise pytest.UsageError('HALVANE_E2E_HOSTS: no host %s (hosts: %s)' % (unknown, ' '.join(HOSTS)))
    # The HOSTS keys themselves: pytest knows a session fixture's parameter
    # again by identity, not by equality.
    return [n for n in HOSTS if n in names]


def pytest_generate_tests(metafunc):
    if 'host' in metafunc.fixturenames:
        marker = metafunc.definition.get_closest_marker('hosts')
        names = [n for n in selected_hosts() if marker is None or n in marker.args]
        metafunc.parametrize('host', names, indirect=True, scope='session')


def case_name(item):
    return item.originalname[len('test_'):]


def host_of(item):
    return item.callspec.params.get('host')


@pytest.hookimpl(trylast=True)
def pytest_collection_modifyitems(config, items):
    # The cases of hosts not run (an empty parameter set) are left out.
    order = selected_hosts()
    other_hosts = [i for i in items if host_of(i) not in order]
    if other_hosts:
        config.hook.pytest_deselected(items=other_hosts)
        items[:] = [i for i in items if host_of(i) in order]
    wanted = os.environ.get('HALVANE_E2E_CASES', '').split()
    if wanted:
        known = {case_name(i) for i in items} | {'%s[%s]' % (case_name(i), host_of(i)) for i in items}
        unknown = [w for w in wanted if w not in known]
        if unknown:
            raise pytest.UsageError('HALVANE_E2E_CASES: no case %s; cases: %s'
                                    % (' '.join(unknown), ' '.join(sorted(known))))
        chosen = [i for i in items if case_name(i) in wanted or '%s[%s]' % (case_name(i), host_of(i)) in wanted]
        config.hook.pytest_deselected(items=[i for i in items if i not in chosen])
        items[:] = chosen
    # Each host's cases together, in the files' order, its long cases last.
    items.sort(key=lambda i: (order.index(host_of(i)), i.get_closest_marker('long') is not None))
    config.long_items = [i for i in items if i.get_closest_marker('long') is not None]


def build_dir(config):
    return os.path.abspath(config.getoption('--build-dir'))


def run_long_case(config, item, host_class):
    """Runs a long case on a host instance of its own; keeps the outcome."""
    outcome = {'error': None, 'seconds': 0.0}
    started = time.monotonic()
    instance = None
    try:
        instance = host_class(build_dir(config), os.path.join(build_dir(config), 'e2e', host_class.NAME), 'long')
        instance.start()
        try:
            item.obj(host=instance, case=instance.case_dir(case_name(item)))
        finally:
            instance.end_case()
    except BaseException as error:  # reported by the case's own test item
        outcome['error'] = error
    finally:
        if instance is not None:
            instance.stop()
        outcome['seconds'] = time.monotonic() - started
    return outcome


@pytest.fixture(scope='session')
def host(request):
    """The host of the case, started once for all its cases; its long cases
    start meanwhile on instances of their own."""
    host_class = HOSTS[request.param]
    config = request.config
    for item in config.long_items:
        if host_of(item) == request.param:
            result = {}
            thread = threading.Thread(target=lambda i=item, r=result: r.update(run_long_case(config, i, host_class)),
                                      daemon=True)
            thread.start()
            config.long_runs[item.nodeid] = (thread, result)
    instance = host_class(build_dir(config), os.path.join(build_dir(config), 'e2e', request.param), 'main')
    try:
        instance.start()
        yield instance
    finally:
        instance.stop()


@pytest.fixture
def case(request, host):
    """The case's output folder (screenshots, logs), made afresh."""
    if request.node.get_closest_marker('long'):
        yield None
        return
    try:
        yield host.case_dir(case_name(request.node))
    finally:
        host.end_case()


@pytest.hookimpl(tryfirst=True)
def pytest_pyfunc_call(pyfuncitem):
    """A long case's item waits for its thread and reports its outcome."""
    if pyfuncitem.get_closest_marker('long') is None:
        return None
    thread, result = pyfuncitem.config.long_runs[pyfuncitem.nodeid]
    thread.join()
    print('long case: %.0f s' % result['seconds'])
    if result['error'] is not None:
        raise result['error']
    return True
