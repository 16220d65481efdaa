"""The download dialog for real: the program under Wine and Xvfb against a
test server, watched and operated from outside by the UI driver."""

import re
import time
import unittest

import harness as h

STATUS, SOURCE, PROGRESS, TIME_LEFT, RATE = 1001, 1002, 1003, 1004, 1005
CANCEL, HOLD = 2, 1007
HOST = "download.tarvik.example"
HELP_URL = "http://www.tarvik.example/download-manager-help.html"


class DownloadDialog(unittest.TestCase):
    def setUp(self):
        self.ui = h.driver()
        self.site = h.Site()
        self.addCleanup(self.site.close)

    def begin(self, name, size, faults="", folder="dlg"):
        """Serves dlg/<name>, starts its program with fresh local state."""
        data = self.site.serve(folder + "/" + name, size) if size is not None else None
        group = "+".join(([faults] if faults else []) + [folder])
        program = h.install("dialog-" + name, "Download-(1)(%s)-%s" % (group, name))
        (h.TEMP / name).unlink(missing_ok=True)
        self.protocol = h.Protocol()
        self.program = program
        return data, program

    def ran(self, *patterns):
        """This test's program wrote these lines, in order, after its CLI line."""
        cli = re.escape(b'CLI: "' + h.cp1252(h.windows_path(self.program)) + b'"\n')
        return h.in_order(self.protocol.written(), cli, *patterns)

    def launch(self, program, **kwargs):
        process = h.start(program, site=self.site, **kwargs)
        self.addCleanup(h.stop, process)
        return process

    def window(self, name, timeout=15):
        return h.download_window(self.ui, name, timeout,
                                 lambda hwnd: self.ui.text(hwnd, SOURCE) in ("", name + " from " + HOST))

    def controls(self, hwnd):
        return {i: c.text for i, c in self.ui.controls(hwnd).items()}

    def test_download_shows_its_progress_and_ends_complete(self):
        name = "Progress.exe"
        data, program = self.begin(name, 1_500_000, faults="slow-300000")
        process = self.launch(program)
        hwnd = self.window(name)
        if self.ui.caption(hwnd) == "Connecting ...":
            self.ui.screenshot(hwnd, h.artifact("dialog-connecting.png"))
        statuses = set()

        def running():
            texts = self.controls(hwnd)
            statuses.add(texts[STATUS])
            caption = self.ui.caption(hwnd)
            return re.fullmatch(r"\d+% of Progress\.exe Completed", caption) and texts[RATE] and texts
        texts = h.until("the running display", running)
        self.assertEqual(texts[SOURCE], "Progress.exe from " + HOST)
        self.assertEqual(texts[STATUS], "Retrieving the file")
        self.assertRegex(texts[RATE], r"^\d+(\.\d\d)? (KB|Bytes)/Second$")
        self.assertRegex(texts[TIME_LEFT], r"^(\d+ Seconds )?\(\d+\.\d (KB|MB) of 1\.43 MB copied\)$")
        self.assertEqual(texts[1014], "Estimated time left:")
        self.assertEqual(texts[1015], "Transfer rate:")
        self.assertEqual(texts[CANCEL], "Cancel")
        self.assertEqual(texts[HOLD], "Hold download")
        self.assertGreater(int(self.ui.controls(hwnd)[PROGRESS].extra), 0)
        self.assertFalse(self.ui.controls(hwnd)[1018].visible)  # Help is never shown
        self.ui.screenshot(hwnd, h.artifact("dialog-running.png"))

        h.leave_setup(self.ui, name)
        self.assertEqual(h.finish(process, timeout=30), 0)
        self.assertEqual((h.TEMP / name).read_bytes(), data)
        self.assertTrue(statuses <= {"", "Getting file information", "Retrieving the file"}, statuses)
        self.assertTrue(self.ran(rb"Create new file .*\\Progress\.exe\n", rb"Leave Download/Install\n"))

    def test_hold_pauses_and_resumes(self):
        name = "Holding.exe"
        data, program = self.begin(name, 1_200_000, faults="slow-200000")
        process = self.launch(program)
        hwnd = self.window(name)
        h.until("the first progress", lambda: "% of" in self.ui.caption(hwnd))
        self.ui.click(hwnd, HOLD)
        h.until("the hold", lambda: self.ui.text(hwnd, STATUS) == "Download holded")
        h.until("the hold caption", lambda: self.ui.caption(hwnd) == "Holding.exe - Download holded")
        self.assertEqual(self.ui.controls(hwnd)[HOLD].checked, 1)
        held = self.ui.controls(hwnd)[PROGRESS].extra
        self.ui.screenshot(hwnd, h.artifact("dialog-hold.png"))
        time.sleep(1.5)
        texts = self.ui.controls(hwnd)
        self.assertEqual(texts[PROGRESS].extra, held)
        self.assertRegex(texts[TIME_LEFT].text, r"^ \(.* of 1\.14 MB copied\)$")
        self.assertEqual(self.ui.caption(hwnd), "Holding.exe - Download holded")

        self.ui.click(hwnd, HOLD)
        h.until("the transfer again", lambda: self.ui.text(hwnd, STATUS) == "Retrieving the file")
        h.leave_setup(self.ui, name)
        self.assertEqual(h.finish(process, timeout=30), 0)
        self.assertEqual((h.TEMP / name).read_bytes(), data)
        written = self.protocol.written()
        self.assertRegex(written, h.STAMP + rb"On Clicked 'Hold Download' New Status=Hold\n")
        self.assertRegex(written, h.STAMP + rb"On Clicked 'Hold Download' New Status=Running\n")

    def test_cancel_keeps_the_partial_file_and_the_next_start_resumes_it(self):
        name = "Cancelled.exe"
        data, program = self.begin(name, 3_000_000, faults="slow-150000")
        process = self.launch(program)
        hwnd = self.window(name)
        h.until("the first progress", lambda: "% of" in self.ui.caption(hwnd))
        self.ui.click(hwnd, CANCEL)
        try:
            texts = self.ui.controls(hwnd)
            if texts[STATUS].text == "Aborting transfer":
                self.assertFalse(texts[CANCEL].enabled)
                self.ui.screenshot(hwnd, h.artifact("dialog-cancelling.png"))
        except h.DriverError:
            pass  # already gone
        self.assertEqual(h.finish(process), 0)
        self.assertFalse([w for w in self.ui.list() if name in w[3]])  # no message box
        self.assertTrue(self.ran(b"\x07" + h.STAMP + rb"Cancel\.\.\.\n", rb"Leave Download/Install\n"))
        partial = (h.TEMP / name).read_bytes()
        self.assertLess(len(partial), len(data))
        self.assertEqual(partial, data[:len(partial)])
        self.assertTrue((h.DESKTOP / "Cancelled.lnk").exists())

        # The desktop shortcut starts the same program, which goes on where it stopped.
        protocol = h.Protocol()
        process = self.launch(program)
        h.leave_setup(self.ui, name)
        self.assertEqual(h.finish(process, timeout=30), 0)
        self.assertEqual((h.TEMP / name).read_bytes(), data)
        self.assertIn(b"Open file for append ", protocol.written())
        self.assertEqual(self.site.requests("dlg/" + name)[-1]["range"], "bytes=%d-" % len(partial))

    def test_closing_the_window_cancels_without_the_cancel_line(self):
        name = "Closed.exe"
        data, program = self.begin(name, 3_000_000, faults="slow-150000")
        process = self.launch(program)
        hwnd = self.window(name)
        h.until("the first progress", lambda: "% of" in self.ui.caption(hwnd))
        self.ui.close(hwnd)
        self.assertEqual(h.finish(process), 0)
        self.assertTrue(self.ran(rb"Leave Download/Install\n"))
        self.assertNotIn(b"Cancel...", self.protocol.written())
        self.assertLess((h.TEMP / name).stat().st_size, len(data))

    def test_cancel_in_each_phase_ends_the_dialog(self):
        """Pausing between attempts, on hold, and at once after the start."""
        cases = [
            ("PhasePause.exe", "status-500", lambda hwnd: h.until(
                "a reconnect", lambda: self.ui.text(hwnd, STATUS).startswith("Reconneting... (#"))),
            ("PhaseHold.exe", "slow-100000", lambda hwnd: (
                h.until("progress", lambda: "% of" in self.ui.caption(hwnd)),
                self.ui.click(hwnd, HOLD),
                h.until("the hold", lambda: self.ui.text(hwnd, STATUS) == "Download holded"))),
            ("PhaseStart.exe", "slow-100000", lambda hwnd: None),
        ]
        for name, faults, reach in cases:
            with self.subTest(phase=name):
                _, program = self.begin(name, 2_000_000, faults=faults)
                process = self.launch(program)
                hwnd = self.window(name)
                reach(hwnd)
                cancelled = time.monotonic()
                self.ui.click(hwnd, CANCEL)
                self.assertEqual(h.finish(process, timeout=15), 0)
                self.assertLess(time.monotonic() - cancelled, 5)
                self.assertTrue(self.ran(rb"Leave Download/Install\n"))

    def test_cancel_while_the_server_stalls_waits_for_the_read_to_give_up(self):
        name = "Stalled.exe"
        _, program = self.begin(name, 2_000_000, faults="stall-100000")
        process = self.launch(program)
        hwnd = self.window(name)
        h.until("the stall", lambda: "% of" in self.ui.caption(hwnd))
        cancelled = time.monotonic()
        self.ui.click(hwnd, CANCEL)
        h.until("the cancelling state", lambda: self.ui.text(hwnd, STATUS) == "Aborting transfer", 5)
        self.ui.screenshot(hwnd, h.artifact("dialog-cancelling-stalled.png"))
        self.assertEqual(h.finish(process, timeout=60), 0)
        took = time.monotonic() - cancelled
        print("cancel during a stalled read ended the dialog after %.1f s" % took)
        self.assertLess(took, 40)


