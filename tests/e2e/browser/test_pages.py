"""What portal pages do beyond the page commands, in the real program with the real engine under
X (Xvfb and openbox): the user interface language, PDF documents, the leave-page question,
downloads, printing and file upload.

What it catches: pages or requests that do not learn the program's language, Qt's dialogs in
English, a PDF that is offered for download instead of being shown, a leave-page question that
reaches the program's page-dialog box, a size text that stays at 0.00 M, a completion reported
before the file stands whole under its final name, a broken download that leaves a file behind, a
window.print() that does not reach the print dialog or opens a second one, and a file input that
does not open the file dialog or loses the files chosen there."""

import os
import subprocess
import tempfile
import time
import unittest
import urllib.parse

from e2e_support import (OPEN_FILES_DIALOG as OPEN_FILES, PRINT_DIALOG as PRINT,
                         SAVE_AS_DIALOG as SAVE_AS, ProgramTest, page, wait_for, windows_named,
                         xdotool)

OUT_DIR = os.environ.get("CORVANE_E2E_OUT", tempfile.gettempdir())
TITLE = "Corvane pages e2e"
CERTIFICATE = os.path.join(os.path.dirname(__file__), "..", "..", "..", "outside", "portal-demo",
                           "www", "certificate.pdf")
# Big enough to hit with the mouse at the page's top left corner.
BIG = "style='position:absolute;left:0;top:0;width:600px;height:300px;font-size:40px'"


def with_pdf(handler, disposition):
    with open(CERTIFICATE, "rb") as f:
        handler.reply(f.read(), "application/pdf", (("Content-Disposition", disposition),))


def slow_body(size, chunks, pause, declared=None):
    """An answer of `size` bytes in `chunks` pieces `pause` seconds apart, announcing `declared`
    bytes (a server that lies when they differ)."""
    def answer(handler):
        handler.send_response(200)
        handler.send_header("Content-Type", "application/octet-stream")
        handler.send_header("Content-Disposition", 'attachment; filename="data.bin"')
        handler.send_header("Content-Length", str(declared or size))
        handler.end_headers()
        piece = size // chunks
        for _ in range(chunks):
            handler.wfile.write(b"x" * piece)
            handler.wfile.flush()
            time.sleep(pause)
        handler.close_connection = True
    return answer


PAGES = {
    "/start.html": page(TITLE, "<p>start</p>"),
    # What the page learns of the language, sent back in an address; a pop-up and an image
    # request too.
    "/lang.html": page(TITLE, "<img src='/pixel.png'><script>"
                       "window.open('/popup.html');"
                       "location.href = '/learned?nl=' + navigator.language + '&intl=' +"
                       " Intl.DateTimeFormat().resolvedOptions().locale;</script>"),
    "/popup.html": page("popup", "<p>popup</p>"),
    "/confirm.html": page(TITLE, "<script>setTimeout(function () {"
                          "location.href = '/answered?yes=' + confirm('继续办理吗？'); }, 200);"
                          "</script>"),
    "/show-pdf.html": page(TITLE, "<script>location.href = '/cert.pdf';</script>"),
    "/popup-pdf.html": page(TITLE, "<p>opener</p><script>window.open('/cert.pdf?popup=1');"
                            "</script>"),
    "/attached-pdf.html": page(TITLE, "<script>location.href = '/attached.pdf';</script>"),
    "/broken-pdf.html": page(TITLE, "<script>location.href = '/broken.pdf';</script>"),
    "/leave.html": page(TITLE, "<button id='b' %s onclick=\"location.href='/left.html'\">"
                        "leave</button><script>"
                        "addEventListener('beforeunload', function (e) {"
                        " e.preventDefault(); e.returnValue = 'x'; });</script>" % BIG),
    "/left.html": page(TITLE, "<p>left</p>"),
    "/slow.html": page(TITLE, "<script>location.href = '/slow.bin';</script>"),
    "/lie.html": page(TITLE, "<script>location.href = '/lie.bin';</script>"),
    "/print.html": page(TITLE, "<p>print me</p><button id='b' %s onclick='for (var i = 0; i < 100; i++)"
                        " window.print();'>print</button>" % BIG),
    "/upload.html": page(TITLE, "<input type='file' id='f' multiple %s><script>"
                         "document.getElementById('f').onchange = function () {"
                         " var names = []; for (var i = 0; i < this.files.length; i++)"
                         " names.push(this.files[i].name);"
                         " location.href = '/chosen?' + encodeURIComponent(names.join('|')); };"
                         "</script>" % BIG),
}


