#!/usr/bin/env python3
"""Debian's nginx as the TLS download server and squid as the forward proxy,
run as this user with their configuration in a folder of their own.

nginx takes the https and http ports that the program's own base URL names
(443, 80) on a loopback address of its own (127.x.y.z, chosen at random, so
no other run's server is in the way); squid listens on free ports of
127.0.0.1 and finds the download host at nginx's address in a hosts file of
its own, so no name lookup and no connection leaves the machine. (Wine makes
its sockets in the wineserver, so a private network namespace would not
reach the program.)

squid has three ports: `open_url` asks for nothing, `login_url` asks for a
login (Basic, its basic_ncsa_auth helper, USER / PASSWORD), and
`get_login_url` asks for it for GET only (so a HEAD passes and the GET after
it meets the login).

Certificates (made once per folder with openssl, under a lock):
    ca.der       the test authority; trust_test_ca.exe makes the prefix trust it
    good         for download.tarvik.example, from the test authority
    untrusted    for download.tarvik.example, from an authority nobody trusts
    wrong-name   for other.tarvik.example, from the test authority
    expired      for download.tarvik.example, from the test authority, 2020 to 2021

nginx serves /slow/PATH as PATH at 300 KB a second, so a dialog stays up
long enough to be looked at (the record names PATH).

The download host gets the certificate a test chooses (good unless told),
and so do its aliases host-1.tarvik.example to host-8.tarvik.example;
each bad one is also served by name, whatever the download host gets:
untrusted.tarvik.example, wrong-name.tarvik.example, expired.tarvik.example
(the untrusted and expired ones name their host besides the download host).

As a program, for the engine tests:
    realservers.py --certs DIR [--trust EXE] [--cert NAME] -- COMMAND...
makes the prefix trust the test authority (with trust_test_ca.exe, EXE) and
runs COMMAND with nginx and squid up and
    REAL_SERVER_ROOT   the folder nginx serves
    REAL_SERVER_LOG    nginx's record, one JSON line a request
    REAL_WORK          a scratch folder of this run
    REAL_PROXY_OPEN    squid's port that asks for nothing (http://127.0.0.1:P/)
    REAL_PROXY_LOGIN   squid's port that asks for a login
    REAL_PROXY_GET_LOGIN  squid's port that asks for a login for GET only
    REAL_PROXY_USER, REAL_PROXY_PASSWORD  the login it takes
"""

import argparse
import fcntl
import json
import os
import random
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time
from pathlib import Path

HOST = "download.tarvik.example"
OTHER_HOST = "other.tarvik.example"
USER = "tester"
PASSWORD = "Secr3t-pw"
CERTS = ("good", "untrusted", "wrong-name", "expired")
# The bad certificates by the host name that always gets them.
NAMED = {"untrusted.tarvik.example": "untrusted", "wrong-name.tarvik.example": "wrong-name",
         "expired.tarvik.example": "expired"}
# More names of the download server, with the good certificate: a test that
# must not meet the connections an earlier one left in WinINet's pool (an
# authenticated tunnel, say) takes a name of its own.
ALIASES = ["host-%d.tarvik.example" % n for n in range(1, 9)]
ROOT = Path(__file__).resolve().parents[2]
START_SECONDS = 20


def _run(*args, cwd=None):
    subprocess.run(args, cwd=cwd, check=True, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                   stderr=subprocess.PIPE, timeout=60)


def _authority(folder, name, subject):
    _run("openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-sha256", "-days", "3650",
         "-subj", "/CN=" + subject, "-keyout", name + ".key", "-out", name + ".pem",
         "-addext", "basicConstraints=critical,CA:TRUE",
         "-addext", "keyUsage=critical,keyCertSign,cRLSign", cwd=folder)


