// The photos the reader's tests give the page, made by scripts/make-plates
// once per build folder (again when the generator changes): plates with
// each of the two example numbers, whose decodes the desktop suites know,
// a plate with no serial number, a 12 and a 50 megapixel photo, and a file
// that only calls itself a picture.
import { execFileSync } from "node:child_process";
import { createHash } from "node:crypto";
import { existsSync, mkdirSync, readFileSync, rmSync, writeFileSync } from "node:fs";
import { tmpdir } from "node:os";
import { dirname, join } from "node:path";
import { fileURLToPath } from "node:url";

const top = join(dirname(fileURLToPath(import.meta.url)), "..", "..", "..");
const generator = join(top, "scripts", "make-plates");

export const photoFolder = process.env.KAVREL_WEB_PHOTOS || join(tmpdir(), "kavrel-web-photos");

// name: [make-plates options]; each set is one photo, plate-0000.jpg of
// its own folder.
const SETS = {
  eight: ["--serial", "15700940", "--megapixels", "3", "--seed", "11"],
  ten: ["--serial", "1065100088", "--megapixels", "3", "--seed", "12"],
  phone: ["--serial", "1065100088", "--megapixels", "12", "--seed", "13"],
  huge: ["--serial", "15700940", "--megapixels", "50", "--seed", "14"],
  none: ["--no-serial", "--megapixels", "3", "--seed", "15"],
};

export function photo(name) {
  return join(photoFolder, name, "plate-0000.jpg");
}

export const notAPicture = join(photoFolder, "notes.jpg");

export default function makePhotos() {
  const stamp = join(photoFolder, "made-by");
  const version = createHash("sha256").update(readFileSync(generator)).update(JSON.stringify(SETS)).digest("hex");
  if (existsSync(stamp) && readFileSync(stamp, "utf8") === version) return;
  rmSync(photoFolder, { recursive: true, force: true });
  mkdirSync(photoFolder, { recursive: true });
  for (const [name, options] of Object.entries(SETS)) {
    execFileSync(generator, ["--count", "1", "--out", join(photoFolder, name), ...options], { stdio: "ignore" });
  }
  writeFileSync(notAPicture, "Serial No. 1065100088\nnot a picture, whatever its name says\n");
  writeFileSync(stamp, version);
}
