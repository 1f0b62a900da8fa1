// What both test files share: the program and the picture generator built
// natively (build-test), pictures made on demand, the program's output for
// a BMP and options, and a static server for build-web.
import { spawnSync } from "node:child_process";
import { createReadStream, existsSync, mkdtempSync, readFileSync, rmSync, statSync, writeFileSync } from "node:fs";
import { createServer } from "node:http";
import { tmpdir } from "node:os";
import { extname, join, normalize } from "node:path";
import { fileURLToPath } from "node:url";

export const ROOT = fileURLToPath(new URL("../..", import.meta.url)).replace(/\/$/, "");
export const WEB_BUILD = process.env.VASTRELMON_WEB_BUILD ?? join(ROOT, "build-web");
const NATIVE_BUILD = process.env.VASTRELMON_TEST_BUILD ?? join(ROOT, "build-test");
export const PROGRAM = join(NATIVE_BUILD, "vastrelmon");
const BMPGEN = join(NATIVE_BUILD, "bmpgen");
export const CORPUS = join(ROOT, "..", "shared", "bmpsuite");

export const scratch = mkdtempSync(join(tmpdir(), "vastrelmon-web-"));
process.on("exit", () => rmSync(scratch, { recursive: true, force: true }));

// bmpgen's picture kind at width x height, written once into scratch.
export function picture(kind, width, height, name = `${kind}-${width}x${height}.bmp`) {
  const path = join(scratch, name);
  if (!existsSync(path)) {
    const run = spawnSync(BMPGEN, [kind, String(width), String(height), path]);
    if (run.status !== 0) {
      throw new Error(`bmpgen ${kind} ${width} ${height}: ${run.stderr}`);
    }
  }
  return path;
}

// The program's switches for the module's options.
export function switches(options = {}) {
  const codes = {
    grey: "mc",
    "red-tone": "sr",
    "blue-tone": "sb",
    "rose-tone": "sw",
    rgb332: "s8",
    red: "c1",
    green: "c2",
    blue: "c4",
  };
  const list = [];
  if (options.interlace === false) list.push("/i");
  if (options.transparent !== null && options.transparent !== undefined) list.push(`/t${options.transparent}`);
  if (options.compress === false) list.push("/u");
  if (options.widestCodes) list.push("/b");
  if (options.colorMode) list.push(`/e${codes[options.colorMode]}`);
  return list;
}

let runs = 0;
// Runs the program on bmp with options (verbose, in the language of lang):
// { status, gif (Buffer or null), stdout, ms }.
export function runProgram(bmp, options = {}, lang = "C.UTF-8") {
  const gifPath = join(scratch, `program-${process.pid}-${runs++}.gif`);
  const started = process.hrtime.bigint();
  const run = spawnSync(PROGRAM, ["/v", ...switches(options), bmp, gifPath], {
    env: { PATH: process.env.PATH, LANG: lang },
    encoding: "utf8",
  });
  const ms = Number(process.hrtime.bigint() - started) / 1e6;
  const gif = existsSync(gifPath) ? readFileSync(gifPath) : null;
  rmSync(gifPath, { force: true });
  return { status: run.status, gif, stdout: run.stdout, ms };
}

// Serves build-web on 127.0.0.1 at a free port. delays maps a file name to
// a promise the answer waits for (to hold the WebAssembly back).
export async function serve(delays = {}) {
  const types = {
    ".html": "text/html; charset=utf-8",
    ".js": "text/javascript",
    ".mjs": "text/javascript",
    ".css": "text/css",
    ".wasm": "application/wasm",
    ".json": "application/json",
  };
  const server = createServer(async (request, response) => {
    let path = decodeURIComponent(new URL(request.url, "http://localhost").pathname);
    if (path.endsWith("/")) path += "index.html";
    const file = normalize(join(WEB_BUILD, path));
    if (!file.startsWith(WEB_BUILD) || !existsSync(file) || !statSync(file).isFile()) {
      response.writeHead(404).end();
      return;
    }
    const name = path.slice(1);
    if (delays[name]) await delays[name];
    response.writeHead(200, { "Content-Type": types[extname(file)] ?? "application/octet-stream" });
    createReadStream(file).pipe(response);
  });
  await new Promise((done) => server.listen(0, "127.0.0.1", done));
  const close = () => {
    server.close();
    server.closeAllConnections();
  };
  return { origin: `http://127.0.0.1:${server.address().port}`, close };
}

// A 24-bit BMP of width x height whose pixel (x, y), top row first, is
// colour(x, y) = [red, green, blue]: pictures that bmpgen does not make.
export function rgbBmp(width, height, colour) {
  const stride = (width * 3 + 3) & ~3;
  const bmp = Buffer.alloc(54 + stride * height);
  bmp.write("BM", 0, "latin1");
  bmp.writeUInt32LE(bmp.length, 2);
  bmp.writeUInt32LE(54, 10);
  bmp.writeUInt32LE(40, 14);
  bmp.writeInt32LE(width, 18);
  bmp.writeInt32LE(height, 22);
  bmp.writeUInt16LE(1, 26);
  bmp.writeUInt16LE(24, 28);
  bmp.writeUInt32LE(stride * height, 34);
  for (let y = 0; y < height; y++) {
    const row = 54 + (height - 1 - y) * stride;
    for (let x = 0; x < width; x++) {
      const [red, green, blue] = colour(x, y);
      bmp[row + x * 3] = blue;
      bmp[row + x * 3 + 1] = green;
      bmp[row + x * 3 + 2] = red;
    }
  }
  return bmp;
}

export function writeScratch(name, bytes) {
  const path = join(scratch, name);
  writeFileSync(path, bytes);
  return path;
}
