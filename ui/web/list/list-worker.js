// The list view's worker: it reads the file (or the pasted text) in
// slices into the list module (kavrel-list.wasm, the core's list code),
// answers the view's requests for the rows it shows and hands the outputs
// back a block at a time. Every rule is the core's; this only moves bytes.
import createList from "./kavrel-list.js";

const SLICE = 1 << 20;
const BLOCK = 1 << 20;
const TEXT_PROBE = 4096;
const core = createList();
const encoder = new TextEncoder();

function put(list, bytes) {
  const room = list._list_room(bytes.length);
  list.HEAPU8.set(bytes, room);
}

function counts(list) {
  return { rows: list._list_rows(), failed: list._list_failed() };
}

// A file or a paste (as a Blob), read a slice at a time; the view may ask
// for rows between the slices and sees those decoded so far. A start that
// is not text leaves the list as it was.
async function read(list, { blob, name }) {
  put(list, new Uint8Array(await blob.slice(0, TEXT_PROBE).arrayBuffer()));
  if (!list._list_is_text()) {
    postMessage({ type: "not-text" });
    return;
  }
  put(list, encoder.encode(name));
  list._list_start(blob.size);
  for (let at = 0; at < blob.size; at += SLICE) {
    put(list, new Uint8Array(await blob.slice(at, at + SLICE).arrayBuffer()));
    list._list_feed();
    postMessage({ type: "progress", done: Math.min(at + SLICE, blob.size), total: blob.size, ...counts(list) });
  }
  list._list_end();
  postMessage({ type: "read", ...counts(list) });
}

function view(list, { first, count, failedOnly, language, asked }) {
  const text = list.UTF8ToString(list._list_view(first, count, failedOnly ? 1 : 0, language));
  postMessage({ type: "view", asked, first, text, shown: list._list_shown(failedOnly ? 1 : 0), ...counts(list) });
}

function output(list, { format, language, bom, asked }) {
  list._list_output(format, language, bom ? 1 : 0);
  for (let size; (size = list._list_output_next(BLOCK)) > 0;) {
    const at = list._list_block();
    const block = list.HEAPU8.slice(at, at + size);
    postMessage({ type: "block", asked, block }, [block.buffer]);
  }
  postMessage({ type: "output", asked });
}

function texts(list, { language }) {
  postMessage({ type: "texts", language, text: list.UTF8ToString(list._list_texts(language)) });
}

const jobs = { texts, read, view, output };
// One request after another, in the order they came.
let queue = core;
self.addEventListener("message", ({ data }) => {
  queue = queue.then(async (list) => {
    try {
      await jobs[data.type](list, data);
    } catch (error) {
      postMessage({ type: "failed", asked: data.asked, message: String(error) });
    }
    return list;
  });
});
