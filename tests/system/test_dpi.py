"""The dialogs at 96 and 144 DPI: each grows with the DPI as its template
says, and every text fits its control. Screenshots of both at both."""

import re
import time
import unittest

import harness as h

DESKTOP_KEY = r"HKCU\Control Panel\Desktop"
STATUS, TIME_LEFT, RATE = 1002, 1004, 1005
DOWNLOAD_FONT = ("MS Shell Dlg", 8)
SETUP_FONT = ("MS Sans Serif", 8)


class Dpi(unittest.TestCase):
    def setUp(self):
        self.ui = h.driver()
        self.site = h.Site()
        self.addCleanup(self.site.close)
        self.addCleanup(h.registry, "delete", DESKTOP_KEY, "/v", "LogPixels", "/f")

    def assert_texts_fit(self, hwnd, font):
        measured = self.ui.fits(hwnd, *font)
        self.assertTrue(measured)
        cut = [m for m in measured if not m[1]]
        self.assertEqual(cut, [], "texts that do not fit: (id, fits, needed, room, text)")

    def dialogs_at(self, dpi):
        """Client sizes of the running download dialog and of the setup dialog."""
        self.assertEqual(h.registry("add", DESKTOP_KEY, "/v", "LogPixels", "/t", "REG_DWORD", "/d", str(dpi),
                                    "/f"), 0)
        name = "Dpi%dSetup.exe" % dpi
        self.site.serve("dpi/" + name, size=400_000)
        program = h.install("dpi-%d" % dpi, "Download-(1)(slow-100000+dpi)-" + name)
        (h.TEMP / name).unlink(missing_ok=True)
        process = h.start(program, site=self.site)
        self.addCleanup(h.stop, process)

        def running():
            for hwnd, _, cls, caption in self.ui.list():
                if cls == "#32770" and re.fullmatch(r"\d+% of " + re.escape(name) + " Completed", caption):
                    texts = {i: c.text for i, c in self.ui.controls(hwnd).items()}
                    if texts[RATE] and texts[TIME_LEFT] and texts[STATUS]:
                        return hwnd
            return None
        download = h.until("the running download dialog", running)
        self.assert_texts_fit(download, DOWNLOAD_FONT)
        self.ui.screenshot(download, h.artifact("dpi-%d-download.png" % dpi))
        left, top, right, bottom = self.ui.client_rect(download)
        download_size = (right - left, bottom - top)

        setup = self.ui.wait(name + " - Ready For Installation", 30)
        self.assertIsNotNone(setup, "no setup dialog")
        time.sleep(0.5)  # painted
        self.assert_texts_fit(setup, SETUP_FONT)
        self.ui.screenshot(setup, h.artifact("dpi-%d-setup.png" % dpi))
        left, top, right, bottom = self.ui.client_rect(setup)
        setup_size = (right - left, bottom - top)
        self.ui.click(setup, 2)
        self.assertEqual(h.finish(process), 0)
        return download_size, setup_size

    def test_dialogs_scale_and_every_text_fits(self):
        at96 = self.dialogs_at(96)
        at144 = self.dialogs_at(144)
        for small, large in zip(at96, at144):
            for a, b in zip(small, large):
                self.assertAlmostEqual(b / a, 1.5, delta=0.12, msg="%s at 96 DPI, %s at 144" % (small, large))


if __name__ == "__main__":
    unittest.main()
