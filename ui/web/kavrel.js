// The page's script: it loads the window logic (the core, compiled to
// WebAssembly), hands it every notification of the page's controls and
// copies the texts it sets into the page. Every rule is the core's: the
// key filter, the decode, the languages, what the menu does.
import createCore from "./kavrel-core.js";

const root = document.documentElement;

// What the core asks of the page besides texts (WebErrand in web_view.h).
const SHOW_ABOUT = 1;
const CLOSE_ABOUT = 2;
const PRINT = 4;
// The character code of Backspace, as the key filter reads it.
const BACKSPACE = 8;

function unsupported() {
  root.classList.add("no-wasm");
}

// For the views that load on demand: the page's texts in the chosen
// language, and word of each change of it.
const languageListeners = [];
let pageTextOf = () => "";
let pasteText = () => {};
export function pageText(name) {
  return pageTextOf(name);
}
export function onLanguage(listener) {
  languageListeners.push(listener);
}
// The language list's text ("ENG", "RUS", or "" with nothing chosen),
// which is what the core's language steps read.
export function languageText() {
  const list = document.getElementById("Languag");
  return list.selectedIndex < 0 ? "" : list.options[list.selectedIndex].text;
}
// Puts `text` into the input box in place of what it holds, as a paste of
// the whole box would: not filtered, decoded as it stands.
export function pasteIntoInput(text) {
  pasteText(text);
}

if (typeof WebAssembly !== "object") {
  unsupported();
} else {
  createCore().then(start, unsupported);
  if ("serviceWorker" in navigator) {
    navigator.serviceWorker.register("sw.js").then(keepTheRest, () => {});
  }
}

// Once the page is up and the browser idle, the worker fetches and keeps
// what the page loads only on demand, so that it works offline too.
function keepTheRest(registration) {
  const idle = window.requestIdleCallback || ((run) => setTimeout(run, 2000));
  idle(() => {
    navigator.serviceWorker.ready.then((ready) => ready.active && ready.active.postMessage("keep-later"));
  }, { timeout: 10_000 });
  return registration;
}

// The page's own texts (data-text: the content, data-label: the name a
// screen reader reads) in the language the core has chosen.
function localise() {
  for (const element of document.querySelectorAll("[data-text]")) element.textContent = pageText(element.dataset.text);
  for (const element of document.querySelectorAll("[data-label]")) {
    element.setAttribute("aria-label", pageText(element.dataset.label));
  }
  for (const listener of languageListeners) listener();
}

