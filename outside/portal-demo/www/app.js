// The portal's side of the page command channel: a page commands Corvane by navigating to an
// address that contains "/interact_" followed by a URL-encoded JSON object, optionally followed by
// "?" and an argument.
"use strict";

// Builds the command address. The whole payload (JSON text, "?" and argument) is percent-encoded
// once; an argument that must arrive as UTF-8 (playmedia) is encoded once more beforehand.
function commandAddress(command, argument, doubleEncode) {
  let payload = JSON.stringify(command);
  if (argument !== undefined) {
    payload += "?" + (doubleEncode ? encodeURIComponent(argument) : argument);
  }
  return "/interact_" + encodeURIComponent(payload);
}

function sendCommand(command, argument, doubleEncode) {
  const address = commandAddress(command, argument, doubleEncode);
  const shown = document.getElementById("last-command");
  if (shown) shown.textContent = address;
  // The portal answers these addresses with "204 No Content", so the page stays.
  window.location.href = address;
}

function noteResult(name, value, shownIn) {
  const shown = document.getElementById(shownIn || "dialog-result");
  if (shown) shown.textContent = name + " → " + JSON.stringify(value);
  if (window.corvaneWalk) window.corvaneWalk.event({type: "result", name: name, value: value});
}

function runDialog(kind, text) {
  if (kind === "alert") {
    alert(text);
    return true;  // alert has no answer; reaching this line means the page went on
  }
  if (kind === "confirm") return confirm(text);
  return prompt(text, "");
}

let popup = null;

function wireUp() {
  const form = document.getElementById("login-form");
  if (form) {
    form.addEventListener("submit", (e) => {
      e.preventDefault();
      const nsrsbh = document.getElementById("nsrsbh").value.trim();
      sendCommand({type: "login", data: {nsrsbh: nsrsbh}});
    });
  }
  for (const button of document.querySelectorAll("[data-command]")) {
    button.addEventListener("click", () => {
      const from = button.dataset.argFrom;
      const argument = from ? document.getElementById(from).value : undefined;
      sendCommand({type: button.dataset.command}, argument, button.dataset.doubleEncode === "1");
    });
  }
  for (const button of document.querySelectorAll("[data-dialog]")) {
    button.addEventListener("click", () => {
      const answer = runDialog(button.dataset.dialog, button.dataset.text);
      noteResult(button.id, answer);
    });
  }
  const open = document.getElementById("btn-popup");
  if (open) {
    open.addEventListener("click", () => {
      popup = window.open("/popup.html", "corvane_demo_popup", "width=640,height=420");
    });
  }
  const close = document.getElementById("btn-popup-close");
  if (close) {
    close.addEventListener("click", () => {
      if (popup && !popup.closed) popup.close();
      popup = null;
    });
  }
  const print = document.getElementById("btn-window-print");
  if (print) print.addEventListener("click", () => window.print());
  // Links between the portal's own pages keep the page's query (the walk's "walk=1" among it).
  for (const link of document.querySelectorAll("a[data-keep-query]")) {
    link.href = link.getAttribute("href") + window.location.search;
  }
  const upload = document.getElementById("file-upload");
  if (upload) {
    upload.addEventListener("change", () => {
      noteResult(upload.id, Array.from(upload.files, (file) => file.name), "upload-result");
    });
  }
  const draft = document.getElementById("draft");
  if (draft) {
    draft.addEventListener("input", () => noteResult(draft.id, draft.value));
    // With text typed the page asks before it is left; the engine shows its own question.
    window.addEventListener("beforeunload", (e) => {
      if (draft.value === "") return;
      e.preventDefault();
      e.returnValue = "";
    });
  }
}

document.addEventListener("DOMContentLoaded", wireUp);
