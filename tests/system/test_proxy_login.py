"""Behind a proxy that asks for a login (Debian's squid with its
basic_ncsa_auth helper): the system's own login dialog, owned by the
download dialog, driven from outside under Xvfb."""

import re
import unittest

import harness as h

USER_EDIT, PASSWORD_EDIT, OK, CANCEL = 1027, 1028, 1, 2
LOGIN_CAPTION = "Enter Network Password"  # Wine's English dialog
HELP_URL = "http://www.tarvik.example/download-manager-help.html"
USER, PASSWORD = h.realservers.USER, h.realservers.PASSWORD
LOGIN_LINE = rb"\x07" + h.STAMP + rb"Proxy authentication required, Status Code:407\n"


class ProxyLogin(unittest.TestCase):
    def setUp(self):
        self.ui = h.driver()
        self.site = h.RealSite(login=True)
        self.addCleanup(self.site.close)

    def launch(self, source, name, folder="tls"):
        self.program = h.install("login-" + name, "Download-(1)(%s)-%s" % (folder, name), source)
        (h.TEMP / name).unlink(missing_ok=True)
        self.protocol = h.Protocol()
        process = h.start(self.program, site=self.site)
        self.addCleanup(h.stop, process)
        return process

    def cli(self):
        return re.escape(b'CLI: "' + h.cp1252(h.windows_path(self.program)) + b'"\n')

    def login_dialog(self, after=None):
        """The login dialog (a new one when `after` is the last one)."""
        if after is not None:
            self.assertTrue(self.ui.gone(after, 15), "the login dialog stayed")
        hwnd = self.ui.wait(LOGIN_CAPTION, 30)
        self.assertIsNotNone(hwnd, "no login dialog")
        texts = {c.id: c.text for c in self.ui.controls_list(hwnd)}
        self.assertEqual((texts[USER_EDIT], texts[PASSWORD_EDIT]), ("", ""))
        return hwnd

    def answer(self, hwnd, user, password):
        self.ui.settext(hwnd, USER_EDIT, user)
        self.ui.settext(hwnd, PASSWORD_EDIT, password)
        self.ui.click(hwnd, OK)

    def assert_no_login_written(self, written):
        for secret in (USER, PASSWORD, "Wrong-pw-123"):
            self.assertNotIn(h.cp1252(secret), written)

    def test_wrong_login_asks_again_and_the_right_one_downloads(self):
        """Over https (a CONNECT) with the https build, and over http with the shipped one."""
        for source, name in ((h.PROGRAM_HTTPS, "LoginTls.exe"), (h.PROGRAM, "LoginPlain.exe")):
            with self.subTest(name=name):
                data = self.site.serve("tls/" + name, 300_000)
                process = self.launch(source, name)
                hwnd = self.login_dialog()
                if source == h.PROGRAM_HTTPS:
                    self.ui.screenshot(hwnd, h.artifact("proxy-login.png"))
                self.answer(hwnd, USER, "Wrong-pw-123")
                hwnd = self.login_dialog(after=hwnd)
                self.answer(hwnd, USER, PASSWORD)

                h.leave_setup(self.ui, name)
                self.assertEqual(h.finish(process, timeout=30), 0)
                self.assertEqual((h.TEMP / name).read_bytes(), data)
                written = self.protocol.written()
                self.assertTrue(h.in_order(written, self.cli(), LOGIN_LINE, LOGIN_LINE,
                                           rb"Create new file .*\\" + re.escape(h.cp1252(name)) + b"\n",
                                           rb"Leave Download/Install\n"), written)
                self.assert_no_login_written(written)
                self.assertEqual([r["method"] for r in self.site.requests("tls/" + name)], ["HEAD", "GET"])

    def test_cancelled_login_ends_the_download_with_one_error_box(self):
        name = "LoginCancelled.exe"
        self.site.serve("tls/" + name, 100_000)
        opened = len(h.opened_urls())
        process = self.launch(h.PROGRAM_HTTPS, name)
        hwnd = self.login_dialog()
        self.ui.click(hwnd, CANCEL)

        caption = name + h.TITLE_SUFFIX
        box, text = self.ui.message_box(caption, timeout=20)
        self.assertIsNotNone(box, "no error box")
        self.assertEqual(text, "Failed to receive a valid HTTP response from the server")
        self.assertEqual(len([w for w in self.ui.list() if w[3] == caption]), 1)
        self.assertEqual([w for w in self.ui.list() if w[3] == LOGIN_CAPTION], [])
        self.ui.screenshot(box, h.artifact("proxy-login-cancelled.png"))
        self.ui.answer(box)
        self.assertEqual(h.finish(process), 0)

        written = self.protocol.written()
        self.assertTrue(h.in_order(written, self.cli(), LOGIN_LINE,
                                   rb"Failed to retrieve a HTTP 200 status, Status Code:407\n",
                                   h.STAMP + rb"On Clicked 'Help'\n", rb"Leave Download/Install\n"), written)
        # One attempt: the login is not asked for again.
        self.assertEqual(written.count(b"Connecting /tls/LoginCancelled.exe...\n"), 1)
        self.assert_no_login_written(written)
        self.assertFalse((h.TEMP / name).exists())
        self.assertEqual(self.site.requests("tls/" + name), [])
        h.wait_for(lambda: h.opened_urls()[opened:] == [HELP_URL], 10, "the help page")


if __name__ == "__main__":
    unittest.main()
