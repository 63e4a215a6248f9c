"""The demo portal server, run as the demo runs it: its own process, a port it picks, SIGTERM."""

import hashlib
import http.client
import json
import os
import signal
import subprocess
import sys
import tempfile
import time
import unittest
import urllib.parse

PORTAL = os.environ.get("PORTAL_DEMO_DIR") or os.path.join(
    os.path.dirname(__file__), "..", "..", "..", "outside", "portal-demo")
REPORT_PATH = "/zjgfdacx/app/queryVersion.do"


class PortalServerTest(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        port_file = os.path.join(self.tmp.name, "port")
        self.proc = subprocess.Popen(
            [sys.executable, os.path.join(PORTAL, "server.py"),
             "--port", "0", "--port-file", port_file],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        deadline = time.monotonic() + 30
        while not os.path.exists(port_file):
            self.assertIsNone(self.proc.poll(), "the server ended before it listened")
            self.assertLess(time.monotonic(), deadline, "no port file within 30 s")
            time.sleep(0.05)
        with open(port_file) as f:
            self.port = int(f.read())

    def tearDown(self):
        if self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait()
        self.tmp.cleanup()

    def request(self, method, path, body=None, headers=None):
        conn = http.client.HTTPConnection("127.0.0.1", self.port, timeout=30)
        conn.request(method, path, body=body, headers=headers or {})
        response = conn.getresponse()
        data = response.read()
        conn.close()
        return response, data

    def json(self, path):
        return json.loads(self.request("GET", path)[1].decode("utf-8"))

    def test_first_report_goes_round_a_302_with_a_cookie_later_ones_do_not(self):
        # The shell sends its ANSI code page (GBK); a Chinese value must still read right.
        body = '{"mac":"001A2B3C4D5E","version":"1.0.0","app_type":"1","djxh":"","nsrsbh":"税123"}'
        headers = {"Content-Type": "application/json; charset=UTF-8"}
        first, _ = self.request("POST", REPORT_PATH, body.encode("gbk"), headers)
        self.assertEqual(first.status, 302)
        cookie = first.getheader("Set-Cookie").split(";")[0]
        location = urllib.parse.urlsplit(first.getheader("Location"))
        self.assertEqual((location.hostname, location.port, location.path),
                         ("127.0.0.1", self.port, REPORT_PATH))

        followup, answer = self.request("POST", location.path + "?" + location.query,
                                        body.encode("gbk"), dict(headers, Cookie=cookie))
        self.assertEqual(followup.status, 200)
        self.assertEqual(json.loads(answer)["code"], "0")
        again, _ = self.request("POST", REPORT_PATH, body.encode("gbk"), headers)
        self.assertEqual(again.status, 200)

        reports = self.json("/reports.json")
        self.assertEqual([(r["status"], r["followup"]) for r in reports],
                         [(302, False), (200, True), (200, False)])
        self.assertEqual(reports[1]["headers"]["Cookie"], cookie)
        self.assertEqual(reports[0]["json"]["nsrsbh"], "税123")
        page = self.request("GET", "/reports")[1].decode("utf-8")
        self.assertIn("税123", page)

    def test_command_addresses_are_answered_without_content_and_noted(self):
        for path in ("/interact_%7B%22type%22%3A%22exit%22%7D", "/x/INTERACT_%7B%7D?a=1"):
            response, data = self.request("GET", path)
            self.assertEqual((response.status, data), (204, b""), path)
        self.assertEqual([c["address"] for c in self.json("/commands.json")],
                         ["/interact_%7B%22type%22%3A%22exit%22%7D", "/x/INTERACT_%7B%7D?a=1"])

    def test_download_is_an_attachment_with_its_chinese_name_and_stated_content(self):
        for item in self.json("/downloads.json"):
            response, data = self.request("GET", item["url"])
            self.assertEqual(response.status, 200)
            disposition = response.getheader("Content-Disposition")
            self.assertTrue(disposition.startswith("attachment;"), disposition)
            encoded = disposition.split("filename*=UTF-8''", 1)[1]
            self.assertEqual(urllib.parse.unquote(encoded, encoding="utf-8"), item["name"])
            self.assertEqual((len(data), hashlib.sha256(data).hexdigest()),
                             (item["size"], item["sha256"]))

    def test_pages_are_served_and_nothing_outside_the_root(self):
        response, data = self.request("GET", "/")
        self.assertEqual(response.getheader("Content-Type"), "text/html; charset=utf-8")
        self.assertIn("<title>电子税务局演示门户 Corvane Demo Portal</title>", data.decode("utf-8"))
        for path in ("/../server.py", "/%2e%2e/server.py", "/..%2fserver.py"):
            self.assertEqual(self.request("GET", path)[0].status, 404, path)

    def test_certificate_is_a_pdf_to_show_not_an_attachment(self):
        response, data = self.request("GET", "/certificate.pdf")
        self.assertEqual(response.status, 200)
        self.assertEqual(response.getheader("Content-Type"), "application/pdf")
        self.assertIsNone(response.getheader("Content-Disposition"))
        with open(os.path.join(PORTAL, "www", "certificate.pdf"), "rb") as f:
            self.assertEqual(data, f.read())
        self.assertTrue(data.startswith(b"%PDF-"))

    def test_sigterm_stops_the_server(self):
        self.proc.send_signal(signal.SIGTERM)
        self.assertEqual(self.proc.wait(timeout=30), 0)


if __name__ == "__main__":
    unittest.main()
