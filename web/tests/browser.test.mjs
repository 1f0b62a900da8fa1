// The page in headless Chromium, used as a person would: files set on its
// file input, options clicked, GIFs downloaded. The downloads must be the
// program's bytes, and the page may ask nothing of any other origin.
import assert from "node:assert/strict";
import { mkdtempSync, readdirSync, readFileSync } from "node:fs";
import { join } from "node:path";
import { after, before, describe, test } from "node:test";
import puppeteer from "puppeteer-core";

import { WEB_BUILD, picture, rgbBmp, runProgram, scratch, serve, writeScratch } from "./support.mjs";

const CHROMIUM = process.env.CHROMIUM ?? "/usr/bin/chromium";
const SETTLED = '#results > li[data-state="done"], #results > li[data-state="refused"], #results > li[data-state="crashed"]';

async function launch(language) {
  return puppeteer.launch({
    executablePath: CHROMIUM,
    headless: true,
    // Root has no user namespace sandbox here.
    args: ["--no-sandbox", `--lang=${language}`],
    env: { ...process.env, LANG: language === "ja" ? "ja_JP.UTF-8" : "en_US.UTF-8", LANGUAGE: language },
  });
}

// A page at origin, every request it makes recorded, its downloads going
// to a folder of their own; language, when given, is what navigator says.
async function open(browser, origin, language) {
  const page = await browser.newPage();
  const requests = [];
  page.on("request", (request) => requests.push(request.url()));
  const problems = [];
  page.on("pageerror", (error) => problems.push(String(error)));
  page.on("console", (message) => message.type() === "error" && problems.push(message.text()));
  if (language) {
    await page.setExtraHTTPHeaders({ "Accept-Language": language });
    await page.evaluateOnNewDocument((code) => {
      Object.defineProperty(navigator, "language", { get: () => code });
      Object.defineProperty(navigator, "languages", { get: () => [code] });
    }, language);
  }
  const session = await page.createCDPSession();
  const downloadsTo = async () => {
    const folder = mkdtempSync(join(scratch, "downloads-"));
    await session.send("Browser.setDownloadBehavior", { behavior: "allow", downloadPath: folder });
    return folder;
  };
  await page.goto(`${origin}/`, { waitUntil: "load" });
  return { page, requests, problems, downloadsTo };
}

async function upload(page, paths) {
  const input = await page.$("#file-input");
  await input.uploadFile(...paths);
}

async function settled(page, count, timeout = 60_000) {
  await page.waitForFunction((selector, n) => document.querySelectorAll(selector).length >= n, { timeout }, SETTLED, count);
}

// The files in folder once count of them are complete.
async function downloaded(folder, count) {
  for (let waited = 0; waited < 30_000; waited += 100) {
    const names = readdirSync(folder);
    if (names.length >= count && !names.some((name) => name.endsWith(".crdownload"))) {
      return names.sort();
    }
    await new Promise((resolve) => setTimeout(resolve, 100));
  }
  throw new Error(`only ${readdirSync(folder).join(", ")} downloaded`);
}

const baseName = (path) => path.split("/").pop();
const manyColours = () => writeScratch("many-colours.bmp", rgbBmp(40, 30, (x, y) => [x * 6, y * 8, (x * y) & 255]));

let server;
before(async () => {
  server = await serve();
});
after(() => server.close());

