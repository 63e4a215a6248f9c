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
import contextlib
import ctypes
import ctypes.util
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


@contextlib.contextmanager
def keys_for(text):
    """Binds each character of `text` that the keyboard map lacks to a free key until the end.

    xdotool types such a character by binding it to a spare key for a moment and unbinding it at
    once; a client that reads the keyboard map a little later then sees the next character or none
    ("草稿" arrives as "稿稿"). Bound beforehand and for the whole typing, every character has a
    key of its own, which xdotool finds in the map and presses like any other.
    """
    wanted = sorted({c for c in text if ord(c) > 0x7e})
    if not wanted:
        yield
        return
    x11 = ctypes.CDLL(ctypes.util.find_library("X11") or "libX11.so.6")
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x11.XDisplayKeycodes.argtypes = [ctypes.c_void_p, ctypes.POINTER(ctypes.c_int),
                                     ctypes.POINTER(ctypes.c_int)]
    x11.XGetKeyboardMapping.restype = ctypes.POINTER(ctypes.c_ulong)
    x11.XGetKeyboardMapping.argtypes = [ctypes.c_void_p, ctypes.c_ubyte, ctypes.c_int,
                                        ctypes.POINTER(ctypes.c_int)]
    x11.XChangeKeyboardMapping.argtypes = [ctypes.c_void_p, ctypes.c_int, ctypes.c_int,
                                           ctypes.POINTER(ctypes.c_ulong), ctypes.c_int]
    x11.XFree.argtypes = [ctypes.c_void_p]
    x11.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
    x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
    display = x11.XOpenDisplay(None)
    if not display:
        raise StepFailed("cannot open the X display to bind keys")
    try:
        low, high, per = ctypes.c_int(), ctypes.c_int(), ctypes.c_int()
        x11.XDisplayKeycodes(display, ctypes.byref(low), ctypes.byref(high))
        count = high.value - low.value + 1
        syms = x11.XGetKeyboardMapping(display, low.value, count, ctypes.byref(per))
        free = [low.value + i for i in range(count)
                if all(syms[i * per.value + j] == 0 for j in range(per.value))]
        x11.XFree(syms)
        # Keep the last free key for xdotool's own use.
        if len(free) <= len(wanted):
            raise StepFailed("the keyboard map has too few free keys for %r" % text)
        bound = list(zip(free, wanted))

        def bind(code, keysym):
            x11.XChangeKeyboardMapping(display, code, 2, (ctypes.c_ulong * 2)(keysym, keysym), 1)

        for code, char in bound:
            # Latin-1 characters are their own key symbols; the others are 0x01000000 + code point.
            bind(code, ord(char) if ord(char) <= 0xff else 0x01000000 + ord(char))
        x11.XSync(display, 0)
        try:
            yield
        finally:
            for code, _ in bound:
                bind(code, 0)
            x11.XSync(display, 0)
    finally:
        x11.XCloseDisplay(display)


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

    def wait_event(self, match, timeout, description, since=0):
        """The first event from the `since`-th on that `match` accepts."""
        def look():
            return next((e for e in self.fetch_events()[since:] if match(e)), None)

        event = self.wait_for(look, timeout)
        if event is None:
            raise StepFailed("the page did not report %s within %d s" % (description, timeout))
        return event

    def result_of(self, element):
        return next((e for e in self.fetch_events()
                     if e.get("type") == "result" and e.get("name") == element), None)

    # -- acting like a person ------------------------------------------------------------------

    def show(self, element):
        """Has the page scroll the element into view; returns where it is once that is painted."""
        action = self.http("/walk/action", {"locate": element})
        rect = self.wait_event(lambda e: e.get("type") == "rect" and e.get("seq") == action["seq"],
                               30, "where %s is" % element)
        if rect.get("missing"):
            raise StepFailed("the page has no element %s" % element)
        return rect

    def click(self, element):
        """Asks the page where the element is, then clicks its middle with the mouse."""
        rect = self.show(element)
        ratio = rect.get("ratio") or 1
        x = int((rect["x"] + rect["w"] / 2) * ratio)
        y = int((rect["y"] + rect["h"] / 2) * ratio)
        # Relative to the main window's client area, where the browser view begins (the hidden
        # navigation log takes no room). getwindowgeometry is not used: it counts the window
        # manager's frame twice.
        self.xdotool("windowactivate", "--sync", self.main_window)
        self.xdotool("mousemove", "--window", self.main_window, str(x), str(y))
        self.xdotool("click", "1")

    def type(self, text):
        """Types `text` into whatever has the keyboard focus, any script."""
        with keys_for(text):
            self.xdotool("type", "--delay", "60", text)

    def press(self, window, *keys):
        self.xdotool("windowactivate", "--sync", window)
        self.xdotool("key", "--clearmodifiers", *keys)

    def wait_window(self, name, timeout, description, pattern=None):
        """A window titled `name`, or with a title that the regular expression `pattern` matches."""
        found = self.wait_for(lambda: self.windows(pattern or regex_exact(name)), timeout)
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
        self.type(self.nsrsbh)
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

    def step_certificate(self):
        down = os.path.join(self.program, "down")
        saved = set(os.listdir(down))
        self.click("link-certificate-window")
        # The window's caption follows the document's title, which the PDF viewer takes from the
        # PDF once it has read it.
        name = "Tax payment certificate"
        viewer = self.wait_window(name, 60, "showing the certificate's PDF document")
        caption = self.window_name(self.main_window)
        if caption != self.title:
            raise StepFailed("the main window's caption changed to \"%s\"" % caption)
        shot = self.screenshot("certificate")
        self.xdotool("windowactivate", "--sync", viewer)
        self.xdotool("key", "alt+F4")
        if not self.wait_gone(viewer, 30):
            raise StepFailed("the certificate's window did not close on Alt+F4")
        if self.main_window not in self.windows():
            raise StepFailed("the main window went away with the certificate's window")
        if set(os.listdir(down)) != saved:
            raise StepFailed("the certificate was saved in down/ instead of being shown: %s"
                             % sorted(set(os.listdir(down)) - saved))
        return "certificate.pdf shown in a new window \"%s\", nothing saved in down/; Alt+F4 " \
               "closed it, the main window stayed; %s" % (name, shot)

    def step_print(self):
        down = os.path.join(self.program, "down")
        there = set(os.listdir(down))
        self.click("btn-window-print")
        dialog = self.wait_window("打印", 60, "with the print dialog")
        shot = self.screenshot("print")
        # "打印(P)": without a system printer the dialog prints to the PDF file it proposes.
        self.press(dialog, "alt+p")
        if not self.wait_gone(dialog, 30):
            raise StepFailed("the print dialog did not close on Alt+P")

        def printed():
            for name in sorted(set(os.listdir(down)) - there):
                if not name.endswith(".pdf"):
                    continue
                with open(os.path.join(down, name), "rb") as f:
                    data = f.read()
                if data.startswith(b"%PDF-") and data.rstrip().endswith(b"%%EOF"):
                    return name, len(data)
            return None

        found = self.wait_for(printed, 120)
        if not found:
            raise StepFailed("no complete PDF file appeared in %s (it holds %s)"
                             % (down, sorted(os.listdir(down))))
        return "window.print() opened the dialog \"打印\"; Alt+P printed the page to " \
               "down/%s (%d bytes); %s" % (*found, shot)

    def step_upload(self):
        path = os.path.join(self.program, "down", self.download_info("declaration")["name"])
        if not os.path.isfile(path):
            raise StepFailed("%s, the file to choose, is not there" % path)
        known = len(self.fetch_events())
        self.click("file-upload")
        dialog = self.wait_window("打开", 60, "with the file dialog")
        shot = self.screenshot("upload")
        # The dialog's name field has the focus: the full path goes in there.
        self.press(dialog, "ctrl+a")
        self.type(path)
        self.press(dialog, "Return")
        event = self.wait_event(lambda e: e.get("type") == "result" and e.get("name") ==
                                "file-upload", 30, "the chosen files", known)
        if event.get("value") != [os.path.basename(path)]:
            raise StepFailed("the page got the files %r, not %s" % (event.get("value"), path))
        if not self.wait_gone(dialog, 20):
            raise StepFailed("the file dialog stayed open")
        self.show("upload-result")  # painted again where the dialog was
        shot_chosen = self.screenshot("upload-chosen")
        return "file dialog \"打开\" shown; typed %s; the page got the file %s; %s, %s" % (
            os.path.relpath(path, self.program), os.path.basename(path), shot, shot_chosen)

    def is_start_page(self, event):
        return event.get("type") == "ready" and "/leave.html" not in event.get("address", "")

    def ask_to_leave(self):
        """Clicks the way back on the leave page; returns the engine's question."""
        before = set(self.windows())
        self.click("link-back")
        # The engine's own box, captioned with the page's title.
        question = self.wait_new_window(before, 30, "engine question whether to leave")
        if self.windows(regex_exact("系统 提示")):
            raise StepFailed("Corvane showed its own box \"系统 提示\" for the leave-page question")
        return question

    def step_leave(self):
        known = len(self.fetch_events())
        self.click("link-leave")
        self.wait_event(lambda e: e.get("type") == "ready" and "/leave.html" in e["address"], 60,
                        "that the leave page was loaded", known)

        def type_into_draft(text, whole):
            # The engine asks only after a user gesture on the page: click, then type.
            since = len(self.fetch_events())
            self.click("draft")
            self.xdotool("key", "End")
            self.type(text)
            self.wait_event(lambda e: e.get("name") == "draft" and e.get("value") == whole, 30,
                            "that the field holds %r" % whole, since)

        text = "草稿 draft"
        type_into_draft(text, text)
        asked = len(self.fetch_events())
        question = self.ask_to_leave()
        title = self.window_name(question)
        shot = self.screenshot("leave-question")
        self.press(question, "Escape")  # stay
        if not self.wait_gone(question, 20):
            raise StepFailed("the question did not close on Escape")
        # Still the leave page, with the text it had: typing on goes on from there.
        type_into_draft(" 2", text + " 2")
        if any(self.is_start_page(e) for e in self.fetch_events()[asked:]):
            raise StepFailed("the start page was loaded although the walk chose to stay")

        asked = len(self.fetch_events())
        question = self.ask_to_leave()
        self.press(question, "Return")  # leave
        back = self.wait_event(self.is_start_page, 60, "that the start page was back", asked)
        return "typed %r; leaving asked \"%s\" (the engine's question, no \"系统 提示\"); " \
               "Escape stayed with the text kept, Return left for %s; %s" % (
                   text, title, back["address"], shot)

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
        self.type(answer)
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
            ("PDF certificate in a new window", self.step_certificate),
            ("window.print()", self.step_print),
            ("file upload", self.step_upload),
            ("leave-page question", self.step_leave),
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
