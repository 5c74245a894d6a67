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

if (typeof WebAssembly !== "object") {
  unsupported();
} else {
  createCore().then(start, unsupported);
  if ("serviceWorker" in navigator) navigator.serviceWorker.register("sw.js").catch(() => {});
}

function start(core) {
  const input = document.getElementById("ClickNomer");
  const languages = document.getElementById("Languag");
  const about = document.getElementById("About");
  const closeAbout = document.getElementById("AboutClose");
  // The page's element of each control, by the core's control index.
  const boxes = Array.from({ length: core._kavrel_controls() },
    (_, i) => document.getElementById(core.UTF8ToString(core._kavrel_name(i))));

  // A text into the core's room for the input box's text.
  function put(text) {
    const bytes = core.lengthBytesUTF8(text) + 1;
    core.stringToUTF8(text, core._kavrel_input(bytes), bytes);
  }

  // Copies what the last notification changed into the page.
  function show() {
    const changed = core._kavrel_changed();
    for (let i = 0; i < boxes.length; ++i) {
      if (!(changed & (1 << i))) continue;
      const box = boxes[i];
      if (box === languages) {
        languages.selectedIndex = core._kavrel_language();
        root.lang = languages.selectedIndex < 0 ? "" : languages.options[languages.selectedIndex].dataset.lang;
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
  input.addEventListener("input", () => {
    put(input.value);
    core._kavrel_change();
    show();
  });
  languages.addEventListener("change", () => {
    core._kavrel_choose(languages.selectedIndex);
    show();
  });
  document.querySelectorAll("#Menu button").forEach((item, place) => {
    item.addEventListener("click", () => {
      core._kavrel_menu(place);
      show();
    });
  });
  closeAbout.addEventListener("click", () => about.close());
  document.addEventListener("keydown", (event) => {
    if (event.key === "Escape" && about.open) about.close();
  });

  put(input.value);
  core._kavrel_load();
  show();
  root.classList.add("ready");
}
