// The list view, loaded when it is first opened: its markup (list.html)
// goes into the page; a paste, a file chosen or dropped goes to the worker
// (list-worker.js), which decodes it with the core's list code; the table
// shows only the rows in view, asked of the worker as it scrolls; the
// outputs and the view's texts come from it too. Every text, rule and
// field is the core's; this moves them.
import { pageText } from "../kavrel.js";

const root = document.documentElement;
const byId = (id) => document.getElementById(id);

const [markup] = await Promise.all([
  fetch(new URL("list.html", import.meta.url)).then((response) => {
    if (!response.ok) throw new Error(`list.html: ${response.status}`);
    return response.text();
  }),
  new Promise((loaded, failed) => {
    const style = document.createElement("link");
    style.rel = "stylesheet";
    style.href = new URL("list.css", import.meta.url).href;
    style.onload = loaded;
    style.onerror = failed;
    document.head.append(style);
  }),
]);
byId("Notice").insertAdjacentHTML("beforebegin", markup);

const view = byId("List");
const scroller = byId("ListScroller");
const table = byId("ListTable");
const headRow = table.querySelector(".list-head .list-row");
const body = table.querySelector(".list-body");
const paste = byId("ListPaste");
const progress = byId("ListProgress");
const failedOnly = byId("ListFailedOnly");
const outputButtons = ["ListCopy", "ListCsv", "ListJson"].map(byId);
const languages = byId("Languag");

// Every row has this height, so that a row's place in the list is its
// place on the scrolled table.
const ROW = 28;
// What the rows of the worker's view hold before the fields: the line
// number and whether the row failed.
const LINE = 0;
const FAILED = 1;
const FIRST_FIELD = 2;
// Formats of the worker's outputs.
const CSV = 0;
const JSON_LINES = 1;
const SHEET = 2;

table.style.setProperty("--row", `${ROW}px`);

let worker = null;
let asked = 0;       // the last request's number
let viewAsked = 0;   // the request whose rows the table is to show
let listed = false;  // a list has been read
const outputs = new Map();
// The view's texts in the language they were last asked in.
let words = new Map();
let wordsLanguage = null;
let wordsCame = () => {};

// A text of the view (or, for what the page says too, of the page).
function text(name) {
  return words.get(name) ?? pageText(name);
}

function localise() {
  for (const element of view.querySelectorAll("[data-list-text]")) element.textContent = text(element.dataset.listText);
  for (const element of view.querySelectorAll("[data-list-label]")) {
    element.setAttribute("aria-label", text(element.dataset.listLabel));
  }
}

// Asks the worker for the view's texts in the chosen language, unless
// they are at hand; the promise holds until they are shown.
function askWords() {
  if (!worker) startWorker();
  if (wordsLanguage === language()) return Promise.resolve();
  worker.postMessage({ type: "texts", language: language() });
  return new Promise((done) => { wordsCame = done; });
}

function say(name) {
  const message = byId("ListMessage");
  if (name) message.dataset.listText = name;
  else delete message.dataset.listText;
  message.textContent = name ? text(name) : "";
}

function busy(on) {
  byId("ListBusy").hidden = !on;
  progress.value = 0;
  for (const button of outputButtons) button.disabled = on || !listed;
}

function language() {
  return languages.selectedIndex;
}

function heard({ data }) {
  switch (data.type) {
    case "texts":
      words = new Map(data.text.slice(0, -1).split("\n").map((line) => line.split("\t")));
      wordsLanguage = data.language;
      localise();
      wordsCame();
      break;
    case "not-text":
      busy(false);
      say("ListNotText");
      break;
    case "progress":
      progress.value = data.done / data.total;
      break;
    case "read":
      listed = true;
      busy(false);
      scroller.scrollTop = 0;
      ask();
      break;
    case "view":
      if (data.asked === viewAsked) show(data);
      break;
    case "block":
      outputs.get(data.asked).parts.push(data.block);
      break;
    case "output": {
      const wanted = outputs.get(data.asked);
      outputs.delete(data.asked);
      wanted.done(new Blob(wanted.parts, { type: wanted.type }));
      break;
    }
    default:  // the module ran out of memory (or the file was taken away)
      drop();
      say("ListTooLarge");
  }
}

function startWorker() {
  worker = new Worker(new URL("list-worker.js", import.meta.url), { type: "module" });
  worker.addEventListener("message", heard);
}

// A new input: a File or the pasted text, decoded in the worker.
function decode(input, name = "") {
  if (!worker) startWorker();
  say("");
  busy(true);
  const blob = typeof input === "string" ? new Blob([input]) : input;
  worker.postMessage({ type: "read", blob, name, asked: ++asked });
}

// The worker and its list dropped; the next input starts a new one.
function drop() {
  worker.terminate();
  worker = null;
  listed = false;
  busy(false);
  show({ text: "", shown: 0, rows: 0, failed: 0 });
}

function cancel() {
  drop();
  say("ListCancelled");
}

