// A whole list in the page: a spreadsheet's paste, files chosen and
// dropped, a file that is not text, the table in both languages and with
// only the failed rows, the three outputs against kavrel-decode's for the
// same lines, 100 000 lines with only the rows in view in the page, a
// cancel while the window keeps taking keys, and axe-core on the view.
import { expect, test } from "@playwright/test";
import { spawnSync } from "node:child_process";
import { readFileSync, writeFileSync } from "node:fs";
import { axeViolations, desktop, expected, expectShows, open, phones } from "./kit.mjs";

const decoder = process.env.KAVREL_DECODE;
const BOM = "\uFEFF";

// kavrel-decode's output for `input` (a text, or lines to end in LF), as
// bytes; it exits with 1 when a line does not decode in full.
function kavrelDecode(input, ...args) {
  const text = typeof input === "string" ? input : input.map((line) => `${line}\n`).join("");
  const run = spawnSync(decoder, args, { input: text, maxBuffer: 1 << 30 });
  expect(run.status, String(run.stderr)).toBeLessThan(2);
  return run.stdout;
}

// Bytes compared as bytes (a deep comparison of megabytes takes minutes),
// shown as text where they differ.
function expectSameBytes(actual, wanted) {
  if (!actual.equals(wanted)) expect(actual.toString("latin1")).toEqual(wanted.toString("latin1"));
}

async function openList(page) {
  await page.click("#ListOpen");
  await expect(page.locator("#List")).toBeVisible();
  await expect(page.locator("#Kavrel")).toBeHidden();
}

async function pasteIntoList(page, text) {
  await page.evaluate((pasted) => navigator.clipboard.writeText(pasted), text);
  await page.focus("#ListPaste");
  await page.keyboard.press("ControlOrMeta+V");
}

// The counts line's three numbers once the list is read.
async function counts(page) {
  await expect(page.locator("#ListBusy")).toBeHidden();
  await expect(page.locator("#ListCounts")).toBeVisible();
  return Promise.all(["#ListRowCount", "#ListDecodedCount", "#ListFailedCount"]
    .map(async (id) => Number(await page.locator(id).textContent())));
}

// The table's header and the rows now in the page, as texts of cells.
function table(page) {
  return page.evaluate(() => [...document.querySelectorAll("#ListTable [role=row]")]
    .map((row) => [...row.children].map((cell) => cell.textContent)));
}

// An output saved through its button, as bytes.
async function saved(page, button) {
  const [download] = await Promise.all([page.waitForEvent("download"), page.click(button)]);
  return readFileSync(await download.path());
}

// The copied table, once the view says it is copied (what it said before
// goes at the click).
async function copied(page) {
  await page.click("#ListCopy");
  await expect(page.locator("#ListMessage")).not.toBeEmpty();
  return page.evaluate(() => navigator.clipboard.readText());
}

// The row the table shows for a serial number, from what the desktop
// suites expect of the window.
function rowOf(line, serial, language) {
  const shown = expected.texts[serial][language];
  return [String(line), serial, ...expected.resultBoxes.map((box) => shown[box]), ""];
}

// Where a caption of the window heads a column: without its colon.
const column = (caption) => caption.replace(/[\s:]+$/, "");

