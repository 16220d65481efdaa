"""nginx from Debian serving a folder on 127.0.0.1: the origin server of the
benchmarks and the soak, and at the same time the HTTP proxy that WinINet is
pointed to (nginx answers a proxy's absolute-URI request by its path)."""

import os
import signal
import socket
import subprocess
import tempfile
import time
from pathlib import Path

LOG_FORMAT = "$msec $request_method $uri $status $bytes_sent $body_bytes_sent $request_time $http_range"


def serve_random(root, path, mib):
    """A file of `mib` MiB of random bytes at root/path, last modified two
    days ago (so a local file of it made now is resumed, not started again)."""
    target = Path(root) / path
    target.parent.mkdir(parents=True, exist_ok=True)
    with open(target, "wb") as f:
        for _ in range(mib):
            f.write(os.urandom(1024 * 1024))
    when = time.time() - 2 * 86400
    os.utime(target, (when, when))
    return target


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


class Origin:
    def __init__(self, root, rate=None):
        """Serves `root`; `rate` limits each connection to that many bytes a second."""
        self.dir = Path(tempfile.mkdtemp(prefix="origin-"))
        self.log = self.dir / "access.log"
        self.port = free_port()
        for sub in ("client", "proxy", "fastcgi", "uwsgi", "scgi"):
            (self.dir / sub).mkdir()
        user = "user root root;" if os.geteuid() == 0 else ""
        (self.dir / "nginx.conf").write_text(f"""
{user}
daemon off;
master_process off;
worker_processes 1;
pid {self.dir}/nginx.pid;
error_log {self.dir}/error.log warn;
events {{ worker_connections 64; }}
http {{
  log_format bench '{LOG_FORMAT}';
  access_log {self.log} bench;
  client_body_temp_path {self.dir}/client;
  proxy_temp_path {self.dir}/proxy;
  fastcgi_temp_path {self.dir}/fastcgi;
  uwsgi_temp_path {self.dir}/uwsgi;
  scgi_temp_path {self.dir}/scgi;
  default_type application/octet-stream;
  sendfile on;
  tcp_nopush on;
  server {{
    listen 127.0.0.1:{self.port};
    root {Path(root).resolve()};
    {f"limit_rate {rate};" if rate else ""}
  }}
}}
""")
        self.process = subprocess.Popen(["nginx", "-p", str(self.dir), "-c", str(self.dir / "nginx.conf"),
                                         "-e", str(self.dir / "error.log")],
                                        stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                        stderr=subprocess.DEVNULL)
        deadline = time.monotonic() + 10
        while True:
            try:
                socket.create_connection(("127.0.0.1", self.port), timeout=1).close()
                break
            except OSError:
                if self.process.poll() is not None or time.monotonic() > deadline:
                    raise RuntimeError("nginx did not start: " + (self.dir / "error.log").read_text())
                time.sleep(0.05)
        self.proxy = "http://127.0.0.1:%d/" % self.port

    def entries(self):
        """The requests answered so far: dicts of the log fields."""
        if not self.log.exists():
            return []
        result = []
        for line in self.log.read_text().splitlines():
            msec, method, uri, status, sent, body, request_time, rng = line.split(" ", 7)
            result.append({"end": float(msec), "start": float(msec) - float(request_time), "method": method,
                           "uri": uri, "status": int(status), "bytes_sent": int(sent),
                           "body_bytes": int(body), "request_time": float(request_time),
                           "range": "" if rng == "-" else rng})
        return result

    def close(self):
        if self.process.poll() is None:
            self.process.send_signal(signal.SIGTERM)
            try:
                self.process.wait(timeout=10)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
        subprocess.run(["rm", "-rf", str(self.dir)], check=False)

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()