def _server(folder, name, hosts, authority, dates=None):
    """A server certificate; dates (start, end) as openssl ca takes them."""
    _run("openssl", "req", "-newkey", "rsa:2048", "-nodes", "-subj", "/CN=" + hosts[0],
         "-keyout", name + ".key", "-out", name + ".csr", cwd=folder)
    (folder / (name + ".ext")).write_text(
        "subjectAltName=%s\nextendedKeyUsage=serverAuth\nbasicConstraints=CA:FALSE\n"
        % ",".join("DNS:" + h for h in hosts))
    if dates is None:
        _run("openssl", "x509", "-req", "-sha256", "-days", "3650", "-in", name + ".csr",
             "-CA", authority + ".pem", "-CAkey", authority + ".key", "-set_serial",
             str(int.from_bytes(os.urandom(8), "big")), "-extfile", name + ".ext",
             "-out", name + ".pem", cwd=folder)
        return
    # Only openssl ca sets dates in the past.
    (folder / "index.txt").write_text("")
    (folder / "ca.cnf").write_text(
        "[ca]\ndefault_ca=test\n[test]\ndatabase=index.txt\nnew_certs_dir=.\n"
        "serial=serial\ndefault_md=sha256\npolicy=any\nunique_subject=no\n[any]\ncommonName=supplied\n")
    (folder / "serial").write_text("%016X\n" % int.from_bytes(os.urandom(8), "big"))
    _run("openssl", "ca", "-batch", "-notext", "-config", "ca.cnf", "-cert", authority + ".pem",
         "-keyfile", authority + ".key", "-in", name + ".csr", "-out", name + ".pem",
         "-startdate", dates[0], "-enddate", dates[1], "-extfile", name + ".ext", cwd=folder)


def certificates(folder):
    """Makes the test certificates in folder unless they are there; the folder."""
    folder = Path(folder)
    folder.mkdir(parents=True, exist_ok=True)
    with open(folder / ".lock", "w") as lock:
        fcntl.flock(lock, fcntl.LOCK_EX)
        made = "%s %s %s" % (HOST, " ".join(ALIASES), " ".join(NAMED))  # what the files were made for
        ready = folder / "ready"
        if ready.exists() and ready.read_text() == made:
            return folder
        work = Path(tempfile.mkdtemp(prefix="certs-", dir=folder))
        _authority(work, "ca", "Tarvik Test Authority")
        _authority(work, "stranger", "Nobody's Authority")
        _server(work, "good", [HOST, *ALIASES], "ca")
        _server(work, "untrusted", [HOST, "untrusted.tarvik.example"], "stranger")
        _server(work, "wrong-name", [OTHER_HOST], "ca")
        _server(work, "expired", [HOST, "expired.tarvik.example"], "ca", ("20200101000000Z", "20210101000000Z"))
        _run("openssl", "x509", "-in", "ca.pem", "-outform", "DER", "-out", "ca.der", cwd=work)
        for name in ["ca.der", "ca.pem"] + [c + ext for c in CERTS for ext in (".pem", ".key")]:
            os.replace(work / name, folder / name)
        shutil.rmtree(work)
        ready.write_text(made)
    return folder


def windows_path(path):
    """A Linux path as Wine sees it (drive Z: is the root)."""
    return "Z:" + str(Path(path).resolve()).replace("/", "\\")


def trust(certs, exe, wine=("wine",)):
    """Makes the Wine prefix trust the test authority (trust_test_ca.exe)."""
    done = subprocess.run([*wine, windows_path(exe), windows_path(Path(certs) / "ca.der")],
                          stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE,
                          timeout=60)
    if done.returncode != 0:
        raise RuntimeError("the prefix does not trust the test authority: %s"
                           % done.stderr.decode(errors="replace").strip())


def _free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def _wait_listening(address, port, process, what):
    deadline = time.monotonic() + START_SECONDS
    while time.monotonic() < deadline:
        if process.poll() is not None:
            raise RuntimeError("%s ended at its start (exit %d)" % (what, process.returncode))
        try:
            socket.create_connection((address, port), timeout=1).close()
            return
        except OSError:
            time.sleep(0.05)
    raise RuntimeError("%s did not listen on port %d within %d s" % (what, port, START_SECONDS))


