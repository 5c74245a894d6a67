// Reading the serial number from a photo of the nameplate: the page's side.
// Loaded on the first sign that the photo control is wanted. The photo goes
// to a worker (reader-worker.js), which does all the work with the core and
// the engine; this module shows its progress and its candidates, and puts
// the one chosen into the input box. The photo never leaves the device.
import { languageText, onLanguage, pageText, pasteIntoInput } from "../kavrel.js";

const panel = document.getElementById("Reading");
const status = document.getElementById("ReadingStatus");
const progress = document.getElementById("ReadingProgress");
const cancel = document.getElementById("ReadingCancel");
const list = document.getElementById("ReadingCandidates");
const heading = document.getElementById("ReadingFound");
const close = document.getElementById("ReadingClose");
const file = document.getElementById("ReadPhotoFile");

let worker = null;
let reading = 0;  // the number of the reading under way, 0 with none
let readings = 0;
let shown = null; // what the panel shows: { text } or { candidates }

// The worker is made once and kept: it keeps the engine ready between
// readings. Cancel ends it, the only way to stop the engine mid-pass.
function theWorker() {
  if (!worker) {
    worker = new Worker(new URL("reader-worker.js", import.meta.url));
    worker.addEventListener("message", (event) => answer(event.data));
    worker.addEventListener("error", () => {
      if (reading) finish({ text: "ReadFailed" });
      worker = null;
    });
    worker.postMessage({ type: "warm" });
  }
  return worker;
}

export function warm() {
  theWorker();
}

// The engine cannot be stopped mid-pass: the worker ends with the reading
// it was doing.
function stop() {
  if (worker) worker.terminate();
  worker = null;
}

export function read(photo) {
  if (!photo) return;
  if (reading) stop();  // a new photo chosen while one is read
  reading = ++readings;
  shown = null;
  panel.hidden = false;
  cancel.hidden = false;
  close.hidden = true;
  heading.hidden = true;
  list.replaceChildren();
  progress.hidden = false;
  progress.removeAttribute("value");
  say("ReadReading");
  theWorker().postMessage({ type: "read", reading, photo });
  // The same photo chosen again is a new choice.
  file.value = "";
}

function say(name) {
  status.dataset.text = name;
  status.textContent = pageText(name);
}

function answer(message) {
  if (message.reading !== reading) return;  // of a reading cancelled since
  if (message.type === "progress") {
    say(message.stage === "fetching" ? "ReadFetching" : "ReadReading");
    if (message.total > 0) {
      progress.max = message.total;
      progress.value = message.done;
    }
  } else if (message.type === "candidates") {
    finish(message.candidates.length ? { candidates: message.candidates } : { text: "ReadNothing" });
  } else if (message.type === "problem") {
    finish({ text: message.text });
  }
}

function finish(result) {
  reading = 0;
  shown = result;
  progress.hidden = true;
  cancel.hidden = true;
  close.hidden = false;
  render();
}

// The candidates in the chosen language: each a button whose name begins
// with its digits; runs that do not decode in full are marked.
function render() {
  if (!shown) return;
  if (shown.text) {
    heading.hidden = true;
    list.replaceChildren();
    say(shown.text);
    return;
  }
  status.textContent = "";
  delete status.dataset.text;
  heading.hidden = false;
  const language = languageText() === "RUS" ? "RUS" : "ENG";
  list.replaceChildren(...shown.candidates.map((candidate) => {
    const item = document.createElement("li");
    const button = document.createElement("button");
    button.type = "button";
    button.className = candidate.decoded ? "candidate" : "candidate partly";
    const digits = document.createElement("span");
    digits.className = "digits";
    digits.textContent = candidate.digits;
    const what = document.createElement("span");
    what.className = "what";
    what.textContent = candidate.decoded ? candidate.texts[language] : pageText("ReadPartly");
    button.append(digits, " ", what);
    button.addEventListener("click", () => choose(candidate.digits));
    item.append(button);
    return item;
  }));
}

function choose(digits) {
  pasteIntoInput(digits);
  hide();
  document.getElementById("ClickNomer").focus({ preventScroll: true });
}

function hide() {
  panel.hidden = true;
  shown = null;
  list.replaceChildren();
}

cancel.addEventListener("click", () => {
  if (!reading) return;
  reading = 0;
  stop();
  finish({ text: "ReadCancelled" });
});
close.addEventListener("click", hide);
onLanguage(render);
