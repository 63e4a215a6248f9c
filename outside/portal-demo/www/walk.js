// Scripted walk: with "walk=1" in the page's query the page takes its orders from the portal server,
// which the demo's walker fills. The page only scrolls the element it is asked about into view and
// tells where it is; the walker then clicks and types there like a person, through the X server.
// Results of dialogs and the like go back to the server as events.
"use strict";

(function () {
  if (!/(^|[?&])walk=1(&|$)/.test(window.location.search)) return;

  function post(event) {
    return fetch("/walk/event", {
      method: "POST",
      headers: {"Content-Type": "application/json"},
      body: JSON.stringify(event),
    }).catch(() => {});
  }

  function locate(action) {
    const element = document.getElementById(action.locate);
    if (!element) {
      post({type: "rect", seq: action.seq, id: action.locate, missing: true});
      return;
    }
    element.scrollIntoView({block: "center", inline: "center"});
    // Two frames later the scroll has been laid out and painted.
    requestAnimationFrame(() => requestAnimationFrame(() => {
      const r = element.getBoundingClientRect();
      post({
        type: "rect", seq: action.seq, id: action.locate,
        x: r.left, y: r.top, w: r.width, h: r.height,
        ratio: window.devicePixelRatio, vw: window.innerWidth, vh: window.innerHeight,
      });
    }));
  }

  let busy = false;
  function poll() {
    if (busy) return;
    busy = true;
    fetch("/walk/next", {cache: "no-store"})
      .then((r) => (r.status === 200 ? r.json() : null))
      .then((action) => {
        if (action && action.locate) locate(action);
      })
      .catch(() => {})
      .finally(() => { busy = false; });
  }

  window.corvaneWalk = {event: post};
  document.addEventListener("DOMContentLoaded", () => {
    // Ready once the page has been painted, so that a screenshot taken then shows it.
    requestAnimationFrame(() => requestAnimationFrame(() => {
      post({type: "ready", title: document.title, address: window.location.href});
    }));
    setInterval(poll, 250);
  });
})();
