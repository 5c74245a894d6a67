// The page's end-to-end tests, in Debian's chromium (nothing downloaded),
// against the built site served on 127.0.0.1 by scripts/serve-web, which
// the runner starts for the run and stops after it.
//
//   KAVREL_WEB_SITE  the site (default: build-web/site of this tree)
//   KAVREL_WEB_OUT   where failures leave their traces and pictures
//   KAVREL_WEB_PHOTOS  where the reader's test photos are made and kept
import { defineConfig } from "@playwright/test";
import { createServer } from "node:net";
import { tmpdir } from "node:os";
import { dirname, join } from "node:path";
import { fileURLToPath } from "node:url";
import { builtSite as site, chromiumLaunch, serveWeb } from "../../../scripts/web_kit.mjs";

const here = dirname(fileURLToPath(import.meta.url));

// One free port for the whole run: the workers read the configuration
// again and inherit the variable set here.
if (!process.env.KAVREL_WEB_PORT) {
  process.env.KAVREL_WEB_PORT = await new Promise((resolvePort, fail) => {
    const probe = createServer();
    probe.once("error", fail);
    probe.listen(0, "127.0.0.1", () => {
      const { port } = probe.address();
      probe.close(() => resolvePort(String(port)));
    });
  });
}
const baseURL = `http://127.0.0.1:${process.env.KAVREL_WEB_PORT}/`;

export default defineConfig({
  testDir: here,
  testMatch: "*.spec.mjs",
  globalSetup: join(here, "photos.mjs"),
  fullyParallel: true,
  workers: 2,
  retries: 0,
  timeout: 60_000,
  reporter: [["list"]],
  outputDir: process.env.KAVREL_WEB_OUT || join(tmpdir(), "kavrel-web-tests"),
  use: {
    baseURL,
    trace: "off",
    screenshot: "only-on-failure",
    launchOptions: chromiumLaunch,
  },
  webServer: {
    command: `node ${JSON.stringify(serveWeb)} ${JSON.stringify(site)} --port ${process.env.KAVREL_WEB_PORT}`,
    url: baseURL,
    reuseExistingServer: false,
    stdout: "ignore",
  },
});
