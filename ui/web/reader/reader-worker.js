// The photo reader's worker: it moves data between the photo, the core's
// reader (kavrel-reader.wasm: the image work, the reading plan and the
// ranking) and the engine (Tesseract in WebAssembly, from engine/). Every
// decision is the core's; this script decodes the picture with the
// browser's own decoder, at the size the core asks for, and runs the passes
// the core plans.
/* global createReader, TesseractCore */
importScripts("kavrel-reader.js");

const ENGINE = new URL("../engine/", self.location).href;
const ENGINE_SCRIPT = "tesseract-core-simd-lstm.js";
const MODEL = "eng.traineddata.gz";

let core = null;
let engine = null;  // { module, api }, once ready
let ready = null;   // the promise of both
let current = 0;    // the reading under way, whose progress is told

function progress(stage, done = 0, total = 0) {
  if (current) postMessage({ type: "progress", reading: current, stage, done, total });
}

// A file fetched with its progress told in bytes; it comes from the
// service worker's cache once it has been kept.
async function fetched(url, told) {
  const response = await fetch(url);
  if (!response.ok) throw new Error(`${url}: ${response.status}`);
  const total = Number(response.headers.get("Content-Length")) || 0;
  const reader = response.body.getReader();
  const parts = [];
  let done = 0;
  for (;;) {
    const { value, done: end } = await reader.read();
    if (end) break;
    parts.push(value);
    done += value.length;
    told(done, total);
  }
  return new Blob(parts);
}

function prepare() {
  if (ready) return ready;
  ready = (async () => {
    core = await createReader();
    progress("fetching");
    const model = fetched(ENGINE + MODEL, (done, total) => progress("fetching", done, total));
    importScripts(ENGINE + ENGINE_SCRIPT);
    // What the engine prints (its estimates, its warnings) is for its own
    // developers; failures reach this script as results.
    const quiet = () => {};
    const module = await TesseractCore({ locateFile: (name) => ENGINE + name, print: quiet, printErr: quiet });
    const bytes = new Uint8Array(await new Response((await model).stream()
      .pipeThrough(new DecompressionStream("gzip"))).arrayBuffer());
    module.FS.writeFile("eng.traineddata", bytes);
    const api = new module.TessBaseAPI();
    // The LSTM recogniser only: the engine is built without the other.
    if (api.Init(null, "eng", 1) !== 0) throw new Error("the engine did not start");
    for (const [name, value] of coreSettings()) api.SetVariable(name, value);
    engine = { module, api };
  })();
  ready.catch(() => { ready = null; });
  return ready;
}

// Text the core hands over as a zero-ended string.
function text(pointer) {
  return core.UTF8ToString(pointer);
}

// The engine's settings, as the core gives them: "name=value" lines.
function coreSettings() {
  return text(core._reader_engine_settings()).split("\n").filter(Boolean).map((line) => {
    const at = line.indexOf("=");
    return [line.slice(0, at), line.slice(at + 1)];
  });
}

// Bytes into the core's memory, at the address it gives for them.
function intoCore(bytes, room) {
  core.HEAPU8.set(bytes, room);
}

// The picture decoded by the browser at the size the core asks for, as
// RGBA pixels. The decoder scales while it decodes, so a 50 megapixel
// photo never stands in memory at full size; without it (older
// browsers) the whole picture is decoded first.
async function pixels(photo, width, height, mime) {
  let bitmap;
  if (self.ImageDecoder && mime && await ImageDecoder.isTypeSupported(mime)) {
    const decoder = new ImageDecoder({ data: photo.stream(), type: mime, desiredWidth: width, desiredHeight: height });
    try {
      const { image } = await decoder.decode();
      bitmap = await createImageBitmap(image);
      image.close();
    } finally {
      decoder.close();
    }
  } else {
    bitmap = await createImageBitmap(photo);
  }
  // The size asked for, turned as the photo's orientation turns it.
  const turned = (bitmap.width > bitmap.height) !== (width > height) && width !== height;
  const [w, h] = turned ? [height, width] : [width, height];
  const canvas = new OffscreenCanvas(w, h);
  const context = canvas.getContext("2d", { willReadFrequently: true });
  context.drawImage(bitmap, 0, 0, w, h);
  bitmap.close();
  return context.getImageData(0, 0, w, h);
}

async function read(photo) {
  if (!engine) progress("fetching");
  await prepare();
  progress("reading");
  // The core tells a picture from anything else by its first bytes.
  const head = new Uint8Array(await photo.slice(0, core._reader_head_size()).arrayBuffer());
  intoCore(head, core._reader_room(head.length));
  if (!core._reader_sniff(head.length)) return { type: "problem", text: "ReadNotPicture" };

  let image;
  try {
    image = await pixels(photo, core._reader_decode_width(), core._reader_decode_height(), text(core._reader_mime()));
  } catch (error) {
    console.error(error);
    return { type: "problem", text: "ReadFailed" };
  }
  intoCore(image.data, core._reader_room(image.data.length));
  core._reader_begin(image.width, image.height);
  image = null;

  const { module, api } = engine;
  while (core._reader_next_pass()) {
    // The engine's module shares no memory: the pass's image reaches it as
    // a PGM file in its file system.
    const pgm = core._reader_pass_pgm();
    module.FS.writeFile("/input", core.HEAPU8.subarray(pgm, pgm + core._reader_pass_pgm_bytes()));
    api.SetPageSegMode(core._reader_pass_mode());
    api.SetVariable("tessedit_char_whitelist", text(core._reader_pass_chars()));
    if (api.SetImageFile(1, 0) !== 0) throw new Error("the engine did not take the image");
    api.Recognize(null);
    const tsv = api.GetTSVText(0);
    const bytes = core.lengthBytesUTF8(tsv) + 1;
    core.stringToUTF8(tsv, core._reader_room(bytes), bytes);
    core._reader_take(bytes - 1);
  }
  module.FS.unlink("/input");
  api.Clear();

  const candidates = [];
  for (let i = 0; i < core._reader_candidates(); ++i) {
    candidates.push({
      digits: text(core._reader_candidate_digits(i)),
      decoded: core._reader_candidate_decoded(i) !== 0,
      texts: { ENG: text(core._reader_candidate_text(i, 0)), RUS: text(core._reader_candidate_text(i, 1)) },
    });
  }
  core._reader_end();
  return { type: "candidates", candidates };
}

// One reading at a time: they share the core's reader.
let queue = Promise.resolve();
onmessage = ({ data }) => {
  if (data.type === "warm") prepare().catch(() => {});
  if (data.type === "read") queue = queue.then(() => answer(data));
};

async function answer(data) {
  let result;
  current = data.reading;
  try {
    result = await read(data.photo);
  } catch (error) {
    // Offline before the engine was ever kept, or the engine failed.
    console.error(error);
    result = { type: "problem", text: engine ? "ReadFailed" : "ReadOffline" };
  }
  current = 0;
  postMessage({ ...result, reading: data.reading });
}