def _stop(process):
    if process and process.poll() is None:
        process.terminate()
        try:
            process.wait(timeout=10)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait(timeout=10)


def _loopback_address(ports):
    """A random 127.x.y.z on which all the ports are free."""
    for _ in range(50):
        address = "127.%d.%d.%d" % tuple(random.randint(100, 254) for _ in range(3))
        try:
            for port in ports:
                with socket.socket() as s:
                    s.bind((address, port))
            return address
        except PermissionError:
            raise RuntimeError("ports %s need root (or CAP_NET_BIND_SERVICE) to listen on" % (ports,)) from None
        except OSError:
            continue
    raise RuntimeError("found no loopback address with the ports %s free" % (ports,))


class Nginx:
    """Serves root over https on port 443 with one of the certificates, and
    over http on port 80, of `address`, recording each request as a JSON line."""

    def __init__(self, root, certs, cert="good"):
        if cert not in CERTS:
            raise ValueError("no test certificate %r (%s)" % (cert, ", ".join(CERTS)))
        self.root = Path(root)
        self.dir = Path(tempfile.mkdtemp(prefix="nginx-"))
        self.log = self.dir / "requests.log"
        certs = Path(certs)
        self.address = _loopback_address((443, 80))
        conf = self.dir / "nginx.conf"
        conf.write_text("""
daemon off;
master_process off;
worker_processes 1;
pid {d}/nginx.pid;
error_log {d}/error.log info;
events {{ worker_connections 64; }}
http {{
    log_format entries escape=json
        '{{"time":$msec,"method":"$request_method","file":"$uri","range":"$http_range",'
        '"status":$status,"body_bytes":$body_bytes_sent,"user_agent":"$http_user_agent"}}';
    client_body_temp_path {d}/body;
    proxy_temp_path {d}/proxy;
    fastcgi_temp_path {d}/fastcgi;
    uwsgi_temp_path {d}/uwsgi;
    scgi_temp_path {d}/scgi;
    default_type application/octet-stream;
    root {root};
    access_log {log} entries;
    server {{
        listen {a}:443 ssl default_server;
        listen {a}:80;
        server_name _;
        ssl_certificate {c}/{cert}.pem;
        ssl_certificate_key {c}/{cert}.key;
        location /slow/ {{
            limit_rate 300k;
            rewrite ^/slow(/.*)$ $1 break;
        }}
    }}
{named}}}
""".format(a=self.address, d=self.dir, c=certs, cert=cert, root=self.root, log=self.log,
           named="".join("""    server {{
        listen {a}:443 ssl;
        server_name {host};
        ssl_certificate {c}/{cert}.pem;
        ssl_certificate_key {c}/{cert}.key;
    }}
""".format(a=self.address, c=certs, host=host, cert=named) for host, named in NAMED.items())))
        self.process = subprocess.Popen(["nginx", "-p", str(self.dir), "-c", str(conf)],
                                        stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                        stderr=open(self.dir / "stderr", "wb"))
        try:
            _wait_listening(self.address, 443, self.process, "nginx")
        except RuntimeError:
            self.close()
            raise

    def entries(self):
        if not self.log.exists():
            return []
        with open(self.log, encoding="utf-8") as f:
            return [json.loads(line) for line in f if line.strip()]

    def close(self):
        _stop(self.process)
        shutil.rmtree(self.dir, ignore_errors=True)


