#!/usr/bin/env node
// The page's reading engine (Tesseract in WebAssembly, from the npm
// package the site ships) behind the command line of the native one, so
// that bench/read_photos can read its photos with exactly the engine the
// page runs (KAVREL_ENGINE=bench/page-engine.mjs):
//
//   page-engine.mjs IMAGE - --psm N [-c NAME=VALUE]... tsv
import { readFileSync } from "node:fs";
import { createRequire } from "node:module";
import { dirname, join } from "node:path";
import { fileURLToPath } from "node:url";

const top = join(dirname(fileURLToPath(import.meta.url)), "..");
const require = createRequire(import.meta.url);
const args = process.argv.slice(2);
const image = args[0];
let psm = "3";
const settings = [];
for (let i = 2; i < args.length; ++i) {
  if (args[i] === "--psm") psm = args[++i];
  else if (args[i] === "-c") settings.push(args[++i].split("="));
}
const TesseractCore = require(join(top, "node_modules", "tesseract.js-core", "tesseract-core-simd-lstm.js"));
const quiet = () => {};
const engine = await TesseractCore({ print: quiet, printErr: quiet });
engine.FS.writeFile("eng.traineddata", readFileSync(process.env.KAVREL_MODEL ||
  "/usr/share/tesseract-ocr/5/tessdata/eng.traineddata"));
const api = new engine.TessBaseAPI();
if (api.Init(null, "eng", 1) !== 0) process.exit(1);
for (const [name, value] of settings) api.SetVariable(name, value);
engine.FS.writeFile("/input", readFileSync(image));
api.SetPageSegMode(Number(psm));
if (api.SetImageFile(1, 0) !== 0) process.exit(1);
api.Recognize(null);
process.stdout.write(api.GetTSVText(0));