def routes():
    r = dict(PAGES)
    r["/cert.pdf"] = lambda h: with_pdf(h, 'inline; filename="cert.pdf"')
    r["/attached.pdf"] = lambda h: with_pdf(h, 'attachment; filename="attached.pdf"')
    r["/broken.pdf"] = lambda h: h.reply(b"%PDF-1.4\n" + b"\x00garbage" * 5000, "application/pdf")
    r["/slow.bin"] = slow_body(3 * 1024 * 1024, 6, 0.5)
    r["/lie.bin"] = slow_body(1024 * 1024, 2, 0.5, declared=2 * 1024 * 1024)
    return r


def blue_share(png):
    """The share of an image's pixels in the certificate's pure blue (its rule)."""
    return float(subprocess.run(["convert", png, "-fx", "b>0.6 && r<0.3 && g<0.3", "-format",
                                 "%[fx:mean]", "info:"],
                                capture_output=True, text=True, check=True).stdout)


def screenshot(name):
    shot = os.path.join(OUT_DIR, name)
    subprocess.run(["import", "-window", "root", shot], check=True)
    spread = subprocess.run(["convert", shot, "-format", "%[fx:standard_deviation]", "info:"],
                            capture_output=True, text=True, check=True).stdout
    return shot, float(spread)


class PortalPages(ProgramTest):
    TITLE = TITLE

    def setUp(self):
        super().setUp()
        self.portal = self.site(routes())

    def start(self, page_path):
        self.folder = self.program(self.portal.base + page_path)
        self.folder.start()

    def log(self):
        return self.folder.log()

    def click_page(self, window):
        xdotool("windowactivate", "--sync", window)
        xdotool("mousemove", "--window", window, "150", "150", "click", "1")

    def other_windows(self, window):
        return [w for w in windows_named("^%s$" % TITLE) if w != window]

    def wait_path(self, prefix, what, timeout=120):
        return wait_for(lambda: [p for p in self.portal.paths() if p.startswith(prefix)],
                        timeout, what)

    def test_pages_and_every_request_speak_chinese(self):
        self.start("/lang.html")
        learned = self.wait_path("/learned", "the page's language in an address")[0]
        query = urllib.parse.parse_qs(urllib.parse.urlsplit(learned).query)
        self.assertEqual(query["nl"], ["zh-CN"])
        self.assertEqual(query["intl"], ["zh-CN"])
        self.wait_path("/popup.html", "the pop-up's page")
        for path, headers in self.portal.headers:
            with self.subTest(path=path):
                self.assertTrue((headers.get("Accept-Language") or "").startswith("zh-CN"),
                                headers.get("Accept-Language"))
        self.assertNotIn("translation", "\n".join(self.folder.error_entries()))

    def test_page_confirm_box_in_chinese(self):
        self.start("/confirm.html")
        box = wait_for(lambda: windows_named("^系统 提示$"), 120, "the confirm box")[0]
        _, spread = screenshot("pages-message-box.png")
        self.assertGreater(spread, 0.0)
        xdotool("windowactivate", "--sync", box)
        xdotool("key", "--clearmodifiers", "Return")  # Yes has the focus
        self.assertEqual(self.wait_path("/answered", "the page's answer")[0], "/answered?yes=true")

    def test_pdf_is_shown_where_it_was_opened(self):
        self.start("/show-pdf.html")
        url = self.portal.base + "/cert.pdf"
        wait_for(lambda: "StatusBar:" + url in self.log(), 120, "the PDF's load end")
        # The viewer's title is the document's own title; the caption follows it.
        wait_for(lambda: windows_named("^Tax payment certificate$"), 120,
                 "the caption of the shown PDF")
        # The viewer draws the document some time after the load end: its blue rule on screen.
        wait_for(lambda: blue_share(screenshot("pages-pdf-shown.png")[0]) > 0.0005, 120,
                 "the document drawn in the viewer")
        self.assertEqual(windows_named(SAVE_AS), [])
        self.assertNotIn("下载文件大小", self.log())

    def test_shown_pdf_prints_as_the_document(self):
        self.start("/show-pdf.html")
        window = wait_for(lambda: windows_named("^Tax payment certificate$"), 120,
                          "the shown PDF")[0]
        # The context menu's print entry, the last one.
        xdotool("windowactivate", "--sync", window)
        xdotool("mousemove", "--window", window, "700", "500", "click", "3")
        menu_shot, _ = screenshot("pages-pdf-context-menu.png")
        xdotool("key", "Up", "Return")
        dialog = wait_for(lambda: windows_named(PRINT), 120, "the print dialog")[0]
        xdotool("windowactivate", "--sync", dialog)
        xdotool("key", "--clearmodifiers", "alt+p")
        printed = self.folder.path("down", "Tax payment certificate.pdf")
        wait_for(lambda: os.path.isfile(printed) and os.path.getsize(printed) > 0
                 and open(printed, "rb").read().rstrip().endswith(b"%%EOF"), 120,
                 "the printed document in down/")
        # The document's own page, not the viewer around it: its long blue rule is there.
        page_png = os.path.join(self.folder.dir, "printed")
        subprocess.run(["pdftoppm", "-r", "30", "-png", "-singlefile", printed, page_png],
                       check=True)
        self.assertGreater(blue_share(page_png + ".png"), 0.002,
                           "no blue rule: the viewer was printed, not the PDF")

    def test_pdf_in_a_popup_and_as_attachment(self):
        self.start("/popup-pdf.html")
        wait_for(lambda: windows_named("^Tax payment certificate$"), 120,
                 "the pop-up showing the PDF")
        self.assertEqual(len(windows_named("^%s$" % TITLE)), 1, "the main window keeps its page")
        self.assertNotIn("下载文件大小", self.log())
        # The same document sent as an attachment is a download as always.
        self.folder.process.kill()
        self.folder.process.wait()
        self.start("/attached-pdf.html")
        dialog = wait_for(lambda: windows_named(SAVE_AS), 120, "the Save As dialog")[0]
        _, spread = screenshot("pages-save-as-dialog.png")
        self.assertGreater(spread, 0.0)
        xdotool("windowactivate", "--sync", dialog)
        xdotool("key", "--clearmodifiers", "Escape")
        wait_for(lambda: not windows_named(SAVE_AS), 60, "the dialog to close")
        self.assertIsNone(self.folder.process.poll())

    def test_broken_pdf_leaves_the_window_working(self):
        self.start("/broken-pdf.html")
        wait_for(lambda: "StatusBar:" + self.portal.base + "/broken.pdf" in self.log(), 120,
                 "the broken PDF's load end")
        self.assertIsNone(self.folder.process.poll())

    def test_leave_page_question_is_the_engines_own(self):
        self.start("/leave.html")
        window = self.main_window()
        wait_for(lambda: "StatusBar:" + self.portal.base + "/leave.html" in self.log(), 120,
                 "the page to load")
        # Stay: the page is kept.
        self.click_page(window)
        # The engine's question under the page's title, beside the main window.
        question = wait_for(lambda: self.other_windows(window), 120,
                            "the engine's leave-page question")[0]
        screenshot("pages-leave-question.png")
        self.assertEqual(windows_named("^系统 提示$"), [])
        xdotool("windowactivate", "--sync", question)
        xdotool("key", "--clearmodifiers", "Escape")
        wait_for(lambda: not self.other_windows(window), 60, "the question to close")
        # Leave: the page goes, and only now.
        self.assertNotIn("/left.html", self.portal.paths())
        self.click_page(window)
        question = wait_for(lambda: self.other_windows(window), 120, "the question again")[0]
        xdotool("windowactivate", "--sync", question)
        xdotool("key", "--clearmodifiers", "Return")
        self.wait_path("/left.html", "the page to be left")
        self.assertNotIn("leave this page", self.log())

    def save_as(self, name):
        dialog = wait_for(lambda: windows_named(SAVE_AS), 120, "the Save As dialog")[0]
        target = os.path.join(self.folder.dir, "chosen", name)
        os.makedirs(os.path.dirname(target), exist_ok=True)
        xdotool("windowactivate", "--sync", dialog)
        xdotool("key", "--clearmodifiers", "ctrl+a")
        xdotool("type", "--delay", "20", target)
        xdotool("key", "Return")
        return target

    def status_texts(self):
        return [line[len("StatusBar:"):].rstrip(" ") for line in self.log().split("\r\n")
                if line.startswith("StatusBar:")]

    def test_download_size_shown_once_known_and_success_only_when_whole(self):
        self.start("/slow.html")
        self.main_window()
        target = self.save_as("slow.bin")
        box = wait_for(lambda: windows_named("^Corvane$"), 120, "the completion box")
        # The box stands only once the whole file is in place under its final name.
        self.assertEqual(os.path.getsize(target), 3 * 1024 * 1024)
        self.assertEqual(os.listdir(os.path.dirname(target)), ["slow.bin"])
        texts = self.status_texts()
        self.assertEqual(texts[0], "下载文件大小：0.00 M")  # not known when Save As is asked
        self.assertIn("下载文件大小：3.00 M", texts)
        self.assertEqual(texts[-1], "下载完成！")
        xdotool("windowactivate", "--sync", box[0])
        xdotool("key", "Return")

    def test_download_whose_server_lies_leaves_no_file(self):
        self.start("/lie.html")
        self.main_window()
        target = self.save_as("lie.bin")
        folder = os.path.dirname(target)
        wait_for(lambda: any(t.startswith("当前速度") for t in self.status_texts()), 120,
                 "the download's progress")
        # Chromium resumes a broken-off download a few times (the same target, no second
        # Save As), then gives up: the partial file goes and the status bar empties.
        wait_for(lambda: not os.listdir(folder) and self.status_texts()[-1] == "", 120,
                 "the broken download's end")
        self.assertGreater(self.portal.paths().count("/lie.bin"), 1)
        self.assertEqual(windows_named(SAVE_AS), [])
        self.assertEqual(windows_named("^Corvane$"), [])
        self.assertIsNone(self.folder.process.poll())

    def test_window_print_opens_one_dialog_proposing_the_down_folder(self):
        self.start("/print.html")
        window = self.main_window()
        wait_for(lambda: "StatusBar:" + self.portal.base + "/print.html" in self.log(), 120,
                 "the page to load")
        self.click_page(window)  # the page calls window.print() 100 times
        dialog = wait_for(lambda: windows_named(PRINT), 120, "the print dialog")
        wait_for(lambda: "Print request refused" in self.log(), 60, "the second request refused")
        self.assertEqual(len(windows_named(PRINT)), 1)
        screenshot("pages-print-dialog.png")
        xdotool("windowactivate", "--sync", dialog[0])
        xdotool("key", "--clearmodifiers", "alt+p")
        down = self.folder.path("down")
        printed = wait_for(lambda: os.path.isdir(down) and [f for f in os.listdir(down)
                                                            if f.endswith(".pdf")
                                                            and os.path.getsize(
                                                                os.path.join(down, f)) > 0],
                           60, "the page printed into down/")
        self.assertEqual(printed, [TITLE + ".pdf"])

    def test_file_input_opens_the_chinese_file_dialog_for_several_files(self):
        chosen = os.path.join(tempfile.mkdtemp(prefix="corvane-upload-"), "")
        self.cleanups.append(lambda: subprocess.run(["rm", "-rf", chosen]))
        for name in ("a.txt", "b.txt"):
            with open(chosen + name, "w") as f:
                f.write(name)
        self.start("/upload.html")
        window = self.main_window()
        wait_for(lambda: "StatusBar:" + self.portal.base + "/upload.html" in self.log(), 120,
                 "the page to load")
        # Cancelled first: nothing happens, the page stays usable.
        self.click_page(window)
        dialog = wait_for(lambda: windows_named(OPEN_FILES), 120, "the file dialog")[0]
        screenshot("pages-file-dialog.png")
        xdotool("windowactivate", "--sync", dialog)
        xdotool("key", "--clearmodifiers", "Escape")
        wait_for(lambda: not windows_named(OPEN_FILES), 60, "the dialog to close")
        # Two files at once.
        self.click_page(window)
        dialog = wait_for(lambda: windows_named(OPEN_FILES), 120, "the file dialog again")[0]
        xdotool("windowactivate", "--sync", dialog)
        xdotool("key", "--clearmodifiers", "ctrl+a")
        # Several files at once: each name in quotes, here with its whole path.
        xdotool("type", "--delay", "20", '"%sa.txt" "%sb.txt"' % (chosen, chosen))
        xdotool("key", "Return")
        got = self.wait_path("/chosen", "the chosen files in an address")[0]
        names = urllib.parse.unquote(got.split("?", 1)[1]).split("|")
        self.assertEqual(sorted(names), ["a.txt", "b.txt"])


if __name__ == "__main__":
    unittest.main()
