#!/usr/bin/env python3
"""Walks the demo portal in a real Corvane like a person would, on an X server without a screen.

The X server (Xvfb) and the window manager (openbox) are running already; DISPLAY names them.
The walk starts Corvane from the prepared program folder, then clicks and types through xdotool.
The portal's page (loaded with "walk=1") only tells the walk where an element is on screen and
what a dialog call returned; everything else the walk checks from the outside: windows and their
titles, the reports the portal server received, the saved files, qvprm.ini, the log and the exit
code. One line per step; exit code 0 only when every step did what it should.
"""

import argparse
import configparser
import glob
import hashlib
import json
import os
import re
import subprocess
import sys
import time
import urllib.request


class StepFailed(Exception):
    pass


def regex_exact(text):
    """An anchored POSIX extended regular expression that matches the text literally."""
    return "^" + re.sub(r"([\\^$.|?*+()\[\]{}])", r"\\\1", text) + "$"


class Walk:
    def __init__(self, args):
        self.program = os.path.abspath(args.program)
        self.portal = args.portal.rstrip("/")
        self.out = os.path.abspath(args.out)
        self.title = args.title
        self.nsrsbh = args.nsrsbh
        self.clientlx = args.clientlx
        self.version = args.version
        self.proc = None
        self.main_window = None
        self.events = []
        self.shots = 0
        os.makedirs(self.out, exist_ok=True)

    # -- the outside world ---------------------------------------------------------------------

    def xdotool(self, *args):
        r = subprocess.run(["xdotool", *args], capture_output=True, text=True, timeout=60)
        return r.stdout.strip()

    def windows(self, name=None):
        """Visible windows of Corvane's process, optionally only those whose title matches."""
        args = ["search", "--all", "--onlyvisible", "--pid", str(self.proc.pid)]
        args += ["--name", name if name is not None else ""]
        return [w for w in self.xdotool(*args).split() if w]

    def window_name(self, window):
        return self.xdotool("getwindowname", window)

    def screenshot(self, label):
        self.shots += 1
        path = os.path.join(self.out, "%02d-%s.png" % (self.shots, label))
        subprocess.run(["import", "-window", "root", path], capture_output=True, timeout=60)
        return os.path.relpath(path)

    def http(self, path, data=None):
        body = None if data is None else json.dumps(data).encode("utf-8")
        request = urllib.request.Request(self.portal + path, data=body,
                                         method="POST" if body else "GET")
        if body:
            request.add_header("Content-Type", "application/json")
        with urllib.request.urlopen(request, timeout=30) as r:
            text = r.read().decode("utf-8")
        return json.loads(text) if text else None

    def wait_for(self, what, timeout, interval=0.25):
        """Polls `what` until it returns something true; gives up (returns None) after `timeout`."""
        deadline = time.monotonic() + timeout
        while True:
            value = what()
            if value:
                return value
            if self.proc is not None and self.proc.poll() is not None and what is not self.exited:
                raise StepFailed("Corvane ended unexpectedly with exit code %d"
                                 % self.proc.returncode)
            if time.monotonic() >= deadline:
                return None
            time.sleep(interval)

    def exited(self):
        return self.proc.poll() is not None

    def fetch_events(self):
        self.events += self.http("/walk/events.json?since=%d" % len(self.events))
        return self.events

    def wait_event(self, match, timeout, description):
        def look():
            return next((e for e in self.fetch_events() if match(e)), None)

        event = self.wait_for(look, timeout)
        if event is None:
            raise StepFailed("the page did not report %s within %d s" % (description, timeout))
        return event

    def result_of(self, element):
        return next((e for e in self.fetch_events()
                     if e.get("type") == "result" and e.get("name") == element), None)

    # -- acting like a person ------------------------------------------------------------------

    def click(self, element):
        """Asks the page where the element is, then clicks its middle with the mouse."""
        action = self.http("/walk/action", {"locate": element})
        rect = self.wait_event(lambda e: e.get("type") == "rect" and e.get("seq") == action["seq"],
                               30, "where %s is" % element)
        if rect.get("missing"):
            raise StepFailed("the page has no element %s" % element)
        ratio = rect.get("ratio") or 1
        x = int((rect["x"] + rect["w"] / 2) * ratio)
        y = int((rect["y"] + rect["h"] / 2) * ratio)
        # Relative to the main window's client area, where the browser view begins (the hidden
        # navigation log takes no room). getwindowgeometry is not used: it counts the window
        # manager's frame twice.
        self.xdotool("windowactivate", "--sync", self.main_window)
        self.xdotool("mousemove", "--window", self.main_window, str(x), str(y))
        self.xdotool("click", "1")

    def press(self, window, *keys):
        self.xdotool("windowactivate", "--sync", window)
        self.xdotool("key", "--clearmodifiers", *keys)

    def wait_window(self, name, timeout, description):
        found = self.wait_for(lambda: self.windows(regex_exact(name)), timeout)
        if not found:
            raise StepFailed("no window %s (\"%s\") within %d s" % (description, name, timeout))
        return found[0]

    def wait_new_window(self, before, timeout, description):
        """A window of Corvane that was not there before and now has the input focus."""
        def look():
            active = self.xdotool("getactivewindow")
            fresh = set(self.windows()) - before
            return active if active in fresh else None

        window = self.wait_for(look, timeout)
        if window is None:
            raise StepFailed("no %s appeared within %d s" % (description, timeout))
        return window

    def wait_gone(self, window, timeout):
        return self.wait_for(lambda: window not in self.windows(), timeout)

    def tidy_up(self):
        """After a failed step: closes whatever box or dialog it left open, so the walk goes on."""
        if self.proc is None or self.proc.poll() is not None or self.main_window is None:
            return
        for _ in range(5):
            extra = [w for w in self.windows() if w != self.main_window]
            if not extra:
                return
            for w in extra:
                self.press(w, "Escape")
            time.sleep(1)

    # -- steps ---------------------------------------------------------------------------------

    def step_start(self):
        output = open(os.path.join(self.out, "corvane-output.log"), "wb")
        # Started from the output folder, not the program folder: the program finds its files
        # beside its executable whatever the current directory is.
        self.proc = subprocess.Popen([os.path.join(self.program, "corvane")], cwd=self.out,
                                     stdout=output, stderr=subprocess.STDOUT)
        self.main_window = self.wait_window(self.title, 180, "with the page title as caption")
        ready = self.wait_event(lambda e: e.get("type") == "ready", 60, "that it was loaded")
        shot = self.screenshot("start")
        return "main window \"%s\" (pid %d) shows %s; %s" % (
            self.window_name(self.main_window), self.proc.pid, ready["address"], shot)

    def step_login(self):
        self.click("nsrsbh")
        self.xdotool("type", "--delay", "60", self.nsrsbh)
        self.xdotool("key", "Return")

        def reports():
            done = [r for r in self.http("/reports.json")
                    if (r.get("json") or {}).get("nsrsbh") == self.nsrsbh]
            return done if any(r["status"] == 200 for r in done) else None

        received = self.wait_for(reports, 60)
        if not received:
            raise StepFailed("the portal server received no report with nsrsbh %s" % self.nsrsbh)
        final = next(r for r in received if r["status"] == 200)
        body = final["json"]
        expected = {"version": self.version, "app_type": self.clientlx, "djxh": "",
                    "nsrsbh": self.nsrsbh}
        wrong = {k: body.get(k) for k, v in expected.items() if body.get(k) != v}
        if wrong or list(body) != ["mac", "version", "app_type", "djxh", "nsrsbh"]:
            raise StepFailed("report body %s differs from what was configured (%s)"
                             % (final["body"], wrong))
        first = received[0]
        route = "answered directly"
        if first["status"] == 302:
            cookie = final["headers"].get("Cookie", "")
            if not final["followup"] or "corvane_demo_session=" not in cookie:
                raise StepFailed("the follow-up after the 302 did not carry the portal's cookie "
                                 "(Cookie: %r)" % cookie)
            route = "via a 302 with a cookie, the follow-up carried it"

        qvprm = os.path.join(self.program, "HISUPDATE", "qvprm.ini")

        def stored():
            parser = configparser.ConfigParser(interpolation=None)
            try:
                parser.read(qvprm, encoding="gbk")
                return parser.get("parms", "nsrsbh", fallback=None) == self.nsrsbh
            except (configparser.Error, UnicodeDecodeError):
                return False

        if not self.wait_for(stored, 30):
            raise StepFailed("%s does not hold nsrsbh=%s" % (qvprm, self.nsrsbh))
        shot = self.screenshot("login")
        return "typed %s; server got %s %s; qvprm.ini nsrsbh=%s; %s" % (
            self.nsrsbh, final["body"], route, self.nsrsbh, shot)

    def download_info(self, key):
        return next(d for d in self.http("/downloads.json") if d["key"] == key)

    def check_saved(self, info):
        path = os.path.join(self.program, "down", info["name"])

        def complete():
            return os.path.isfile(path) and os.path.getsize(path) == info["size"]

        if not self.wait_for(complete, 30):
            folder = os.path.dirname(path)
            found = os.listdir(folder) if os.path.isdir(folder) else []
            raise StepFailed("%s was not saved with %d bytes (down/ holds %s)"
                             % (path, info["size"], found))
        with open(path, "rb") as f:
            digest = hashlib.sha256(f.read()).hexdigest()
        if digest != info["sha256"]:
            raise StepFailed("%s differs from what the portal sent" % path)
        return path

    def save_as_and_confirm(self, before, label):
        dialog = self.wait_new_window(before, 60, "Save As dialog")
        shot_dialog = self.screenshot(label + "-save-as")
        # The dialog proposes the program folder's down/ and the server's file name: accept it.
        self.press(dialog, "Return")
        done = self.wait_window("Corvane", 120, "saying the download is complete")
        shot_done = self.screenshot(label + "-done")
        self.press(done, "Return")
        if not self.wait_gone(done, 20):
            raise StepFailed("the completion box did not close")
        return shot_dialog, shot_done

    def step_download(self):
        info = self.download_info("declaration")
        before = set(self.windows())
        self.click("link-download")
        shots = self.save_as_and_confirm(before, "download")
        path = self.check_saved(info)
        return "Save As accepted, \"下载成功\" shown, %s saved (%d bytes, same content); " \
               "%s, %s" % (os.path.relpath(path, self.program), info["size"], *shots)

    def step_download_window(self):
        info = self.download_info("invoices")
        before = set(self.windows())
        self.click("link-download-window")
        shots = self.save_as_and_confirm(before, "download-window")
        path = self.check_saved(info)
        if not self.wait_for(lambda: set(self.windows()) <= before, 30):
            raise StepFailed("the empty window opened for the download is still there")
        return "new empty window opened, %s saved, the empty window closed; %s, %s" % (
            os.path.relpath(path, self.program), *shots)

    def step_popup(self):
        self.click("btn-popup")
        name = "演示弹出窗口 Demo pop-up window"
        popup = self.wait_window(name, 60, "of the pop-up")
        caption = self.window_name(self.main_window)
        if caption != self.title:
            raise StepFailed("the main window's caption changed to \"%s\"" % caption)
        shot = self.screenshot("popup")
        self.xdotool("windowactivate", "--sync", popup)
        self.xdotool("key", "alt+F4")  # closed as a user closes it, through the window manager
        if not self.wait_gone(popup, 30):
            raise StepFailed("the pop-up did not close on Alt+F4")
        if self.main_window not in self.windows():
            raise StepFailed("the main window went away with the pop-up")
        return "pop-up \"%s\" opened, main caption stayed \"%s\", Alt+F4 closed the pop-up; %s" % (
            name, caption, shot)

    def step_commands(self):
        sent = []
        for element in ("btn-startmonitor", "btn-zmxy", "btn-printjhd", "btn-playmedia"):
            known = len(self.http("/commands.json"))
            self.click(element)
            arrived = self.wait_for(lambda: self.http("/commands.json")[known:], 30)
            if not arrived:
                raise StepFailed("the navigation of %s never reached the portal" % element)
            sent.append(arrived[0]["address"])
        if self.window_name(self.main_window) != self.title:
            raise StepFailed("the main window lost its caption")
        playmedia = sent[-1]
        if "%25E6%25AC%25A2" not in playmedia:
            raise StepFailed("the playmedia argument is not encoded twice: %s" % playmedia)
        return "startmonitor, zmxy, printjhd and playmedia reached the portal (command " \
               "navigations go on); playmedia's argument was encoded twice (%s…)" % playmedia[:64]

    def step_alert_noshow(self):
        self.click("btn-alert-noshow")
        self.wait_event(lambda e: e.get("name") == "btn-alert-noshow", 30,
                        "that the alert returned")
        if self.windows(regex_exact("系统 提示")):
            raise StepFailed("a box was shown for an alert with the QVXX_noShow_ prefix")
        return "alert(\"QVXX_noShow_…\") returned at once, no box shown"

    def step_alert(self):
        self.click("btn-alert")
        box = self.wait_window("系统 提示", 30, "with the alert")
        time.sleep(1)
        if self.result_of("btn-alert"):
            raise StepFailed("the page went on while the alert box was open")
        shot = self.screenshot("alert")
        self.press(box, "Return")
        self.wait_event(lambda e: e.get("name") == "btn-alert", 30, "that the alert returned")
        return "box \"系统 提示\" shown, the page waited until the walk pressed OK; %s" % shot

    def step_confirm_noshow(self):
        self.click("btn-confirm-noshow")
        event = self.wait_event(lambda e: e.get("name") == "btn-confirm-noshow", 30,
                                "the confirm's answer")
        if event.get("value") is not True:
            raise StepFailed("confirm with the prefix answered %r, not true" % event.get("value"))
        # An info-level diagnostic: its first line ends in "info: ", the second holds the text.
        text = "自动确认 confirmed without asking"
        entry = ", info: \r\n%s \r\n" % text
        if not self.wait_for(lambda: self.log_contains(entry), 20):
            raise StepFailed("the log has no info entry \"%s\"" % text)
        return "confirm(\"QVXX_noShow_…\") answered true without a box; the log has the info " \
               "entry \"%s\"" % text

    def step_confirm(self):
        self.click("btn-confirm")
        box = self.wait_window("系统 提示", 30, "with the question")
        shot = self.screenshot("confirm")
        self.press(box, "Escape")  # Escape is the box's No
        event = self.wait_event(lambda e: e.get("name") == "btn-confirm", 30,
                                "the confirm's answer")
        if event.get("value") is not False:
            raise StepFailed("No answered %r, not false" % event.get("value"))
        return "box \"系统 提示\" with Yes/No shown; No gave false to the page; %s" % shot

    def step_prompt(self):
        self.click("btn-prompt")
        box = self.wait_window("系统提示", 30, "saying prompts are not supported")
        shot = self.screenshot("prompt")
        before = set(self.windows())
        self.press(box, "Return")
        if not self.wait_gone(box, 20):
            raise StepFailed("the box did not close")
        answer = "8888"
        dialog = self.wait_new_window(before - {box}, 30, "engine input box after the message")
        self.xdotool("type", "--delay", "60", answer)
        self.press(dialog, "Return")
        event = self.wait_event(lambda e: e.get("name") == "btn-prompt", 30, "the prompt's answer")
        if event.get("value") != answer:
            raise StepFailed("prompt returned %r, not the typed %r" % (event.get("value"), answer))
        return "box \"系统提示\" first, then the engine's input box; typed %s came back; %s" % (
            answer, shot)

    def step_exit(self):
        self.click("btn-exit")
        if not self.wait_for(self.exited, 60):
            raise StepFailed("Corvane was still running 60 s after the exit command")
        if self.proc.returncode != 0:
            raise StepFailed("Corvane ended with exit code %d" % self.proc.returncode)
        line = "[debug]log4me:application stoping....\r\n"
        if not self.log_contains(line):
            raise StepFailed("the log has no closing line \"%s\"" % line.strip())
        return "Corvane ended with exit code 0; the log has its closing line \"%s\"" % line.strip()

    def log_contains(self, text):
        wanted = text.encode("gbk")
        for path in glob.glob(os.path.join(self.program, "logs", "*.log")):
            with open(path, "rb") as f:
                if wanted in f.read():
                    return True
        return False

    # -- the walk ------------------------------------------------------------------------------

    def run(self):
        steps = [
            ("start", self.step_start),
            ("login report", self.step_login),
            ("download", self.step_download),
            ("download in a new window", self.step_download_window),
            ("pop-up", self.step_popup),
            ("text commands", self.step_commands),
            ("alert with prefix", self.step_alert_noshow),
            ("alert", self.step_alert),
            ("confirm with prefix", self.step_confirm_noshow),
            ("confirm", self.step_confirm),
            ("prompt", self.step_prompt),
            ("exit", self.step_exit),
        ]
        failed = 0
        for number, (name, step) in enumerate(steps, 1):
            if number > 1 and (self.main_window is None or self.proc.poll() is not None):
                print("skip %2d %s: Corvane is not running" % (number, name), flush=True)
                failed += 1
                continue
            try:
                print("ok   %2d %s: %s" % (number, name, step()), flush=True)
            except (StepFailed, OSError, subprocess.SubprocessError, ValueError) as e:
                failed += 1
                shot = self.screenshot("failed-" + re.sub(r"\W+", "-", name))
                print("FAIL %2d %s: %s (%s)" % (number, name, e, shot), flush=True)
                self.tidy_up()
        self.finish()
        print("demo walk: %d of %d steps done" % (len(steps) - failed, len(steps)), flush=True)
        return 0 if failed == 0 else 1

    def finish(self):
        if self.proc is None or self.proc.poll() is not None:
            return
        self.proc.terminate()
        try:
            self.proc.wait(timeout=20)
        except subprocess.TimeoutExpired:
            self.proc.kill()
            self.proc.wait()


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--program", required=True, help="the prepared program folder")
    parser.add_argument("--portal", required=True, help="base address of the demo portal")
    parser.add_argument("--out", required=True, help="folder for screenshots and Corvane's output")
    parser.add_argument("--title", required=True, help="title of the portal's start page")
    parser.add_argument("--nsrsbh", default="330100799655058",
                        help="taxpayer number to log in with")
    parser.add_argument("--clientlx", required=True, help="client type written to qvprm.ini")
    parser.add_argument("--version", required=True, help="client version written to qvprm.ini")
    return Walk(parser.parse_args()).run()


if __name__ == "__main__":
    sys.exit(main())
