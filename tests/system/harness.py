"""Runs the built program under Wine in the project's prefix and reads back
what it left there: the protocol file, desktop shortcuts, the registry.

Each test copies the program under a name of its own into a folder of its
own (C:\\tests\\<folder>), so tests running side by side in the one prefix
never share a download, a shortcut or a local file.
"""

import os
import pwd
import re
import shutil
import subprocess
import tempfile
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]

# The same prefix as tools/wine-env, for a ctest run started by hand.
os.environ.setdefault("WINEPREFIX", str(ROOT / "build/wine/prefix"))
os.environ.setdefault("WINEARCH", "win64")
os.environ.setdefault("WINEDLLOVERRIDES", "winemenubuilder.exe=d;mscoree,mshtml=")
os.environ.setdefault("WINEDEBUG", "-all")
if not os.environ.get("HOME", "").startswith(str(ROOT)):
    os.environ["HOME"] = str(ROOT / "build/wine/home")

from driver import Driver, DriverError  # noqa: E402,F401  (needs the environment above)

import sys  # noqa: E402
sys.path.insert(0, str(ROOT / "tests/server"))
from testserver import TestServer  # noqa: E402
import realservers  # noqa: E402

PREFIX = Path(os.environ["WINEPREFIX"])
DRIVE_C = PREFIX / "drive_c"
USER = pwd.getpwuid(os.getuid()).pw_name  # Wine's user name is the Unix one
DESKTOP = DRIVE_C / "users" / USER / "Desktop"
TEMP = DRIVE_C / "users" / USER / "Temp"
PROTOCOL = DRIVE_C / "ProgramData/Tarvik/DownloadManager/protocol.txt"
PROGRAM = Path(os.environ.get("PROGRAM", ROOT / "build/windows/DownloadManager.exe"))
INSTALLER = Path(os.environ.get("INSTALLER", ROOT / "build/windows/tests/system/test_installer.exe"))
WAITER = Path(os.environ.get("WAITER", ROOT / "build/windows/tests/system/waiter.exe"))
ARTIFACTS = Path(os.environ.get("ARTIFACTS", ROOT / "build/windows/artifacts"))
BASE_URL = os.environ.get("DOWNLOAD_BASE_URL", "http://download.tarvik.example/")
# The same program built with an https base URL.
PROGRAM_HTTPS = Path(os.environ.get("PROGRAM_HTTPS", ROOT / "build/windows/tests/system/DownloadManagerHttps.exe"))
HTTPS_BASE_URL = os.environ.get("HTTPS_BASE_URL", "https://download.tarvik.example/")
TRUST_TEST_CA = Path(os.environ.get("TRUST_TEST_CA", ROOT / "build/windows/tests/trust_test_ca.exe"))
TEST_CERTIFICATES = Path(os.environ.get("TEST_CERTIFICATES", ROOT / "build/windows/test-certificates"))

DEFAULT_TITLE = "Tarvik Download Manager 1.0"
TITLE_SUFFIX = " -- Tarvik Download-Manager"
STAMP = rb"\d{4}-\d\d-\d\d \d\d:\d\d:\d\d   "


def windows_path(path):
    """C:\\... for a file inside the prefix's drive C."""
    return "C:\\" + str(Path(path).relative_to(DRIVE_C)).replace("/", "\\")


def install(folder, name, source=None):
    """Copies the program (or another program) to C:\\tests\\<folder>\\<name>."""
    target = DRIVE_C / "tests" / folder / name
    target.parent.mkdir(parents=True, exist_ok=True)
    shutil.copyfile(source or PROGRAM, target)
    return target


class Site:
    """The maker's download server: a test server of this test's own behind
    the prefix's HTTP proxy, serving the files put into it."""

    def __init__(self):
        self.dir = Path(tempfile.mkdtemp(prefix="site-"))
        self.root = self.dir / "served"
        self.root.mkdir()
        self.server = TestServer(str(self.root), str(self.dir / "requests.log")).__enter__()
        self.proxy = self.server.url

    def serve(self, path, size=0, age_days=2, data=None):
        """A file at /path (`data`, or `size` random bytes), last modified
        `age_days` ago; its bytes."""
        data = os.urandom(size) if data is None else data
        target = self.root / path
        target.parent.mkdir(parents=True, exist_ok=True)
        target.write_bytes(data)
        when = time.time() - age_days * 86400
        os.utime(target, (when, when))
        return data

    def requests(self, path):
        # Recorded as each answer ends; their start times give the order asked.
        return sorted((e for e in self.server.entries() if e["file"] == "/" + path), key=lambda e: e["time"])

    def close(self):
        self.server.__exit__(None, None, None)
        shutil.rmtree(self.dir, ignore_errors=True)


_trusted = False


class RealSite(Site):
    """The maker's download server as Debian's nginx (https with the test
    certificate `cert`, and http) behind Debian's squid as the prefix's proxy,
    which asks for its login (realservers.USER, PASSWORD) when `login` is set.
    The prefix trusts the test authority."""

    def __init__(self, cert="good", login=False):
        global _trusted
        certs = realservers.certificates(TEST_CERTIFICATES)
        if not _trusted:
            realservers.trust(certs, TRUST_TEST_CA)
            _trusted = True
        self.dir = Path(tempfile.mkdtemp(prefix="real-site-"))
        self.root = self.dir / "served"
        self.root.mkdir()
        self.nginx = self.squid = None
        try:
            self.nginx = realservers.Nginx(self.root, certs, cert)
            self.squid = realservers.Squid(self.nginx.address)
        except BaseException:
            self.close()
            raise
        self.proxy = self.squid.login_url if login else self.squid.open_url

    def requests(self, path):
        return sorted((e for e in self.nginx.entries() if e["file"] == "/" + path), key=lambda e: e["time"])

    def close(self):
        for server in (self.squid, self.nginx):
            if server:
                server.close()
        shutil.rmtree(self.dir, ignore_errors=True)


