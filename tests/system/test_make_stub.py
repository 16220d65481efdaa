"""tools/make-stub round trip: every stub it writes is taken by the program and
fetches the URL it printed; the names it refuses are refused with a reason
and leave nothing behind."""

import subprocess
import unittest
import urllib.parse

import harness as h

MAKE_STUB = h.ROOT / "tools/make-stub"
OUT = h.DRIVE_C / "tests/make-stub"


def make_stub(*args, out):
    return subprocess.run([str(MAKE_STUB), "--out", str(out), *args], capture_output=True, text=True,
                          timeout=300)


class MakeStub(unittest.TestCase):
    def setUp(self):
        self.ui = h.driver()
        self.site = h.Site()
        self.addCleanup(self.site.close)

    def test_written_stubs_fetch_the_printed_url(self):
        # (folder, installer, version, stub name, local file)
        for n, (folder, file, version, stub, local) in enumerate([
            ("stub/editor", "StubEditorSetup.exe", None,
             "Download-(1)(stub+editor)-StubEditorSetup.exe", "StubEditorSetup.exe"),
            ("stub", "StubSetup(x64).exe", "3.2",
             "Download-(1)(stub)-StubSetup(x64)[3.2].exe", "StubSetup(x64)[3.2].exe"),
            ("stub/a.b/c-d_e", "Stub~Tools.v2.msi", "beta 1",
             "Download-(1)(stub+a.b+c-d_e)-Stub~Tools.v2[beta 1].msi", "Stub~Tools.v2[beta 1].msi"),
        ]):
            with self.subTest(stub=stub):
                out = OUT / str(n)
                args = [folder, file] + (["--version", version] if version else [])
                result = make_stub(*args, out=out)
                self.assertEqual(result.returncode, 0, result.stderr)
                wrote, fetches = result.stdout.splitlines()
                self.assertEqual(wrote, "wrote   " + str(out / stub))
                self.assertEqual((out / stub).read_bytes(), h.PROGRAM.read_bytes())
                url = fetches.removeprefix("fetches ")
                self.assertEqual(url, h.BASE_URL + folder + "/" + file)

                path = urllib.parse.urlsplit(url).path.lstrip("/")
                data = self.site.serve(path, size=3000 + n)
                (h.TEMP / local).unlink(missing_ok=True)
                process = h.start(out / stub, site=self.site)
                self.addCleanup(h.stop, process)
                h.leave_setup(self.ui, local)
                self.assertEqual(h.finish(process), 0)
                self.assertEqual([e["method"] for e in self.site.requests(path)], ["HEAD", "GET"])
                self.assertEqual((h.TEMP / local).read_bytes(), data)

    def test_refused_names_give_a_reason_and_write_nothing(self):
        out = OUT / "refused"
        for args, reason in [
            (["c++", "Setup.exe"], 'holds "+", which the program name uses for "/"'),
            (["a)b", "Setup.exe"], 'would end the folder'),
            (["a/../b", "Setup.exe"], '"." or ".." part'),
            (["stub", "Set:up.exe"], '":", which Windows file names cannot hold'),
            (["stub", "LPT1.exe"], 'device name that Windows reserves'),
            (["stub", "Setup.exe."], 'ends in a dot or a space'),
            (["stub", "Setup#2.exe"], '"#", which would end the URL'),
            (["stub", "Setup%41.exe"], '"%", which the URL would read as the start of an escape'),
            (["stub", "Setup[2.exe"], 'do not pair up'),
            (["stub", "My Setup.exe"], 'WinINet would change the URL ' + h.BASE_URL + 'stub/My Setup.exe into '
             + h.BASE_URL + 'stub/My%20Setup.exe'),
            (["stub", "\u00dcbersetzer.exe"], 'WinINet would change the URL'),
            (["stub", "Setup.exe", "--version", "1/2"], 'version holds "/"'),
        ]:
            with self.subTest(args=args):
                result = make_stub(*args, out=out)
                self.assertEqual(result.returncode, 2, result.stdout + result.stderr)
                self.assertTrue(result.stderr.startswith("make-stub: refused: "), result.stderr)
                self.assertIn(reason, result.stderr)
                self.assertEqual(result.stdout, "")
                self.assertFalse(out.exists() and any(out.iterdir()))

    def test_relative_out_folder_is_taken_from_where_it_is_run(self):
        result = subprocess.run([str(MAKE_STUB), "--out", "make-stub/relative", "stub", "RelativeSetup.exe"],
                                cwd=h.DRIVE_C / "tests", capture_output=True, text=True, timeout=300)
        self.assertEqual(result.returncode, 0, result.stderr)
        stub = OUT / "relative" / "Download-(1)(stub)-RelativeSetup.exe"
        self.assertEqual(result.stdout.splitlines()[0], "wrote   " + str(stub))
        self.assertTrue(stub.is_file())

    def test_usage(self):
        result = make_stub("only-a-folder", out=OUT / "usage")
        self.assertEqual(result.returncode, 1)
        self.assertIn("tools/make-stub [--version V] [--out DIR] FOLDER FILE", result.stderr)


if __name__ == "__main__":
    unittest.main()
