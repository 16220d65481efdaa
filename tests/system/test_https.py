"""The program built with an https base URL, under Wine and Xvfb, against
Debian's nginx serving TLS behind squid as the prefix's proxy: a download that
ends byte-identical, and certificates the platform refuses on every attempt."""

import re
import unittest

import harness as h

STATUS, SOURCE, CANCEL = 1001, 1002, 2
HOST = "download.tarvik.example"


class Https(unittest.TestCase):
    def setUp(self):
        self.ui = h.driver()

    def site(self, **kwargs):
        site = h.RealSite(**kwargs)
        self.addCleanup(site.close)
        return site

    def launch(self, site, name, folder):
        """Starts the https program for <folder>/<name> with fresh local state."""
        self.program = h.install("https-" + name, "Download-(1)(%s)-%s" % (folder, name), h.PROGRAM_HTTPS)
        (h.TEMP / name).unlink(missing_ok=True)
        self.protocol = h.Protocol()
        process = h.start(self.program, site=site)
        self.addCleanup(h.stop, process)
        return process

    def cli(self):
        return re.escape(b'CLI: "' + h.cp1252(h.windows_path(self.program)) + b'"\n')

    def test_download_over_https_through_the_proxy_is_byte_identical(self):
        site = self.site()
        name = "Secure.exe"
        data = site.serve("tls/" + name, 1_200_000)
        process = self.launch(site, name, "slow+tls")
        hwnd = h.download_window(self.ui, name)
        h.until("the running display", lambda: "% of Secure.exe Completed" in self.ui.caption(hwnd))
        self.assertEqual(self.ui.text(hwnd, SOURCE), name + " from " + HOST)
        self.assertEqual(self.ui.text(hwnd, STATUS), "Retrieving the file")
        self.ui.screenshot(hwnd, h.artifact("dialog-https.png"))

        h.leave_setup(self.ui, name)
        self.assertEqual(h.finish(process, timeout=30), 0)
        self.assertEqual((h.TEMP / name).read_bytes(), data)
        url = h.cp1252(h.HTTPS_BASE_URL + "slow/tls/" + name)
        self.assertTrue(h.in_order(self.protocol.written(), self.cli(), rb"URL:      " + re.escape(url) + b"\n",
                                   rb"Create new file .*\\Secure\.exe\n", rb"Leave Download/Install\n"))
        requests = site.requests("tls/" + name)
        self.assertEqual([(r["method"], r["status"]) for r in requests], [("HEAD", 200), ("GET", 200)])
        self.assertEqual(requests[1]["body_bytes"], len(data))

    def test_refused_certificates_end_every_attempt_and_write_nothing(self):
        """The download host presents each bad certificate in turn."""
        for cert, code in (("untrusted", 12057), ("wrong-name", 12038), ("expired", 12037)):
            with self.subTest(cert=cert):
                site = self.site(cert=cert)
                name = "Refused%s.exe" % cert.title().replace("-", "")
                site.serve("tls/" + name, 50_000)
                process = self.launch(site, name, "tls")
                hwnd = h.download_window(self.ui, name)
                h.until("the third failed attempt",
                           lambda: self.ui.text(hwnd, STATUS) == "Reconneting... (#3)")
                self.assertEqual(self.ui.text(hwnd, SOURCE), name + " from " + HOST)
                self.ui.screenshot(hwnd, h.artifact("dialog-https-%s.png" % cert))
                self.ui.click(hwnd, CANCEL)
                self.assertEqual(h.finish(process, timeout=20), 0)

                written = self.protocol.written()
                failed = rb"Failed in call to HttpSendRequest, Error:%d\n" % code
                connecting = rb"Connecting /tls/" + re.escape(h.cp1252(name)) + rb"\.\.\.\n"
                self.assertTrue(h.in_order(written, self.cli(), *[connecting, failed] * 3,
                                           rb"Leave Download/Install\n"), written)
                self.assertFalse((h.TEMP / name).exists())
                self.assertEqual(site.requests("tls/" + name), [])


if __name__ == "__main__":
    unittest.main()
