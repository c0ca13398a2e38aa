// The page inside the Flash display area. The program drives it through
// window.corvaneFlash; the page reaches nothing outside its own origin.
"use strict";

(() => {
  // Ruffle loads its .wasm, and a movie what it loads itself, with fetch(),
  // which this engine refuses for the page's own scheme. Those requests go
  // through XMLHttpRequest instead; every other request is left to fetch()
  // and its refusals. The 14 MB of .wasm come as a blob, which the engine
  // keeps whole and hands to the compiler as a stream: read into an array
  // buffer in the page first (the page's thread copying and faulting in
  // fresh memory), Ruffle was ready about 0.25 s later here.
  const nativeFetch = window.fetch.bind(window);
  const ownUrl = (input) => {
    try {
      const raw = typeof input === "string" || input instanceof URL ? String(input) : input.url;
      const url = new URL(raw, location.href);
      return url.protocol === location.protocol && url.host === location.host ? url : null;
    } catch (e) {
      return null;
    }
  };
  const ownWasm = (url) => /^\/[A-Za-z0-9_.-]+\.wasm$/.test(url.pathname) && !url.search;
  // A file of the movie's folder (its URL folder is m/N/): what follows a
  // '?' or a '#' may be part of the file's name, so both go to the program,
  // which tries the whole name first. A fragment is never sent: it goes as
  // "%23". Whatever the method, the file is only read.
  const movieFile = (url) => url.pathname.startsWith("/m/");
  // A '%' that starts no escape ("100%.png") goes as "%25": the program
  // reads a URL with a stray '%' as not encoded at all.
  const fileHref = (url) => (url.protocol + "//" + url.host + url.pathname + url.search
    + (url.hash ? "%23" + url.hash.slice(1) : "")).replace(/%(?![0-9A-Fa-f]{2})/g, "%25");
  // The file's bytes as a response, or null when the program had none.
  const viaXhr = (href, type) => new Promise((resolve) => {
    const xhr = new XMLHttpRequest();
    xhr.open("GET", href);
    xhr.responseType = "blob";
    xhr.onload = () => {
      if ((xhr.status !== 200 && xhr.status !== 0) || !xhr.response)
        return resolve(null);
      const headers = { "Content-Type": type || xhr.getResponseHeader("Content-Type") || "application/octet-stream" };
      resolve(new Response(xhr.response, { status: 200, headers }));
    };
    xhr.onerror = () => resolve(null);
    xhr.send();
  });
  window.fetch = function (input, init) {
    const url = ownUrl(input);
    if (url && ownWasm(url)) {
      return viaXhr(url.href, "application/wasm").then((r) => r || Promise.reject(new TypeError("Failed to fetch")));
    }
    if (!url || !movieFile(url))
      return nativeFetch(input, init);
    // A refused file and a missing one are the same to the movie: not found.
    return viaXhr(fileHref(url), null).then((r) => {
      const response = r || new Response(null, { status: 404, statusText: "Not Found" });
      // The player takes a loaded movie's own URL from its response.
      Object.defineProperty(response, "url", { value: url.href });
      return response;
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
  let storage = null;
  // `limit` bounds the keys and texts of one movie, in characters, as the
  // program does.
  const makeStorage = (id, saved, limit) => {
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
        if (next > limit)
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
  // The program shows the movie's menu itself, outside the page: neither
  // Ruffle's menu nor the engine's own may come up in here.
  window.addEventListener("contextmenu", (e) => {
    e.preventDefault();
    e.stopImmediatePropagation();
  }, true);

  // Ruffle's loader hands this callback its module table once it runs; the
  // movie's menu is reached through it (see core() below).
  let modules = null;
  (window.webpackChunkruffle_selfhosted = window.webpackChunkruffle_selfhosted || [])
    .push([["corvane-menu"], {}, (require) => {
      modules = require;
    }]);

  window.RufflePlayer = window.RufflePlayer || {};
  window.RufflePlayer.config = {
    polyfills: false,
    publicPath: location.protocol + "//" + location.host + "/",
  };

  // What the display area's saved settings ask for, plus the lock-down.
  const options = {
    autoplay: "on",
    quality: "high",
    // The program says which (see prefer()); a canvas until it does.
    preferredRenderer: "canvas",
    scale: "showAll",
    wmode: "window",
    // No menu of Ruffle's own in the page; the core still prepares the
    // movie's entries (menu: true) for the program's menu.
    contextMenu: "off",
    menu: true,
    backgroundColor: null,
    base: null,
    splashScreen: false,
    unmuteOverlay: "hidden",
    letterbox: "on",
    showSwfDownload: false,
    allowScriptAccess: false,
    openUrlMode: "deny",
    // Links and the page's scripts stay out of the movie's reach; loading
    // stays allowed, and reaches only the movie's folder (see fetch above).
    allowNetworking: "internal",
    // A movie may ask to fill the screen; the host grants it only just after
    // the person's own key or click, and the program then shows it so.
    allowFullscreen: true,
    upgradeToHttps: false,
    warnOnUnsupportedContent: false,
    favorFlash: false,
    socketProxy: [],
    credentialAllowList: [],
    urlRewriteRules: [],
  };

  const Renderers = ["wgpu-webgl", "webgl", "canvas"];

  let player = null;     // the <ruffle-player> element of the current movie
  let serial = 0;        // counts movies, so stale events are ignored
  let suspended = false; // what the program last asked: stopped or playing
  let muted = false;
  let state = "empty";   // empty, loading, playing, failed
  let shown = false;     // the current movie has shown its first frame

  const api = () => (player && typeof player.ruffle === "function" ? player.ruffle() : null);

  // A new player, without Ruffle's notice that drawing goes without a GPU,
  // which it would put over the movie at the pointer's first pass on a
  // software rasteriser.
  const newPlayer = () => {
    const made = window.RufflePlayer.newest().createPlayer();
    const notice = made.shadowRoot && made.shadowRoot.getElementById("hardware-acceleration-modal");
    if (notice)
      notice.remove();
    return made;
  };

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
  // Frames of its own for each, once loaded: its first frame is drawn by
  // then. Longer, the last warm movie was often still playing when the
  // dialog closed after 1.5 s, and the first real movie waited for it.
  const WarmPlayMs = 50;
  const WarmLongestMs = 4000; // from its start; a movie that never says it loaded is let go
  let warming = null; // settles once Ruffle is ready, or failed to be
  let settled = false;
  let warm = false;
  let warmed = 0; // warm movies played to their end
  let stopWarming = () => {};
  // Ruffle reads a player's settings once its WebAssembly is compiled, right
  // before it builds the player's instance (its WebGL context, shaders and
  // pipelines: the most of a second here, on a software rasteriser). A warm
  // player's list of socket proxies, empty, tells the page when, and ends
  // the warm player there when a real movie came first: the real movie's
  // instance is then the first one built, rather than waiting for the warm
  // one and then building its own (with the dialog up 1.5 s on a busy
  // machine, the first movie showed 0.15 to 0.35 s sooner).
  let compiled = false;  // a warm player got as far as its instance
  let yielded = false;   // a real movie goes first
  const warmGate = {
    *[Symbol.iterator]() {
      if (yielded)
        throw new Error("a movie came first");
      compiled = true;
    },
  };

  // The warm movies play under a cover in the area's colour, not hidden: a
  // hidden player is never drawn, and the first movie on show would pay
  // for the page's first drawing of a player (about 10 ms here). Without a
  // colour they play hidden.
  let coverColour = null;
  const cover = () => {
    if (!coverColour || document.getElementById("cover"))
      return !!coverColour;
    const c = document.createElement("div");
    c.id = "cover";
    c.style.cssText = "position: absolute; inset: 0; z-index: 1; background: " + coverColour;
    document.body.appendChild(c);
    return true;
  };
  const uncover = () => {
    const c = document.getElementById("cover");
    if (c)
      c.remove();
  };

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
    const spare = newPlayer();
    if (!cover())
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
      Promise.resolve(spare.ruffle().load({ ...options, autoplay: "on", data: bytes, socketProxy: warmGate })).then(() => {
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
        uncover();
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

  // The movie has the page's keyboard from its start, with no click: Ruffle
  // takes keys once its player's own box, or what has the focus inside it,
  // gets the focus with the movie on show and the page focused (a focus
  // given earlier is forgotten), so it is given then, and again each time
  // the page gets the focus back. A text field the movie focused keeps it:
  // Ruffle's hidden input box inside, which takes an input method's text.
  const takeKeys = () => {
    const root = player && player.shadowRoot;
    const box = root && root.getElementById("container");
    if (!box)
      return;
    const target = root.activeElement && box.contains(root.activeElement) ? root.activeElement : box;
    target.blur();
    target.focus({ preventScroll: true });
  };
  window.addEventListener("focus", () => setTimeout(takeKeys, 0));

  // Replaces whatever movie is shown by the one in these bytes, once Ruffle
  // is ready (or has failed to get ready, and tries again).
  const load = (mine, bytes, store, base) => {
    if (mine !== serial)
      return;
    if (warming && !settled && compiled) {
      warming.then(() => load(mine, bytes, store, base));
      return;
    }
    if (warming && !settled)
      yielded = true;
    stopWarming();
    uncover();
    mark("movie " + mine + " loads");
    shown = false;
    zoom = 1;
    originX = originY = 0;
    if (player) {
      player.remove();
      player = null;
    }
    // The movie's player takes the movie's own saved objects.
    storage = makeStorage(store.id, store.saved, Number(store.limit) || 0);
    const stage = document.getElementById("stage");
    player = newPlayer();
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
      takeKeys();
      const r = api();
      const rate = (r && r.metadata && r.metadata.frameRate) || 12;
      const wait = Math.min(1000, 2000 / Math.max(1, rate)) + 50;
      setTimeout(() => requestAnimationFrame(() => requestAnimationFrame(current(() => {
        shown = true;
        apply();
        takeKeys();
      }))), wait);
    });
    player.addEventListener("loadedmetadata", current(apply));
    player.addEventListener("loadeddata", loaded);
    player.addEventListener("error", failed);
    // Names the movie loads are resolved against its URL folder, which
    // stands for its folder on disk.
    const pending = api().load({ ...options, data: bytes, swfFileName: store.name, base });
    if (pending && typeof pending.then === "function")
      pending.then(current(apply), failed);
  };


  // The movie's menu, which the program shows outside the page. Ruffle's core
  // prepares the movie's entries and runs the one chosen by its place in its
  // list. Ruffle keeps the core's handle private: the handle's class is found
  // among Ruffle's modules, and the handle caught where the player asks its
  // core whether it plays.
  let caught = null;
  let hooked = false;
  const hookCore = () => {
    if (hooked || !modules)
      return hooked;
    for (const id of Object.keys(modules.m)) {
      const factory = modules.m[id];
      if (typeof factory !== "function" || !String(factory).includes("rufflehandle_prepare_context_menu"))
        continue;
      let handle = null;
      try {
        handle = modules(id).RuffleHandle;
      } catch (e) {
        continue;
      }
      if (!handle || typeof handle.prototype.is_playing !== "function")
        continue;
      const asks = handle.prototype.is_playing;
      handle.prototype.is_playing = function () {
        caught = this;
        return asks.call(this);
      };
      hooked = true;
      break;
    }
    return hooked;
  };
  const core = () => {
    const r = api();
    if (!r || !hookCore())
      return null;
    caught = null;
    try {
      void r.isPlaying;
    } catch (e) {
      // no core yet
    }
    const handle = caught;
    caught = null;
    return handle;
  };

  // The core names its built-in entries in its language, which is the
  // engine's (Simplified Chinese; English is the core's own fallback), and
  // lists them before the movie's own, in this order.
  const builtins = [
    ["play", "播放", "Play"], ["rewind", "后退", "Rewind"], ["forward", "前进", "Forward"], ["back", "返回", "Back"],
    ["quality-low", "质量：低", "Quality: Low"], ["quality-medium", "质量：中", "Quality: Medium"],
    ["quality-high", "质量：高", "Quality: High"],
    ["cut", "剪切", "Cut"], ["copy", "复制", "Copy"], ["paste", "粘贴", "Paste"], ["delete", "删除", "Delete"],
    ["select-all", "全选", "Select All"],
  ];
  // The core's list split: its built-in entries by name, the movie's own in order.
  const sortItems = (items) => {
    const named = {};
    const own = [];
    let next = 0;
    items.forEach((item, index) => {
      const caption = String(item.caption);
      const k = own.length ? -1 : builtins.findIndex((b, i) => i >= next && (b[1] === caption || b[2] === caption));
      if (k < 0) {
        own.push({ item, index });
      } else {
        named[builtins[k][0]] = { item, index };
        next = k + 1;
      }
    });
    return { named, own };
  };

  // Zoom, as the plug-in had it: the player element grows inside the stage,
  // which shows the part around where the menu was asked for.
  const MaxZoom = 4;
  let zoom = 1;
  let originX = 0; // the shown part's corner, as shares of the stage (0 or less)
  let originY = 0;
  let menuAt = { x: 0, y: 0 };
  const placePlayer = () => {
    if (!player)
      return;
    const s = player.style;
    if (zoom === 1) {
      s.position = s.left = s.top = s.width = s.height = "";
      return;
    }
    s.position = "absolute";
    s.left = originX * 100 + "%";
    s.top = originY * 100 + "%";
    s.width = s.height = zoom * 100 + "%";
  };
  const zoomTo = (factor) => {
    const stage = document.getElementById("stage");
    const clamp = (v, lo, hi) => Math.min(hi, Math.max(lo, v));
    const next = clamp(factor, 1, MaxZoom);
    const fx = clamp(menuAt.x / Math.max(1, stage.clientWidth), 0, 1);
    const fy = clamp(menuAt.y / Math.max(1, stage.clientHeight), 0, 1);
    // The point of the movie under the pointer stays there.
    originX = clamp(fx - ((fx - originX) / zoom) * next, 1 - next, 0);
    originY = clamp(fy - ((fy - originY) / zoom) * next, 1 - next, 0);
    zoom = next;
    placePlayer();
  };

  let offered = [];     // what the open menu's entries do, in its order
  let offeredBy = null; // the core that prepared them
  let offeredFor = 0;   // the movie they are for

  // The menu's entries in the order shown: the movie's own, zoom, quality,
  // play and loop, rewind, forward and back (or a text field's editing).
  const menuEntries = (handle, items) => {
    const { named, own } = sortItems(items);
    const out = [];
    const add = (key, caption, enabled, checked, separatorBefore, run) => {
      // As the program reads an entry: key, caption, enabled, checked, a line above.
      out.push([key, String(caption), !!enabled, !!checked, !!separatorBefore]);
      offered.push(run);
    };
    const fromCore = (key) => {
      const found = named[key];
      if (found)
        add(key, "", found.item.enabled, found.item.checked, false, () => handle.run_context_menu_callback(found.index));
    };
    for (const { item, index } of own)
      add("", String(item.caption), item.enabled, false, item.separatorBefore && out.length > 0,
          () => handle.run_context_menu_callback(index));
    add("zoom-in", "", zoom < MaxZoom, false, false, () => zoomTo(zoom * 2));
    add("zoom-out", "", zoom > 1, false, false, () => zoomTo(zoom / 2));
    add("show-all", "", zoom > 1, zoom === 1, false, () => zoomTo(1));
    ["quality-low", "quality-medium", "quality-high"].forEach(fromCore);
    fromCore("play");
    // Ruffle always loops a movie's timeline, and cannot be told otherwise.
    if (named.play)
      add("loop", "", false, true, false, null);
    ["rewind", "forward", "back", "cut", "copy", "paste", "delete", "select-all"].forEach(fromCore);
    return out;
  };

  // The renderer the current movie's player drew with, once it has one.
  const rendererName = () => {
    const handle = state === "playing" ? core() : null;
    try {
      return handle ? String(handle.renderer_name()) : null;
    } catch (e) {
      return null;
    }
  };

  window.corvaneFlash = {
    // The renderer Ruffle tries first, for every player from now on
    // ("wgpu-webgl" falls back to its plain WebGL renderer, then to a
    // canvas, by itself).
    prefer(renderer) {
      if (Renderers.includes(renderer))
        options.preferredRenderer = renderer;
    },
    // Readies Ruffle before any movie; nothing when it is ready or on its way.
    // `colour` (#rrggbb) is the area's, which covers the movies played meanwhile.
    warm(colour) {
      if (!warming && typeof colour === "string" && /^#[0-9a-fA-F]{6}$/.test(colour))
        coverColour = colour;
      warmUp();
    },
    // The movie that the program offers under this name (its URL path,
    // m/N/file), once; a later call overtakes an earlier one still on its
    // way. `store` holds the movie's id for what it saves, its file's name
    // and what it saved.
    open(name, playing, mute, store) {
      store = store || { id: 0, name: "movie.swf", saved: {} };
      const mine = ++serial;
      mark("movie " + mine + " asked");
      suspended = !playing;
      muted = !!mute;
      const href = new URL(name, location.href).href;
      const base = href.slice(0, href.lastIndexOf("/") + 1);
      const xhr = new XMLHttpRequest();
      xhr.open("GET", href);
      xhr.responseType = "arraybuffer";
      xhr.onload = () => load(mine, new Uint8Array((xhr.status === 200 || xhr.status === 0) && xhr.response ? xhr.response : 0), store, base);
      xhr.onerror = () => load(mine, new Uint8Array(0), store, base);
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
    // The movie's menu for a right-click at (x, y) in the page, as the core
    // has it now; empty when there is no movie. runMenuEntry follows once.
    menu(x, y) {
      offered = [];
      offeredBy = null;
      const handle = state === "playing" ? core() : null;
      let items = null;
      try {
        items = handle ? Array.from(handle.prepare_context_menu() || []) : null;
      } catch (e) {
        items = null;
      }
      if (!items)
        return [];
      offeredBy = handle;
      offeredFor = serial;
      menuAt = { x: Number(x) || 0, y: Number(y) || 0 };
      return menuEntries(handle, items);
    },
    // Runs the entry at this place of the last menu (none when out of range)
    // and closes that menu.
    runMenuEntry(index) {
      const run = offeredFor === serial ? offered[index] : null;
      const handle = offeredBy;
      offered = [];
      offeredBy = null;
      // The core runs an entry's action in a later turn; its menu is closed
      // only then.
      const close = () => {
        try {
          if (handle)
            handle.clear_custom_menu_items();
        } catch (e) {
          // the movie went meanwhile
        }
      };
      new Promise((resolve) => resolve(run ? run() : null)).then(close, close);
    },
    // For whoever needs to know what the page holds.
    status() {
      const r = api();
      return {
        state: state,
        shown: shown,
        serial: serial,
        suspended: r ? !!r.suspended : suspended,
        volume: r ? r.volume : null,
        warm: warm,
        zoom: zoom,
        warmed: warmed,
        renderer: rendererName(),
      };
    },
  };
})();