test.describe("wide", () => {
  test.use(desktop);

  test("a spreadsheet's paste: the first column, the header row and blank lines kept as rows, CR LF", async ({ page, context }) => {
    await context.grantPermissions(["clipboard-read", "clipboard-write"]);
    expect(await open(page)).toEqual([]);
    await openList(page);
    const pasted = "Serial\tPlant\tYear\r\n1065100088\tRottenburg\t2003\r\n\r\n15700940\tSindelfingen\r\n 15700940\r\n1570\t\r\n";
    const firstColumns = ["Serial", "1065100088", "", "15700940", " 15700940", "1570"];
    await pasteIntoList(page, pasted);
    expect(await counts(page)).toEqual([6, 2, 4]);
    expect(await page.inputValue("#ListPaste")).toBe("");
    const [header, ...rows] = await table(page);
    const captions = expected.captions.ENG;
    expect(header).toEqual(["Line", "Input", ...expected.resultBoxes.map((box) => column(captions[`Text${box}`])), "What failed"]);
    expect(rows.map((row) => row.slice(0, 2))).toEqual(firstColumns.map((serial, i) => [String(i + 1), serial]));
    expect(rows[1]).toEqual(rowOf(2, "1065100088", "ENG"));
    expect(rows[3]).toEqual(rowOf(4, "15700940", "ENG"));
    expect(rows.map((row) => row.at(-1))).toEqual(["length", "", "length", "", "length", "length"]);

    // The outputs: byte for byte kavrel-decode's for the first columns.
    expectSameBytes(await saved(page, "#ListCsv"), kavrelDecode(firstColumns, "--format", "csv", "--bom"));
    await page.uncheck("#ListBom");
    expectSameBytes(await saved(page, "#ListCsv"), kavrelDecode(firstColumns, "--format", "csv"));
    expectSameBytes(await saved(page, "#ListJson"), kavrelDecode(firstColumns, "--format", "json"));
    const sheet = await copied(page);
    await expect(page.locator("#ListMessage")).toHaveText("Copied: paste it into a spreadsheet.");
    expect(sheet.split("\n").map((line) => line.split("\t"))).toEqual([...[header, ...rows].map((row) => row.slice(1)), [""]]);

    // In Russian (chosen in the window): the view's words, the table and
    // the outputs.
    await page.keyboard.press("Escape");
    await page.selectOption("#Languag", "RUS");
    await openList(page);
    await expect(page.locator("#ListTitle")).toHaveText("Весь список серийных номеров");
    await expect.poll(async () => (await table(page))[2]).toEqual(rowOf(2, "1065100088", "RUS"));
    const [russianHeader] = await table(page);
    expect(russianHeader.slice(2, -1)).toEqual(expected.resultBoxes.map((box) => column(expected.captions.RUS[`Text${box}`])));
    expect((await table(page))[1].at(-1)).toBe("длина");
    await page.check("#ListBom");
    expectSameBytes(await saved(page, "#ListCsv"), kavrelDecode(firstColumns, "--format", "csv", "--bom", "--lang", "ru"));
    expectSameBytes(await saved(page, "#ListJson"), kavrelDecode(firstColumns, "--format", "json", "--lang", "ru"));
    expect((await copied(page)).split("\n")[2].split("\t")).toEqual(rowOf(2, "1065100088", "RUS").slice(1));

    // Only the rows that failed, with their line numbers.
    await page.check("#ListFailedOnly");
    await expect.poll(async () => (await table(page)).slice(1).map((row) => row[0])).toEqual(["1", "3", "5", "6"]);
    await expect(page.locator("#ListTable")).toHaveAttribute("aria-rowcount", "5");
    await page.uncheck("#ListFailedOnly");
    await expect(page.locator("#ListTable")).toHaveAttribute("aria-rowcount", "7");

    // Back to the window, the way it was, by the button and by Escape.
    await page.click("#ListBack");
    await expectShows(page, "15700940", "RUS");
    await expect(page.locator("#ListOpen")).toBeFocused();
    // Opened again, the view follows the window's language.
    await page.selectOption("#Languag", "ENG");
    await openList(page);
    await expect(page.locator("#ListTitle")).toHaveText("A whole list of serial numbers");
    await expect.poll(async () => (await table(page))[2]).toEqual(rowOf(2, "1065100088", "ENG"));

    // Lines typed into the box, once the typing pauses.
    await page.click("#ListPaste");
    await page.keyboard.type("1065100088\n157");
    await expect.poll(() => counts(page)).toEqual([2, 1, 1]);
    await expect.poll(async () => (await table(page)).slice(1).map((row) => row[1])).toEqual(["1065100088", "157"]);
    await page.keyboard.press("Escape");
    await expect(page.locator("#List")).toBeHidden();
    await expect(page.locator("#Kavrel")).toBeVisible();
  });

  test("files chosen and dropped: text and CSV, LF and CR LF, a byte-order mark; a file that is not text", async ({ page }) => {
    await open(page);
    await openList(page);
    const textFile = "1065100088\n15700940\n1570\n1065100088 \n";
    await page.setInputFiles("#ListFile", { name: "plant.txt", mimeType: "text/plain", buffer: Buffer.from(textFile) });
    expect(await counts(page)).toEqual([4, 2, 2]);
    expectSameBytes(await saved(page, "#ListJson"), kavrelDecode(textFile, "--format", "json"));

    // A CSV file from a spreadsheet: the mark, CR LF, columns by commas
    // and semicolons.
    const csvFile = `${BOM}serial,plant\r\n1065100088,Rottenburg\r\n15700940;Sindelfingen\r\n1865100088\r\n`;
    await page.setInputFiles("#ListFile", { name: "PLANT.CSV", mimeType: "text/csv", buffer: Buffer.from(csvFile) });
    expect(await counts(page)).toEqual([4, 3, 1]);
    expectSameBytes(await saved(page, "#ListCsv"), kavrelDecode(["serial", "1065100088", "15700940", "1865100088"], "--format", "csv", "--bom"));

    // A picture, as a file and as a drop: one clear line, the list stays.
    const before = await table(page);
    const png = Buffer.concat([Buffer.from("89504e470d0a1a0a0000000d49484452", "hex"), Buffer.alloc(64, 7)]);
    await page.setInputFiles("#ListFile", { name: "nameplate.png", mimeType: "image/png", buffer: png });
    await expect(page.locator("#ListMessage"))
      .toHaveText("This file is not text. Choose a text or CSV file of serial numbers saved in UTF-8.");
    expect(await counts(page)).toEqual([4, 3, 1]);
    expect(await table(page)).toEqual(before);

    // A dropped text file.
    const drop = async (name, bytes) => {
      const transfer = await page.evaluateHandle(([fileName, content]) => {
        const data = new DataTransfer();
        data.items.add(new File([new Uint8Array(content)], fileName));
        return data;
      }, [name, [...bytes]]);
      await page.dispatchEvent("#List", "drop", { dataTransfer: transfer });
    };
    await drop("list.txt", Buffer.from("15700940\r\n1065100088"));
    expect(await counts(page)).toEqual([2, 2, 0]);
    expect((await table(page)).slice(1)).toEqual([rowOf(1, "15700940", "ENG"), rowOf(2, "1065100088", "ENG")]);
    await expect(page.locator("#ListMessage")).toBeEmpty();
    await drop("sheet.xlsx", Buffer.from("504b0304140006000800000021", "hex"));
    await expect(page.locator("#ListMessage")).toContainText("This file is not text.");
    expect(await counts(page)).toEqual([2, 2, 0]);
  });

  test("100 000 lines: counted, only the rows in view in the page, the end reached by scrolling, the outputs kavrel-decode's", async ({ page }) => {
    await open(page);
    await openList(page);
    const serials = ["1065100088", "1570", "x5700940", "1865100088", "15700940", "1065990088", ""];
    const lines = Array.from({ length: 100_000 }, (_, i) => serials[i % serials.length]);
    const csv = kavrelDecode(lines, "--format", "csv", "--bom");
    const failed = csv.toString().split("\n").filter((line) => line.includes(",true,")).length;
    await page.setInputFiles("#ListFile", { name: "register.txt", mimeType: "text/plain", buffer: Buffer.from(lines.join("\n")) });
    expect(await counts(page)).toEqual([100_000, 100_000 - failed, failed]);
    await expect(page.locator("#ListTable")).toHaveAttribute("aria-rowcount", "100001");
    const inPage = await page.locator("#ListTable .list-body [role=row]").count();
    expect(inPage).toBeGreaterThan(5);
    expect(inPage).toBeLessThan(60);
    await page.locator("#ListScroller").evaluate((scroller) => { scroller.scrollTop = scroller.scrollHeight; });
    await expect.poll(async () => (await table(page)).at(-1)).toEqual(rowOf(100_000, "15700940", "ENG"));
    const last = page.locator("#ListTable .list-body [role=row]").last();
    await expect(last).toHaveAttribute("aria-rowindex", "100001");
    await expect(last).toBeInViewport();
    expectSameBytes(await saved(page, "#ListCsv"), csv);
  });

  test("a million lines; a progress bar and a cancel, and the window takes keys meanwhile", async ({ page }, testInfo) => {
    await open(page);
    await openList(page);
    // Files on disk reach the page at once; four million lines take the
    // worker long enough to be cancelled.
    const file = (name, lines) => {
      const path = testInfo.outputPath(name);
      writeFileSync(path, "1065100088\r\n".repeat(lines));
      return path;
    };
    await page.setInputFiles("#ListFile", file("four-million.txt", 4_000_000));
    await expect(page.locator("#ListBusy")).toBeVisible();
    await page.keyboard.press("Escape");
    await page.fill("#ClickNomer", "");
    await page.click("#ClickNomer");
    await page.keyboard.type("1065100088");
    await expectShows(page, "1065100088", "ENG");
    await openList(page);
    await expect(page.locator("#ListBusy")).toBeVisible();
    await expect.poll(() => page.locator("#ListProgress").evaluate((bar) => bar.value)).toBeGreaterThan(0);
    await page.click("#ListCancel");
    await expect(page.locator("#ListMessage")).toHaveText("Decoding cancelled.");
    await expect(page.locator("#ListBusy")).toBeHidden();
    await expect(page.locator("#ListCounts")).toBeHidden();
    await expect(page.locator("#ListTable .list-body [role=row]")).toHaveCount(0);
    for (const button of ["#ListCopy", "#ListCsv", "#ListJson"]) await expect(page.locator(button)).toBeDisabled();

    await page.setInputFiles("#ListFile", file("million.txt", 1_000_000));
    expect(await counts(page)).toEqual([1_000_000, 1_000_000, 0]);
    await expect(page.locator("#ListMessage")).toBeEmpty();
    await expect(page.locator("#ListTable .list-body [role=row]").first()).toHaveText(/^1\s*1065100088/);
  });
});