function start(core) {
  const input = document.getElementById("ClickNomer");
  const languages = document.getElementById("Languag");
  const about = document.getElementById("About");
  const closeAbout = document.getElementById("AboutClose");
  // The page's element of each control, by the core's control index.
  const boxes = Array.from({ length: core._kavrel_controls() },
    (_, i) => document.getElementById(core.UTF8ToString(core._kavrel_name(i))));

  // A text into the core's room for texts from the page; its address.
  function put(text) {
    const bytes = core.lengthBytesUTF8(text) + 1;
    const room = core._kavrel_input(bytes);
    core.stringToUTF8(text, room, bytes);
    return room;
  }
  pageTextOf = (name) => core.UTF8ToString(core._kavrel_page_text(put(name)));

  // Copies what the last notification changed into the page.
  function show() {
    const changed = core._kavrel_changed();
    for (let i = 0; i < boxes.length; ++i) {
      if (!(changed & (1 << i))) continue;
      const box = boxes[i];
      if (box === languages) {
        languages.selectedIndex = core._kavrel_language();
        root.lang = languages.selectedIndex < 0 ? "" : languages.options[languages.selectedIndex].dataset.lang;
        localise();
      } else if (box !== input) {  // only the user writes the input box
        box.textContent = core.UTF8ToString(core._kavrel_text(i));
        box.hidden = !core._kavrel_visible(i);
      }
    }
    const errands = core._kavrel_errands();
    if (errands & SHOW_ABOUT) {
      // One About at most: shown again, it only takes the focus.
      if (!about.open) about.show();
      closeAbout.focus();
    }
    if (errands & CLOSE_ABOUT) about.close();
    if (errands & PRINT) window.print();
  }

  // The key filter sees each character typed, before it is inserted;
  // pasted, dropped and other edits are taken as they stand.
  input.addEventListener("beforeinput", (event) => {
    let taken = true;
    if (event.inputType === "insertText" && event.data) {
      if ([...event.data].length === 1) {
        taken = core._kavrel_key(event.data.codePointAt(0)) !== 0;
      } else {
        put(event.data);
        taken = core._kavrel_takes_typed() !== 0;
      }
    } else if (event.inputType === "deleteContentBackward") {
      taken = core._kavrel_key(BACKSPACE) !== 0;
    }
    if (!taken) event.preventDefault();
  });
  function changed() {
    put(input.value);
    core._kavrel_change();
    show();
    followInput();
  }
  input.addEventListener("input", changed);
  pasteText = (text) => {
    input.value = text;
    changed();
  };
  languages.addEventListener("change", () => {
    core._kavrel_choose(languages.selectedIndex);
    show();
    // The user's choice ends a link's language: the address drops it.
    if (location.hash) followInput();
  });
  // The menu bar's items of the window (the page's own items have a class).
  document.querySelectorAll("#Menu button:not(.page-item)").forEach((item, place) => {
    item.addEventListener("click", () => {
      core._kavrel_menu(place);
      show();
    });
  });
  closeAbout.addEventListener("click", () => about.close());
  document.addEventListener("keydown", (event) => {
    if (event.key === "Escape" && about.open) about.close();
  });

  // The photo reader loads on the first sign that it is wanted (a touch
  // of its button, the keyboard's focus) and gets its engine ready while
  // the user takes the photo; choosing a photo reads it.
  const photo = document.getElementById("ReadPhotoFile");
  let reader = null;
  const photoReader = () => {
    reader ||= import("./reader/reader.js").catch(() => {
      reader = null;
      const status = document.getElementById("ReadingStatus");
      status.dataset.text = "ReadOffline";
      status.textContent = pageText("ReadOffline");
      document.getElementById("Reading").hidden = false;
      return null;
    });
    return reader;
  };
  const warm = () => photoReader().then((module) => module && module.warm());
  document.getElementById("ReadPhoto").addEventListener("pointerdown", warm);
  photo.addEventListener("focus", warm);
  photo.addEventListener("change", () => {
    const chosen = photo.files[0];
    photoReader().then((module) => module && module.read(chosen));
  });

  const followInput = startOwnItems(core, put, pasteText, show);
  put(location.hash);
  if (core._kavrel_link()) input.value = core.UTF8ToString(core._kavrel_link_serial());
  put(input.value);
  core._kavrel_load();
  show();
  root.classList.add("ready");
}

// ---- Links, sharing and the list view (the page's own menu items).

// A word of what the page did, for a few seconds.
let noticeShown = 0;
function notify(name) {
  const notice = document.getElementById("Notice");
  notice.dataset.text = name;
  notice.textContent = pageText(name);
  notice.hidden = false;
  clearTimeout(noticeShown);
  noticeShown = setTimeout(() => { notice.hidden = true; }, 5000);
}

// Links, sharing and the list. The address follows the input box (a
// link's fragment, see link.h): it is replaced, never added to the
// history, and never sent anywhere. A link opened on the open page (a
// changed fragment) is taken as at the load. Returns what makes the
// address follow the input.
function startOwnItems(core, put, paste, show) {
  const page = () => location.origin + location.pathname + location.search;
  // Once the typing pauses: off the keystroke's path (a replaced address
  // costs more than the decode), and within the browser's limit on them.
  let following = 0;
  function followInput() {
    clearTimeout(following);
    following = setTimeout(() => {
      const fragment = core.UTF8ToString(core._kavrel_address());
      if (fragment !== location.hash) history.replaceState(history.state, "", fragment || page());
    }, 250);
  }
  addEventListener("hashchange", () => {
    put(location.hash);
    if (core._kavrel_link()) paste(core.UTF8ToString(core._kavrel_link_serial()));
    core._kavrel_follow_link();
    show();
  });
  // The system's share sheet where there is one, the clipboard elsewhere
  // (and where the sheet refuses; closed without sharing, it is left be).
  async function copy(text) {
    try {
      await navigator.clipboard.writeText(text);
      notify("ShareCopied");
    } catch {
      notify("CopyRefused");
    }
  }
  document.getElementById("Share").addEventListener("click", () => {
    put(page());
    const text = core.UTF8ToString(core._kavrel_share());
    if (!navigator.share) return copy(text);
    return navigator.share({ text }).catch((error) => (error.name === "AbortError" ? undefined : copy(text)));
  });
  document.getElementById("ListOpen").addEventListener("click", () => {
    import("./list/list.js").then((list) => list.openList(), () => notify("ListOffline"));
  });
  return followInput;
}
