// Vastrelmon in JavaScript: BMP bytes to the program's GIF bytes, through
// the library compiled to WebAssembly. The same module runs in browsers,
// their workers and Node.js 20:
//
//   import createVastrelmon from "./vastrelmon.mjs";
//   const v = await createVastrelmon();
//   const r = v.convert(bmpBytes, { interlace: true, transparent: null, compress: true,
//                                   widestCodes: false, colorMode: null });
//   // r.gif: Uint8Array or null; r.error: null or { kind, message, detail, ... }
import createVastrelmonCore from "./vastrelmon-core.mjs";

// The library's status values, in their numeric order.
const KINDS = [
  "ok",
  "invalid-argument",
  "bad-bmp",
  "cut-bmp",
  "too-many-colors",
  "transparency",
  "too-large",
  "no-memory",
  "output-exists",
  "io",
  "cancelled",
];

// The program's /e codes by their names here.
export const COLOR_MODES = Object.freeze({
  grey: 1,
  "red-tone": 2,
  "blue-tone": 3,
  "rose-tone": 4,
  rgb332: 5,
  red: 16,
  green: 17,
  blue: 18,
});

const isNode = typeof process === "object" && typeof process.versions?.node === "string";

// Node.js 20's fetch takes no file: URLs, so the bytes are read there; a
// browser compiles while the bytes arrive, unless the server sends them
// under another type than application/wasm.
async function compileWasm(url) {
  if (isNode && url.protocol === "file:") {
    const { readFile } = await import("node:fs/promises");
    return WebAssembly.compile(await readFile(url));
  }
  if (typeof WebAssembly.compileStreaming === "function") {
    try {
      return await WebAssembly.compileStreaming(fetch(url, { credentials: "same-origin" }));
    } catch {
      // Fetched again below as plain bytes.
    }
  }
  const response = await fetch(url, { credentials: "same-origin" });
  if (!response.ok) {
    throw new Error(`could not load ${url}: HTTP ${response.status}`);
  }
  return WebAssembly.compile(await response.arrayBuffer());
}

const decoder = new TextDecoder("utf-8");

function refusal(kind, message) {
  return { gif: null, error: { kind, message, detail: "", messageNumber: -1, messageJa: "" } };
}

function asBytes(bmp) {
  if (bmp instanceof Uint8Array) {
    return bmp;
  }
  if (bmp instanceof ArrayBuffer) {
    return new Uint8Array(bmp);
  }
  if (ArrayBuffer.isView(bmp)) {
    return new Uint8Array(bmp.buffer, bmp.byteOffset, bmp.byteLength);
  }
  return null;
}

// The option values the C call takes, or a text saying which one is wrong.
function takeOptions(options) {
  const {
    interlace = true,
    transparent = null,
    compress = true,
    widestCodes = false,
    colorMode = null,
  } = options ?? {};
  let mode = 0;
  if (colorMode !== null && colorMode !== undefined) {
    if (!Object.hasOwn(COLOR_MODES, colorMode)) {
      return `unknown colour mode ${JSON.stringify(colorMode)}`;
    }
    mode = COLOR_MODES[colorMode];
  }
  let index = -1;
  if (transparent !== null && transparent !== undefined) {
    if (!Number.isInteger(transparent)) {
      return "the transparent index is not a whole number";
    }
    // Out of 0..255 it stays as given: the library refuses it as the
    // program does.
    index = Math.max(-2, Math.min(transparent, 256));
  }
  return [interlace ? 1 : 0, index, compress ? 1 : 0, widestCodes ? 1 : 0, mode];
}

/**
 * Loads the WebAssembly and resolves to { convert }.
 * settings.wasm: a WebAssembly.Module, the .wasm bytes, or its URL
 * (default: vastrelmon.wasm beside this module).
 */
export default async function createVastrelmon(settings = {}) {
  let wasm = settings.wasm ?? new URL("vastrelmon.wasm", import.meta.url);
  if (typeof wasm === "string") {
    wasm = new URL(wasm, import.meta.url);
  }
  let module;
  if (wasm instanceof WebAssembly.Module) {
    module = wasm;
  } else if (wasm instanceof URL) {
    module = await compileWasm(wasm);
  } else {
    module = await WebAssembly.compile(wasm);
  }
  // The loader waits for the instance; a failed instantiation ends the
  // wait instead of leaving it open.
  let failed;
  const failure = new Promise((resolve, reject) => {
    failed = reject;
  });
  const core = await Promise.race([
    createVastrelmonCore({
      instantiateWasm(imports, receive) {
        WebAssembly.instantiate(module, imports).then((instance) => receive(instance, module), failed);
        return {};
      },
    }),
    failure,
  ]);

  const text = (pointer) => {
    const heap = core.HEAPU8;
    const start = pointer >>> 0;
    return decoder.decode(heap.subarray(start, heap.indexOf(0, start)));
  };

  /**
   * Converts BMP bytes (Uint8Array, ArrayBuffer or another view) to the
   * GIF the program writes. options.onProgress(percent), when given, hears
   * the coder's progress (0 to 100, LZW only).
   */
  function convert(bmp, options = {}) {
    const bytes = asBytes(bmp);
    if (bytes === null) {
      return refusal("invalid-argument", "the BMP is not bytes (Uint8Array or ArrayBuffer)");
    }
    const values = takeOptions(options);
    if (typeof values === "string") {
      return refusal("invalid-argument", values);
    }
    const input = core._malloc(Math.max(bytes.length, 1)) >>> 0;
    if (input === 0) {
      return refusal("no-memory", "not enough memory for the BMP");
    }
    core.HEAPU8.set(bytes, input);
    core.onProgress = typeof options?.onProgress === "function" ? options.onProgress : null;
    let outcome = 0;
    try {
      outcome = core._web_convert(input, bytes.length, ...values, core.onProgress ? 1 : 0) >>> 0;
    } finally {
      core.onProgress = null;
      core._free(input);
    }
    if (outcome === 0) {
      return refusal("no-memory", "not enough memory for the conversion");
    }
    try {
      const status = core._web_status(outcome);
      if (status === 0) {
        const gif = core._web_gif(outcome) >>> 0;
        const size = core._web_gif_size(outcome) >>> 0;
        return { gif: core.HEAPU8.slice(gif, gif + size), error: null };
      }
      return {
        gif: null,
        error: {
          kind: KINDS[status] ?? `status-${status}`,
          message: text(core._web_message(outcome)),
          detail: text(core._web_detail(outcome)),
          messageNumber: core._web_message_number(outcome),
          messageJa: text(core._web_message_japanese(outcome)),
        },
      };
    } finally {
      core._web_release(outcome);
    }
  }

  return { convert };
}