class FailedDownload(unittest.TestCase):
    def test_one_error_box_then_the_help_page(self):
        ui = h.driver()
        name = "Failing.exe"
        program = h.install("dialog-failing", "Download-(1)(dlg)-" + name)
        protocol = h.Protocol()
        opened = len(h.opened_urls())
        # Nothing listens at the proxy: the first attempt is the last.
        process = h.start(program, env={"http_proxy": "http://127.0.0.1:1/"})
        self.addCleanup(h.stop, process)
        caption = name + h.TITLE_SUFFIX
        hwnd, text = ui.message_box(caption, timeout=20)
        self.assertIsNotNone(hwnd, "no error box")
        self.assertTrue(text.startswith("No Internet connection!\n\nNo Internet connection was found."), text)
        self.assertTrue(text.endswith("\n\nAn error occurred connecting to the server, Error:12029"), text)
        self.assertEqual(len([w for w in ui.list() if w[3] == caption]), 1)
        ui.screenshot(hwnd, h.artifact("dialog-failed.png"))
        ui.answer(hwnd)
        self.assertEqual(h.finish(process), 0)

        written = protocol.written()
        cli = re.escape(b'CLI: "' + h.cp1252(h.windows_path(program)) + b'"\n')
        self.assertTrue(h.in_order(written, cli, rb"Failed in call to HttpSendRequest, Error:12029\n",
                                   h.STAMP + rb"On Clicked 'Help'\n", rb"Leave Download/Install\n"), written)
        self.assertNotIn(b"Error:\nNo Internet", written)  # the engine's failure is no error block
        h.wait_for(lambda: h.opened_urls()[opened:] == [HELP_URL], 10, "the help page")
        self.assertTrue((h.DESKTOP / "Failing.lnk").exists())


if __name__ == "__main__":
    unittest.main()