describe("in English", () => {
  let browser;
  let visit;
  before(async () => {
    browser = await launch("en-US");
    visit = await open(browser, server.origin);
  });
  after(() => browser.close());

  test("each picture becomes the program's GIF, downloaded; a refusal shows the program's message", async () => {
    const { page, downloadsTo } = visit;
    const paths = [
      picture("photo8", 100, 37),
      picture("dither1", 33, 17),
      picture("example", 320, 200),
      picture("noise8", 57, 31),
      manyColours(),
    ];
    await upload(page, paths);
    await settled(page, paths.length);
    const folder = await downloadsTo();
    await page.click("#download-all");
    const names = await downloaded(folder, 4);
    assert.deepEqual(names, paths.slice(0, 4).map((path) => baseName(path).replace(/\.bmp$/, ".gif")).sort());
    for (const path of paths.slice(0, 4)) {
      const gif = readFileSync(join(folder, baseName(path).replace(/\.bmp$/, ".gif")));
      assert.ok(gif.equals(runProgram(path).gif), `${path}: the downloaded GIF is not the program's`);
    }
    const refusal = await page.$eval("#results > li[data-state=refused]", (item) => ({
      kind: item.dataset.kind,
      text: item.textContent,
    }));
    assert.equal(refusal.kind, "too-many-colors");
    assert.match(refusal.text, /Error :Can't Optimized Palette\[More Than 257\]/);
    assert.match(refusal.text, /Pick a colour mode/);
    const facts = await page.$eval("#results > li[data-state=done]", (item) => item.textContent);
    assert.match(facts, /Colour table: \d+ colours/);
    await page.screenshot({ path: join(WEB_BUILD, "screenshot.png"), fullPage: true });
    console.log(`screenshot: ${join(WEB_BUILD, "screenshot.png")}`);
  });

  test("the options set on the page are the program's switches", async () => {
    const { page, downloadsTo } = visit;
    await page.click("#clear");
    await page.click("#interlace");
    await page.click("#use-transparent");
    await page.click("#transparent", { count: 3 });
    await page.type("#transparent", "1");
    await page.click("#uncompressed");
    await page.click("#widest");
    await page.select("#color-mode", "rgb332");
    const options = { interlace: false, transparent: 1, compress: false, widestCodes: true, colorMode: "rgb332" };
    const paths = [picture("photo8", 100, 37), manyColours()];
    await upload(page, paths);
    await settled(page, 2);
    const folder = await downloadsTo();
    await page.click("#download-all");
    await downloaded(folder, 2);
    for (const path of paths) {
      const gif = readFileSync(join(folder, baseName(path).replace(/\.bmp$/, ".gif")));
      assert.ok(gif.equals(runProgram(path, options).gif), `${path}: not the program's GIF for ${JSON.stringify(options)}`);
    }
  });

  test("a refused picture converts again once a colour mode is picked", async () => {
    const { page } = visit;
    await page.click("#clear");
    await page.select("#color-mode", "");
    await page.click("#uncompressed");
    await upload(page, [manyColours()]);
    await settled(page, 1);
    await page.select("#color-mode", "grey");
    await page.click("#results button.again");
    await page.waitForSelector("#results > li[data-state=done]");
  });

  test("every request goes to the page's own origin", () => {
    const others = visit.requests.filter((url) => !url.startsWith(`${server.origin}/`) && !url.startsWith("blob:"));
    const own = new Set(visit.requests.filter((url) => url.startsWith(server.origin)).map((url) => new URL(url).pathname));
    console.log(`requests: ${visit.requests.length}, to ${[...own].sort().join(" ")}`);
    assert.deepEqual(others, []);
    assert.ok(own.has("/vastrelmon.wasm"));
    assert.deepEqual(visit.problems, []);
  });
});

describe("for everyone", () => {
  let browser;
  before(async () => {
    browser = await launch("en-US");
  });
  after(() => browser.close());

  test("every control has a name a screen reader can say, and the file input is reached by Tab", async () => {
    const { page } = await open(browser, server.origin);
    const unnamed = [];
    const walk = (node) => {
      if (["checkbox", "combobox", "spinbutton", "button", "link", "progressbar"].includes(node.role) && !node.name?.trim()) {
        unnamed.push(node.role);
      }
      (node.children ?? []).forEach(walk);
    };
    walk(await page.accessibility.snapshot({ interestingOnly: false }));
    assert.deepEqual(unnamed, []);
    const focused = [];
    for (let i = 0; i < 4; i++) {
      await page.keyboard.press("Tab");
      focused.push(await page.evaluate(() => document.activeElement.id));
    }
    assert.ok(focused.includes("file-input"), focused.join(", "));
  });

  test("files dropped on the page are converted as picked ones are", async () => {
    const { page } = await open(browser, server.origin);
    const path = picture("dither1", 33, 17);
    await page.evaluate((base64) => {
      const bytes = Uint8Array.from(atob(base64), (c) => c.charCodeAt(0));
      const data = new DataTransfer();
      data.items.add(new File([bytes], "dropped.bmp", { type: "image/bmp" }));
      const zone = document.getElementById("drop-zone");
      zone.dispatchEvent(new DragEvent("dragover", { dataTransfer: data, bubbles: true, cancelable: true }));
      zone.dispatchEvent(new DragEvent("drop", { dataTransfer: data, bubbles: true, cancelable: true }));
    }, readFileSync(path).toString("base64"));
    await settled(page, 1);
    const item = await page.$eval("#results > li", (li) => ({ name: li.querySelector("h3").textContent, ...li.dataset }));
    assert.equal(item.name, "dropped.bmp");
    assert.equal(Number(item.gifSize), runProgram(path).gif.length);
  });

  test("once loaded, the page opens and converts with its server gone", async () => {
    const site = await serve();
    const { page } = await open(browser, site.origin);
    await page.evaluate(() => navigator.serviceWorker.ready);
    await page.reload({ waitUntil: "load" });
    await page.waitForFunction(() => document.body.dataset.converter === "ready");
    site.close();
    await page.reload({ waitUntil: "load" });
    await upload(page, [picture("dither1", 33, 17)]);
    await settled(page, 1);
    assert.equal(await page.$eval("#results > li", (item) => item.dataset.state), "done");
  });
});

describe("in Japanese", () => {
  let browser;
  before(async () => {
    browser = await launch("ja");
  });
  after(() => browser.close());

  test("the page and the program's messages are Japanese, and English on request", async () => {
    const { page } = await open(browser, server.origin, "ja");
    const texts = () =>
      page.evaluate(() => ({
        lang: document.documentElement.lang,
        heading: document.querySelector("h1").textContent,
        refusal: document.querySelector("#results > li[data-state=refused]")?.textContent ?? "",
      }));
    assert.deepEqual(await texts(), { lang: "ja", heading: "Vastrelmon: BMP から GIF へ", refusal: "" });
    await upload(page, [manyColours()]);
    await settled(page, 1);
    assert.match((await texts()).refusal, /エラー:256色に収まりません/);
    await page.select("#language", "en");
    const english = await texts();
    assert.equal(english.lang, "en");
    assert.match(english.refusal, /Error :Can't Optimized Palette\[More Than 257\]/);
  });
});

describe("responsiveness", () => {
  let browser;
  before(async () => {
    browser = await launch("en-US");
  });
  after(() => browser.close());

  test("the page takes pictures and switches language before the WebAssembly has arrived", async () => {
    let release;
    const held = new Promise((resolve) => {
      release = resolve;
    });
    const slow = await serve({ "vastrelmon.wasm": held });
    try {
      const { page } = await open(browser, slow.origin);
      await page.waitForFunction(() => document.getElementById("status").textContent.length > 0);
      assert.equal(await page.$eval("body", (body) => body.dataset.converter), "loading");
      await upload(page, [picture("dither1", 33, 17)]);
      await page.waitForSelector("#results > li[data-state=waiting]");
      await page.select("#language", "ja");
      assert.equal(await page.$eval("h1", (h) => h.textContent), "Vastrelmon: BMP から GIF へ");
      await page.select("#language", "en");
      release();
      await settled(page, 1);
      assert.equal(await page.$eval("#results > li", (item) => item.dataset.state), "done");
    } finally {
      release();
      slow.close();
    }
  });

  test("a batch of 200 pictures moves the progress bar while the page answers", async () => {
    const paths = Array.from({ length: 200 }, (_, i) => picture("noise8", 16 + (i % 23), 8 + (i % 17), `small-${i}.bmp`));
    const { page } = await open(browser, server.origin);
    await page.waitForFunction(() => document.body.dataset.converter === "ready");
    await page.evaluate(() => {
      // The longest time between two frames while the batch runs.
      window.longestFrame = 0;
      let last = performance.now();
      const frame = (now) => {
        window.longestFrame = Math.max(window.longestFrame, now - last);
        last = now;
        requestAnimationFrame(frame);
      };
      requestAnimationFrame(frame);
    });
    await upload(page, paths);
    const values = new Set();
    let slowest = 0;
    let count = 0;
    const started = performance.now();
    while (count < 200 && performance.now() - started < 120_000) {
      const asked = performance.now();
      const answer = await page.evaluate(
        (selector) => ({ value: document.getElementById("progress").value, count: document.querySelectorAll(selector).length }),
        SETTLED,
      );
      slowest = Math.max(slowest, performance.now() - asked);
      values.add(answer.value);
      count = answer.count;
      await new Promise((resolve) => setTimeout(resolve, 20));
    }
    const longestFrame = await page.evaluate(() => window.longestFrame);
    const total = Math.round(performance.now() - started);
    console.log(
      `batch of 200: ${total} ms, ${values.size} progress values seen, slowest answer ${Math.round(slowest)} ms, ` +
        `longest frame ${Math.round(longestFrame)} ms`,
    );
    assert.equal(count, 200);
    assert.equal(await page.$$eval("#results > li[data-state=done]", (items) => items.length), 200);
    assert.ok(values.size >= 5, `the progress bar took only ${values.size} values`);
    assert.ok(slowest < 1000, `the page took ${slowest} ms to answer`);
  });
});

describe("big pictures", () => {
  let browser;
  before(async () => {
    browser = await launch("en-US");
  });
  after(() => browser.close());

  async function convertInPage(visit, path) {
    const { page } = visit;
    await page.click("#clear");
    await page.waitForFunction(() => document.body.dataset.converter === "ready");
    const started = performance.now();
    await upload(page, [path]);
    await settled(page, 1, 300_000);
    const ms = performance.now() - started;
    const item = await page.$eval("#results > li", (li) => ({ ...li.dataset }));
    return { ms, item };
  }

  test("6400 x 4800: 8-bit as the program writes it, timed against it; 24-bit within memory", async () => {
    const visit = await open(browser, server.origin);
    const eight = picture("photo8", 6400, 4800);
    const program = [runProgram(eight), runProgram(eight), runProgram(eight)].sort((a, b) => a.ms - b.ms)[1];
    const page = await convertInPage(visit, eight);
    assert.equal(page.item.state, "done");
    const folder = await visit.downloadsTo();
    await visit.page.click("#results a.download");
    const [name] = await downloaded(folder, 1);
    assert.ok(readFileSync(join(folder, name)).equals(program.gif), "the big GIF is not the program's");
    const ratio = page.ms / program.ms;
    console.log(
      `6400 x 4800 8-bit: program ${Math.round(program.ms)} ms, page ${Math.round(page.ms)} ms from the file ` +
        `input to the result (${Math.round(Number(page.item.ms))} ms in the worker): ${ratio.toFixed(2)} x ` +
        `(target at most 3 x: ${ratio <= 3 ? "met" : "missed"})`,
    );
    const true24 = await convertInPage(visit, picture("photo24", 6400, 4800));
    console.log(`6400 x 4800 24-bit: ${true24.item.state} in ${Math.round(true24.ms)} ms`);
    assert.equal(true24.item.state, "done");
    assert.equal(Number(true24.item.gifSize), runProgram(picture("photo24", 6400, 4800)).gif.length);
  });
});