test("where the list's code cannot be had, one line says so", async ({ page }) => {
  await page.route("**/list/list.js", (route) => route.abort("internetdisconnected"));
  expect(await open(page)).toEqual([]);
  await page.click("#ListOpen");
  await expect(page.locator("#Notice"))
    .toHaveText("The list is not on this device yet. Connect to the network once and try again.");
  await expect(page.locator("#Kavrel")).toBeVisible();
});

test("once kept in the background, the list opens and decodes offline", async ({ page, context }) => {
  await open(page);
  await page.evaluate(() => navigator.serviceWorker.ready);
  await page.reload();
  await open(page);
  // The worker keeps the list's files once the page is idle.
  const files = ["list.js", "list.html", "list.css", "list-worker.js", "kavrel-list.js", "kavrel-list.wasm"];
  await expect.poll(() => page.evaluate(async (names) => {
    const kept = await Promise.all(names.map((name) => caches.match(`list/${name}`)));
    return kept.every((response) => response !== undefined);
  }, files), { timeout: 30_000 }).toBe(true);
  await context.setOffline(true);
  await page.reload();
  expect(await open(page)).toEqual([]);
  await openList(page);
  await page.setInputFiles("#ListFile", { name: "list.txt", mimeType: "text/plain", buffer: Buffer.from("1065100088\n1570\n") });
  expect(await counts(page)).toEqual([2, 1, 1]);
  expect((await table(page))[1]).toEqual(rowOf(1, "1065100088", "ENG"));
});

