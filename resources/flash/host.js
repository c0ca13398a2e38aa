// The page inside the Flash display area. The program drives it through
// window.corvaneFlash; the page reaches nothing outside its own origin.
"use strict";

(() => {
  // Ruffle loads its .wasm with fetch(), which this engine refuses for the
  // page's own scheme. Same-origin .wasm requests go through XMLHttpRequest
  // instead; every other request is left to fetch() and its refusals.
  const nativeFetch = window.fetch.bind(window);
  const ownWasm = (input) => {
    try {
      const raw = typeof input === "string" || input instanceof URL ? String(input) : input.url;
      const url = new URL(raw, location.href);
      if (url.protocol !== location.protocol || url.host !== location.host)
        return null;
      return /^\/[A-Za-z0-9_.-]+\.wasm$/.test(url.pathname) && !url.search ? url.href : null;
    } catch (e) {
      return null;
    }
  };
  window.fetch = function (input, init) {
    const url = ownWasm(input);
    if (url === null)
      return nativeFetch(input, init);
    return new Promise((resolve, reject) => {
      const xhr = new XMLHttpRequest();
      xhr.open("GET", url);
      xhr.responseType = "arraybuffer";
      xhr.onload = () => {
        if ((xhr.status === 200 || xhr.status === 0) && xhr.response)
          resolve(new Response(xhr.response, { status: 200, headers: { "Content-Type": "application/wasm" } }));
        else
          reject(new TypeError("Failed to fetch"));
      };
      xhr.onerror = () => reject(new TypeError("Failed to fetch"));
      xhr.send();
    });
  };

  // WebRTC would reach the network round the program's request guard, and
  // nothing here needs it.
  for (const name of ["RTCPeerConnection", "webkitRTCPeerConnection", "RTCDataChannel",
                      "RTCSessionDescription", "RTCIceCandidate"]) {
    try {
      Object.defineProperty(window, name, { value: undefined, writable: false, configurable: false });
    } catch (e) {
      // already gone
    }
  }

  window.RufflePlayer = window.RufflePlayer || {};
  window.RufflePlayer.config = {
    polyfills: false,
    publicPath: location.protocol + "//" + location.host + "/",
  };

  // What the display area's saved settings ask for, plus the lock-down.
  const options = {
    autoplay: "on",
    quality: "high",
    scale: "showAll",
    wmode: "window",
    contextMenu: "on",
    menu: true,
    backgroundColor: null,
    base: null,
    splashScreen: false,
    unmuteOverlay: "hidden",
    letterbox: "on",
    showSwfDownload: false,
    allowScriptAccess: false,
    openUrlMode: "deny",
    allowNetworking: "none",
    allowFullscreen: false,
    upgradeToHttps: false,
    warnOnUnsupportedContent: false,
    favorFlash: false,
    socketProxy: [],
    credentialAllowList: [],
    urlRewriteRules: [],
  };

  let player = null;     // the <ruffle-player> element of the current movie
  let serial = 0;        // counts movies, so stale events are ignored
  let suspended = false; // what the program last asked: stopped or playing
  let muted = false;
  let state = "empty";   // empty, loading, playing, failed
  let shown = false;     // the current movie has shown its first frame

  const api = () => (player && typeof player.ruffle === "function" ? player.ruffle() : null);

  // Times in the page, for whoever reads its console (the program logs it
  // under corvane.flash.page at debug level).
  const mark = (what) => console.debug("corvane-flash " + what + " at " + performance.now().toFixed(1) + " ms");

  // Ruffle is readied before any movie by movies that use what real ones
  // use, played unseen and unheard while the dialog is up: an AVM1 movie
  // (timeline, actions, a button, gradients, a bitmap, device and embedded
  // text, a sound) and an AVM2 one (a document class that draws, adds text
  // fields and a bitmap, and plays a sound), written at build time into
  // warm.js. The first has Ruffle fetch, compile and start its WebAssembly,
  // which then serves every movie of this page. With WebAssembly compiled a
  // function at a time, an empty movie would leave most of Ruffle
  // uncompiled, and the first real movie would pay for it. A real movie
  // waits only until Ruffle has started, and stops the rest.
  //
  // Without warm.js, the smallest movie there is: an empty stage, one empty frame.
  const blank = new Uint8Array([0x46, 0x57, 0x53, 10, 17, 0, 0, 0, 0, 0, 12, 1, 0, 0x40, 0, 0, 0]);
  const WarmPlayMs = 150; // frames of its own for each, once loaded
  const WarmLongestMs = 4000; // from its start; a movie that never says it loaded is let go
  let warming = null; // settles once Ruffle is ready, or failed to be
  let settled = false;
  let warm = false;
  let warmed = 0; // warm movies played to their end
  let stopWarming = () => {};

  const warmMovies = () => {
    try {
      const movies = (window.corvaneWarmMovies || []).map((b) => Uint8Array.from(atob(b), (c) => c.charCodeAt(0)));
      return movies.length ? movies : [blank];
    } catch (e) {
      return [blank];
    }
  };

  // Plays the movie in a hidden player until it has shown a few frames, or
  // a real movie stops it. `started(ok)` once Ruffle took it, or failed to.
  const playUnseen = (bytes, started) => new Promise((resolve) => {
    const stage = document.getElementById("stage");
    const spare = window.RufflePlayer.newest().createPlayer();
    spare.style.visibility = "hidden";
    stage.appendChild(spare);
    let finished = false;
    const finish = (played) => () => {
      if (finished)
        return;
      finished = true;
      stopWarming = () => {};
      spare.remove();
      warmed += played ? 1 : 0;
      started(false); // nothing when it was told already
      resolve();
    };
    stopWarming = finish(false);
    const silence = () => {
      try {
        spare.ruffle().volume = 0;
      } catch (e) {
        // not made yet
      }
    };
    spare.addEventListener("loadedmetadata", silence);
    spare.addEventListener("loadeddata", () => setTimeout(finish(true), WarmPlayMs));
    spare.addEventListener("error", finish(false));
    try {
      silence();
      Promise.resolve(spare.ruffle().load({ ...options, autoplay: "on", data: bytes })).then(() => {
        silence();
        started(true);
        setTimeout(finish(false), WarmLongestMs);
      }, finish(false));
    } catch (e) {
      finish(false)();
    }
  });

  const warmUp = () => {
    if (warming)
      return warming;
    mark("warm-up");
    warming = new Promise((ready) => {
      let tell = (ok) => {
        tell = () => {};
        warm = ok;
        settled = true;
        mark("ruffle ready: " + ok);
        ready();
      };
      (async () => {
        for (const bytes of warmMovies()) {
          if (serial !== 0 && settled)
            break; // a real movie came: it goes first
          await playUnseen(bytes, (ok) => tell(ok));
          if (!warm)
            break;
        }
        tell(false);
        mark("warm movies played: " + warmed);
      })();
    });
    return warming;
  };

  // Brings the movie to what the program asked. Until the movie has shown
  // its first frame only the volume applies: stopping it earlier would leave
  // the display empty.
  const apply = () => {
    const r = api();
    if (!r)
      return;
    try {
      r.volume = muted ? 0 : 1;
      if (!shown)
        return;
      if (suspended && !r.suspended)
        r.suspend();
      else if (!suspended && r.suspended)
        r.resume();
      // Stopped, the movie shows its frame as it stands, without Ruffle's
      // play button over it: only the program's play button resumes it.
      const button = player.shadowRoot && player.shadowRoot.getElementById("play-button");
      if (button)
        button.style.display = "none";
    } catch (e) {
      // Not ready yet; applied again once it is.
    }
  };

  // Replaces whatever movie is shown by the one in these bytes, once Ruffle
  // is ready (or has failed to get ready, and tries again).
  const load = (mine, bytes) => {
    if (mine !== serial)
      return;
    if (warming && !settled) {
      warming.then(() => load(mine, bytes));
      return;
    }
    stopWarming();
    mark("movie " + mine + " loads");
    shown = false;
    if (player) {
      player.remove();
      player = null;
    }
    const stage = document.getElementById("stage");
    player = window.RufflePlayer.newest().createPlayer();
    stage.appendChild(player);
    state = "loading";
    const current = (f) => (...args) => {
      if (mine === serial)
        f(...args);
    };
    const failed = current(() => {
      state = "failed";
    });
    // Loaded: let it play for two of its frames and two paints of the
    // page, so that its first frame is on show, then obey.
    const loaded = current(() => {
      mark("movie " + mine + " loaded");
      state = "playing";
      const r = api();
      const rate = (r && r.metadata && r.metadata.frameRate) || 12;
      const wait = Math.min(1000, 2000 / Math.max(1, rate)) + 50;
      setTimeout(() => requestAnimationFrame(() => requestAnimationFrame(current(() => {
        shown = true;
        apply();
      }))), wait);
    });
    player.addEventListener("loadedmetadata", current(apply));
    player.addEventListener("loadeddata", loaded);
    player.addEventListener("error", failed);
    const pending = api().load({ ...options, data: bytes });
    if (pending && typeof pending.then === "function")
      pending.then(current(apply), failed);
  };

  window.corvaneFlash = {
    // Readies Ruffle before any movie; nothing when it is ready or on its way.
    warm() {
      warmUp();
    },
    // The movie that the program offers under this name, once; a later
    // call overtakes an earlier one still on its way.
    open(name, playing, mute) {
      const mine = ++serial;
      mark("movie " + mine + " asked");
      suspended = !playing;
      muted = !!mute;
      const xhr = new XMLHttpRequest();
      xhr.open("GET", name);
      xhr.responseType = "arraybuffer";
      xhr.onload = () => load(mine, new Uint8Array((xhr.status === 200 || xhr.status === 0) && xhr.response ? xhr.response : 0));
      xhr.onerror = () => load(mine, new Uint8Array(0));
      xhr.send();
      return mine;
    },
    resume() {
      suspended = false;
      apply();
    },
    suspend() {
      suspended = true;
      apply();
    },
    setMuted(on) {
      muted = !!on;
      apply();
    },
    // For whoever needs to know what the page holds.
    status() {
      const r = api();
      return {
        state: state,
        serial: serial,
        suspended: r ? !!r.suspended : suspended,
        volume: r ? r.volume : null,
        warm: warm,
        warmed: warmed,
      };
    },
  };
})();
