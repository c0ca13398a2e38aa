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

  // What movies save. Ruffle keeps SharedObjects in the page's localStorage,
  // as keyed properties of it, taken when a movie's player is made. Here
  // that is a store of each movie's own, filled with what the program kept
  // of that movie, and every change goes back to the program, which keeps
  // it on disk: through the console, where only this script's messages
  // count. The warm-up player gets none, and keeps what it saves in memory.
  const StoreMessage = "corvane-store ";
  const MaxStoreChars = 1 << 20; // keys and texts of one movie, as the program's bound
  let storage = null;
  const makeStorage = (id, saved) => {
    const data = new Map();
    let size = 0;
    for (const [key, text] of Object.entries(saved || {})) {
      if (typeof text === "string") {
        data.set(key, text);
        size += key.length + text.length;
      }
    }
    const tell = (key, text) => console.debug(StoreMessage + JSON.stringify([id, key, text]));
    // Ruffle's keys all hold a "/": these names are free for the methods of
    // localStorage that Ruffle's own pages call.
    const methods = {
      getItem: (key) => (data.has(String(key)) ? data.get(String(key)) : null),
      setItem: (key, value) => {
        store[String(key)] = value;
      },
      removeItem: (key) => {
        delete store[String(key)];
      },
      key: (i) => [...data.keys()][i] ?? null,
    };
    const store = new Proxy(Object.create(null), {
      get: (target, key) => {
        if (typeof key !== "string")
          return undefined;
        if (data.has(key))
          return data.get(key);
        if (key === "length")
          return data.size;
        return Object.hasOwn(methods, key) ? methods[key] : undefined;
      },
      has: (target, key) => data.has(key),
      set: (target, key, value) => {
        if (typeof key !== "string")
          return true;
        const text = String(value);
        const before = data.get(key);
        if (before === text)
          return true;
        const next = size - (before === undefined ? 0 : key.length + before.length) + key.length + text.length;
        if (next > MaxStoreChars)
          throw new DOMException("This movie's saved objects are full.", "QuotaExceededError");
        data.set(key, text);
        size = next;
        tell(key, text);
        return true;
      },
      deleteProperty: (target, key) => {
        if (typeof key === "string" && data.has(key)) {
          size -= key.length + data.get(key).length;
          data.delete(key);
          tell(key, null);
        }
        return true;
      },
      ownKeys: () => [...data.keys()],
      getOwnPropertyDescriptor: (target, key) => (data.has(key)
        ? { value: data.get(key), writable: true, enumerable: true, configurable: true } : undefined),
    });
    return store;
  };
  try {
    Object.defineProperty(window, "localStorage", { get: () => storage, configurable: false });
  } catch (e) {
    // kept as it is: what movies save lasts until the page goes
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

  // The smallest movie there is: an empty stage, one empty frame. Loading
  // it once, unseen, has Ruffle fetch, compile and start its WebAssembly,
  // which then serves every movie of this page.
  const blank = new Uint8Array([0x46, 0x57, 0x53, 10, 17, 0, 0, 0, 0, 0, 12, 1, 0, 0x40, 0, 0, 0]);
  let warming = null; // settles once Ruffle is ready, or failed to be
  let settled = false;
  let warm = false;

  const warmUp = () => {
    if (warming)
      return warming;
    const stage = document.getElementById("stage");
    const spare = window.RufflePlayer.newest().createPlayer();
    spare.style.visibility = "hidden";
    stage.appendChild(spare);
    const done = (ok) => () => {
      warm = ok;
      settled = true;
      spare.remove();
    };
    try {
      warming = Promise.resolve(spare.ruffle().load({ ...options, autoplay: "off", data: blank }))
        .then(done(true), done(false));
    } catch (e) {
      warming = Promise.resolve().then(done(false));
    }
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
  const load = (mine, bytes, store) => {
    if (mine !== serial)
      return;
    if (warming && !settled) {
      warming.then(() => load(mine, bytes, store));
      return;
    }
    shown = false;
    if (player) {
      player.remove();
      player = null;
    }
    // The movie's player takes the movie's own saved objects.
    storage = makeStorage(store.id, store.saved);
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
    const pending = api().load({ ...options, data: bytes, swfFileName: store.name });
    if (pending && typeof pending.then === "function")
      pending.then(current(apply), failed);
  };

  window.corvaneFlash = {
    // Readies Ruffle before any movie; nothing when it is ready or on its way.
    warm() {
      warmUp();
    },
    // The movie that the program offers under this name, once; a later
    // call overtakes an earlier one still on its way. `store` holds the
    // movie's id for what it saves, its file's name and what it saved.
    open(name, playing, mute, store) {
      store = store || { id: 0, name: "movie.swf", saved: {} };
      const mine = ++serial;
      suspended = !playing;
      muted = !!mute;
      const xhr = new XMLHttpRequest();
      xhr.open("GET", name);
      xhr.responseType = "arraybuffer";
      xhr.onload = () => load(mine, new Uint8Array((xhr.status === 200 || xhr.status === 0) && xhr.response ? xhr.response : 0), store);
      xhr.onerror = () => load(mine, new Uint8Array(0), store);
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
      };
    },
  };
})();