for (const [layout, device] of [["wide", desktop], ["phone 320", phones[320]]]) {
  test(`${layout}: the view with a list, no axe violations, nothing cut off, in both languages`, async ({ browser }) => {
    const context = await browser.newContext(device);
    await context.grantPermissions(["clipboard-read", "clipboard-write"]);
    const page = await context.newPage();
    await open(page);
    for (const language of ["ENG", "RUS"]) {
      await page.selectOption("#Languag", language);
      await openList(page);
      await page.setInputFiles("#ListFile", { name: "list.txt", mimeType: "text/plain", buffer: Buffer.from("1865100088\n1570\n") });
      await counts(page);
      expect(await axeViolations(page), language).toEqual([]);
      // Every control a touch target on a phone, and the view inside the
      // screen; the table scrolls inside its own box.
      const outside = await page.evaluate((touch) => {
        const out = [];
        for (const element of document.querySelectorAll("#List button, #List input, #List textarea, #List h2, #List label, #List p")) {
          const rect = element.getBoundingClientRect();
          if (rect.width === 0) continue;
          if (rect.left < 0 || rect.right > innerWidth || element.scrollWidth > element.clientWidth + 1) out.push(element.id || element.textContent);
          const control = element.matches("button, textarea, input:not([type=checkbox])") || element.matches(".list-out label");
          if (touch && control && Math.min(rect.width, rect.height) < 44) out.push(`small: ${element.id || element.textContent}`);
        }
        return out;
      }, device.hasTouch === true);
      expect(outside, language).toEqual([]);
      expect(await page.evaluate(() => document.documentElement.scrollWidth)).toBeLessThanOrEqual(device.viewport.width);
      await page.click("#ListBack");
    }
    await context.close();
  });
}