class Squid:
    """The forward proxy: open_url asks for nothing, login_url for USER's
    login. It reaches the download host at `address` and nothing else."""

    def __init__(self, address):
        self.dir = Path(tempfile.mkdtemp(prefix="squid-"))
        self.ports = [_free_port() for _ in range(3)]
        self.open_url, self.login_url, self.get_login_url = ("http://127.0.0.1:%d/" % p for p in self.ports)
        self.access_log = self.dir / "access.log"
        hashed = subprocess.run(["openssl", "passwd", "-apr1", PASSWORD], check=True, capture_output=True,
                                text=True, timeout=30).stdout.strip()
        (self.dir / "passwords").write_text("%s:%s\n" % (USER, hashed))
        (self.dir / "hosts").write_text(" ".join([address, HOST, OTHER_HOST, *NAMED, *ALIASES]) + "\n")
        conf = self.dir / "squid.conf"
        conf.write_text("""
http_port 127.0.0.1:{p[0]} name=open
http_port 127.0.0.1:{p[1]} name=login
http_port 127.0.0.1:{p[2]} name=get_login
auth_param basic program /usr/lib/squid/basic_ncsa_auth {d}/passwords
auth_param basic children 2 startup=1 idle=1
auth_param basic realm Tarvik test proxy
acl login_port myportname login
acl get_login_port myportname get_login
acl logged_in proxy_auth REQUIRED
acl tls_port port 443
acl CONNECT method CONNECT
acl GET method GET
http_access deny CONNECT !tls_port
http_access allow login_port logged_in
http_access deny login_port
http_access allow get_login_port !GET
http_access allow get_login_port logged_in
http_access deny get_login_port
http_access allow localhost
http_access deny all
hosts_file {d}/hosts
dns_nameservers 127.0.0.1
visible_hostname tarvik-test-proxy
cache deny all
cache_mem 8 MB
pid_filename {d}/squid.pid
access_log stdio:{d}/access.log
cache_log {d}/cache.log
cache_store_log none
netdb_filename none
coredump_dir {d}
shutdown_lifetime 0 seconds
""".format(p=self.ports, d=self.dir))
        if os.getuid() == 0:
            # squid started as root works as its own user.
            for path in [self.dir] + list(self.dir.iterdir()):
                shutil.chown(path, "proxy", "proxy")
        name = "tarvik%d" % os.getpid()
        self.process = subprocess.Popen(["squid", "-N", "-n", name, "-f", str(conf)],
                                        stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                        stderr=open(self.dir / "stderr", "wb"))
        try:
            for port in self.ports:
                _wait_listening("127.0.0.1", port, self.process, "squid")
        except RuntimeError:
            self.close()
            raise

    def requests(self):
        """squid's access log lines so far."""
        return self.access_log.read_text(errors="replace").splitlines() if self.access_log.exists() else []

    def close(self):
        _stop(self.process)
        shutil.rmtree(self.dir, ignore_errors=True)


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--certs", required=True, help="folder of the test certificates")
    parser.add_argument("--trust", help="trust_test_ca.exe, run in the prefix first")
    parser.add_argument("--cert", default="good", choices=CERTS, help="what the download host gets")
    parser.add_argument("command", nargs="+")
    args = parser.parse_args(argv)

    certs = certificates(args.certs)
    if args.trust:
        trust(certs, args.trust, wine=[str(ROOT / "tools/wine-run")])
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(143))
    work = Path(tempfile.mkdtemp(prefix="real-servers-"))
    nginx = squid = None
    try:
        (work / "served").mkdir()
        (work / "local").mkdir()
        nginx = Nginx(work / "served", certs, args.cert)
        squid = Squid(nginx.address)
        env = dict(os.environ, REAL_SERVER_ROOT=str(work / "served"), REAL_SERVER_LOG=str(nginx.log),
                   REAL_WORK=str(work / "local"), REAL_PROXY_OPEN=squid.open_url,
                   REAL_PROXY_LOGIN=squid.login_url, REAL_PROXY_GET_LOGIN=squid.get_login_url,
                   REAL_PROXY_USER=USER, REAL_PROXY_PASSWORD=PASSWORD)
        return subprocess.run(args.command, env=env, stdin=subprocess.DEVNULL).returncode
    finally:
        if squid:
            squid.close()
        if nginx:
            nginx.close()
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