OPENED_URLS = DRIVE_C / "tests/opened-urls.txt"


def opened_urls():
    """The web pages opened in the prefix so far (see url_recorder.cpp)."""
    return OPENED_URLS.read_text().splitlines() if OPENED_URLS.exists() else []


INSTALLER_RUNS = DRIVE_C / "tests/installer-runs.txt"


def installer_runs():
    """The command lines the test installer was started with (test_installer.cpp)."""
    return INSTALLER_RUNS.read_text().splitlines() if INSTALLER_RUNS.exists() else []


def leave_setup(ui, file_name, timeout=30):
    """Waits for the setup dialog that follows a complete download and cancels it."""
    hwnd = ui.wait(file_name + " - Ready For Installation", timeout)
    if hwnd is None:
        raise AssertionError("no setup dialog for " + file_name)
    ui.click(hwnd, 2)
    return hwnd


def start(path, *args, env=None, site=None):
    """Starts a Windows program of the prefix; returns the Popen of wine. With a
    site, the program's WinINet reaches it as its proxy."""
    full_env = dict(os.environ)
    full_env.pop("http_proxy", None)
    if site:
        full_env["http_proxy"] = site.proxy
    full_env.update(env or {})
    # Files rather than pipes: Wine's helpers may inherit and keep them open.
    return subprocess.Popen(["wine", windows_path(path), *map(str, args)], env=full_env,
                            stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                            stderr=subprocess.DEVNULL)


def finish(process, timeout=20):
    """The exit code of a started program; kills it when it overstays."""
    try:
        return process.wait(timeout=timeout)
    except subprocess.TimeoutExpired:
        process.kill()
        process.wait(timeout=5)
        raise AssertionError("the program did not end within %d s" % timeout)


def stop(process):
    """Ends a started program that is still running (a test that failed early)."""
    if process.poll() is None:
        process.kill()
        process.wait(timeout=10)


class Protocol:
    """The protocol file's bytes from the moment this object was made."""

    def __init__(self):
        self.start = PROTOCOL.stat().st_size if PROTOCOL.exists() else 0

    def written(self):
        with open(PROTOCOL, "rb") as f:
            f.seek(self.start)
            return f.read()


def in_order(written, *patterns):
    """Whether the byte patterns (regular expressions) occur in this order.
    Programs of other tests may write between them: only the serial tests
    check whole runs byte for byte."""
    at = 0
    for pattern in patterns:
        m = re.compile(pattern).search(written, at)
        if not m:
            return False
        at = m.end()
    return True


def lnkinfo(path):
    """The 'Link information' fields of a shortcut, as lnkinfo prints them."""
    out = subprocess.run(["lnkinfo", str(path)], capture_output=True, text=True, timeout=30,
                         check=True).stdout
    fields = {}
    for line in out.splitlines():
        m = re.match(r"^\t([^\t:][^:]*?)\s*: (.*)$", line)
        if m and m.group(1) not in fields:
            fields[m.group(1)] = m.group(2)
    return fields


_wine_names = None


def wine_names():
    """(user name, computer name, temporary folder) as Wine reports them."""
    global _wine_names
    if _wine_names is None:
        with tempfile.TemporaryFile() as out:
            subprocess.run(["wine", "cmd", "/c", "echo", "%USERNAME%;%COMPUTERNAME%;%TEMP%"],
                           stdin=subprocess.DEVNULL, stdout=out, stderr=subprocess.DEVNULL,
                           timeout=30, check=True)
            out.seek(0)
            user, computer, temp = out.read().decode("cp1252").strip().split(";")
        _wine_names = (user, computer, temp.rstrip("\\") + "\\")
    return _wine_names


def registry(*args):
    """Runs 'wine reg ARGS'; returns its exit code."""
    return subprocess.run(["wine", "reg", *args], stdin=subprocess.DEVNULL,
                          stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60).returncode


def wait_for(condition, timeout, what):
    """The first true value of condition(), asked until timeout seconds pass."""
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        value = condition()
        if value:
            return value
        time.sleep(0.05)
    raise AssertionError("timed out waiting for " + what)


def until(what, condition, timeout=30):
    return wait_for(condition, timeout, what)


def download_window(ui, name, timeout=20, accept=lambda hwnd: True):
    """The download dialog of this download, whatever its caption shows."""
    def found():
        for hwnd, _, cls, caption in ui.list():
            if cls == "#32770" and (caption == "Connecting ..." or name in caption) and \
                    TITLE_SUFFIX not in caption and accept(hwnd):
                return hwnd
        return None
    return wait_for(found, timeout, "the download dialog of " + name)


def artifact(name):
    ARTIFACTS.mkdir(parents=True, exist_ok=True)
    return ARTIFACTS / name


def cp1252(text):
    return text.encode("cp1252")


def error_block(text):
    return b"\n\x07Error:\n" + cp1252(text) + b"\n\n\n"


TEXT_0x89 = ("The Download Manager\u00b4s name has been changed.\nThus the download can\u00b4t being "
             "processed.\n\nPlease start the download from the original\nsource without manual "
             "modification.")
TEXT_0x89_DE = ("Der Name des Download Managers wurde ge\u00e4ndert,\ndeshalb kann der Download nicht "
                "durchgef\u00fchrt werden.\n\nBitte starten Sie den Download nur vom\nUrsprung und ohne "
                "Modifikationen!")
TEXT_0x8a = ("This Download has been already started.\n\nThe download manager can process a specific "
             "download\nonly once.\n\nPlease see tasklist to verify current running downloads.")


def driver():
    return Driver()