// Asks the worker for the rows in view, and a few below.
function ask() {
  if (!worker || !listed) return;
  const first = Math.floor(scroller.scrollTop / ROW);
  const count = Math.ceil(scroller.clientHeight / ROW) + 2;
  viewAsked = ++asked;
  worker.postMessage({ type: "view", first, count, failedOnly: failedOnly.checked, language: language(), asked: viewAsked });
}

let scrolled = false;
scroller.addEventListener("scroll", () => {
  if (scrolled) return;
  scrolled = true;
  requestAnimationFrame(() => {
    scrolled = false;
    ask();
  });
});

function cell(row, index, role) {
  let element = row.children[index];
  if (!element) {
    element = document.createElement("div");
    element.setAttribute("role", role);
    row.append(element);
  }
  return element;
}

// The worker's view: the header's fields, then per row its line number,
// whether it failed and its fields.
function show({ text, shown, rows, failed, first = 0 }) {
  const lines = text ? text.slice(0, -1).split("\n") : [];
  const header = lines.length ? lines[0].split("\t") : [];
  header.forEach((caption, i) => { cell(headRow, i, "columnheader").textContent = caption; });
  body.style.height = `${shown * ROW}px`;
  table.setAttribute("aria-rowcount", String(shown + 1));
  const rowsShown = lines.slice(1);
  while (body.children.length > rowsShown.length) body.lastChild.remove();
  rowsShown.forEach((line, i) => {
    let row = body.children[i];
    if (!row) {
      row = document.createElement("div");
      row.className = "list-row";
      row.setAttribute("role", "row");
      body.append(row);
    }
    const fields = line.split("\t");
    row.setAttribute("aria-rowindex", String(first + i + 2));
    row.style.top = `${(first + i) * ROW}px`;
    row.classList.toggle("failed", fields[FAILED] === "1");
    [fields[LINE], ...fields.slice(FIRST_FIELD)].forEach((field, c) => { cell(row, c, "cell").textContent = field; });
  });
  byId("ListCounts").hidden = !listed;
  byId("ListRowCount").textContent = String(rows);
  byId("ListDecodedCount").textContent = String(rows - failed);
  byId("ListFailedCount").textContent = String(failed);
}

// An output of the whole list as a Blob (a million rows take seconds:
// the buttons wait meanwhile).
async function output(format, type, bom = false) {
  const id = ++asked;
  say("");
  for (const button of outputButtons) button.disabled = true;
  const blob = await new Promise((done) => {
    outputs.set(id, { parts: [], type, done });
    worker.postMessage({ type: "output", format, language: language(), bom, asked: id });
  });
  busy(false);
  return blob;
}

async function save(format, name, type, bom) {
  const link = document.createElement("a");
  link.href = URL.createObjectURL(await output(format, type, bom));
  link.download = name;
  link.click();
  setTimeout(() => URL.revokeObjectURL(link.href), 60_000);
}

byId("ListCsv").addEventListener("click", () => save(CSV, "kavrel.csv", "text/csv", byId("ListBom").checked));
byId("ListJson").addEventListener("click", () => save(JSON_LINES, "kavrel.jsonl", "application/jsonl"));
byId("ListCopy").addEventListener("click", async () => {
  const text = await (await output(SHEET, "text/plain")).text();
  try {
    await navigator.clipboard.writeText(text);
    say("ListCopied");
  } catch {
    say("CopyRefused");
  }
});
byId("ListCancel").addEventListener("click", cancel);
failedOnly.addEventListener("change", () => {
  scroller.scrollTop = 0;
  ask();
});

// A paste is decoded as it comes, not put into the box; typed lines are
// decoded once the typing pauses.
let typing = 0;
view.addEventListener("paste", (event) => {
  if (event.target !== paste) return;
  event.preventDefault();
  decode(event.clipboardData.getData("text/plain"));
});
paste.addEventListener("input", () => {
  clearTimeout(typing);
  typing = setTimeout(() => decode(paste.value), 600);
});
byId("ListFile").addEventListener("change", (event) => {
  const [file] = event.target.files;
  if (file) decode(file, file.name);
  event.target.value = "";
});
view.addEventListener("dragover", (event) => {
  event.preventDefault();
  event.dataTransfer.dropEffect = "copy";
});
view.addEventListener("drop", (event) => {
  event.preventDefault();
  const [file] = event.dataTransfer.files;
  if (file) decode(file, file.name);
  else if (event.dataTransfer.getData("text/plain")) decode(event.dataTransfer.getData("text/plain"));
});

function close() {
  view.hidden = true;
  root.classList.remove("listing");
  byId("ListOpen").focus();
}
byId("ListBack").addEventListener("click", close);
document.addEventListener("keydown", (event) => {
  if (event.key === "Escape" && !view.hidden) close();
});

busy(false);

export async function openList() {
  await askWords();
  view.hidden = false;
  root.classList.add("listing");
  byId("ListBack").focus();
  ask();
}
