// vastrelmon.mjs under Node.js against the program: the same GIF bytes for
// every picture and option, and for every refusal the program's kind of
// failure and its English and Japanese texts.
import assert from "node:assert/strict";
import { existsSync, readdirSync, readFileSync, statSync } from "node:fs";
import { join } from "node:path";
import { before, describe, test } from "node:test";

import { CORPUS, WEB_BUILD, picture, rgbBmp, runProgram, writeScratch } from "./support.mjs";

let vastrelmon;
before(async () => {
  const { default: createVastrelmon } = await import(join(WEB_BUILD, "vastrelmon.mjs"));
  vastrelmon = await createVastrelmon();
});

// Converts the file at path both ways and checks they agree; returns the
// module's result.
function agree(path, options = {}) {
  const bmp = readFileSync(path);
  const result = vastrelmon.convert(bmp, options);
  const program = runProgram(path, options);
  const what = `${path} ${JSON.stringify(options)}`;
  if (program.status === 0) {
    assert.equal(result.error, null, `${what}: the program converts it`);
    assert.ok(Buffer.from(result.gif).equals(program.gif), `${what}: GIF bytes differ from the program's`);
  } else {
    assert.equal(program.status, 255, `${what}: program exit status`);
    assert.equal(result.gif, null, `${what}: the program refuses it (${program.stdout})`);
    const { message, detail } = result.error;
    assert.ok(program.stdout.includes(`${message}\n${detail}`), `${what}: ${message} / ${detail} not in:\n${program.stdout}`);
  }
  return result;
}

const OPTION_SETS = [
  {},
  { interlace: false },
  { transparent: 1 },
  { compress: false },
  { compress: false, widestCodes: true },
  ...["grey", "red-tone", "blue-tone", "rose-tone", "rgb332", "red", "green", "blue"].map((colorMode) => ({ colorMode })),
  { interlace: false, transparent: 0, compress: false, widestCodes: true, colorMode: "rgb332" },
];

// More colours than a GIF holds: every pixel its own colour.
const manyColours = () => writeScratch("many-colours.bmp", rgbBmp(40, 30, (x, y) => [x * 6, y * 8, (x * y) & 255]));

describe("the module writes the program's GIF", () => {
  const pictures = () => [
    picture("photo8", 100, 37),
    picture("dither1", 33, 17),
    picture("noise8", 57, 31),
    picture("example", 320, 200),
    picture("photo24", 64, 48),
    manyColours(),
  ];
  for (const options of OPTION_SETS) {
    test(`with ${JSON.stringify(options)}`, () => {
      for (const path of pictures()) {
        agree(path, options);
      }
    });
  }

  test("for BMP bytes given as an ArrayBuffer or another view", () => {
    const bmp = readFileSync(picture("photo8", 100, 37));
    const expected = vastrelmon.convert(bmp).gif;
    const buffer = bmp.buffer.slice(bmp.byteOffset, bmp.byteOffset + bmp.length);
    assert.deepEqual(vastrelmon.convert(buffer).gif, expected);
    assert.deepEqual(vastrelmon.convert(new DataView(buffer)).gif, expected);
  });

  test("and tells the coder's progress up to 100%", () => {
    const steps = [];
    vastrelmon.convert(readFileSync(picture("photo8", 100, 37)), { onProgress: (percent) => steps.push(percent) });
    assert.equal(steps.at(-1), 100);
    assert.deepEqual(steps, [...steps].sort((a, b) => a - b));
  });
});

// The first length bytes of bmp, its file-size field saying so: the BMP
// ends in the middle of its rows.
function cut(bmp, length) {
  const part = Buffer.from(bmp.subarray(0, length));
  part.writeUInt32LE(length, 2);
  return part;
}

describe("refusals carry the program's kind and texts", () => {
  const cases = [
    ["too-many-colors", () => manyColours(), {}, 26],
    ["cut-bmp", () => writeScratch("cut.bmp", cut(readFileSync(picture("photo8", 100, 37)), 2500)), {}, 20],
    ["bad-bmp", () => writeScratch("text.bmp", Buffer.from("this is not a picture at all, only words".repeat(4))), {}, 20],
    ["too-large", () => writeScratch("wide.bmp", rgbBmp(6401, 1, () => [1, 2, 3])), {}, 22],
    ["transparency", () => picture("dither1", 33, 17), { transparent: 200 }, 23],
  ];
  for (const [kind, make, options, number] of cases) {
    test(kind, () => {
      const path = make();
      const { error } = agree(path, options);
      assert.equal(error.kind, kind);
      assert.equal(error.messageNumber, number);
      const japanese = runProgram(path, options, "ja_JP.UTF-8");
      assert.ok(japanese.stdout.includes(`${error.messageJa}\n`), `${error.messageJa} not in:\n${japanese.stdout}`);
    });
  }

  test("the message of more than 256 colours is the program's", () => {
    const { error } = vastrelmon.convert(readFileSync(manyColours()));
    assert.equal(error.message, "Error :Can't Optimized Palette[More Than 257]");
    assert.equal(error.messageJa, "エラー:256色に収まりません");
  });

  test("invalid arguments are refused, not thrown", () => {
    const bmp = readFileSync(picture("photo8", 100, 37));
    for (const [input, options] of [
      ["a string", {}],
      [bmp, { colorMode: "purple" }],
      [bmp, { transparent: 1.5 }],
    ]) {
      const result = vastrelmon.convert(input, options);
      assert.equal(result.gif, null);
      assert.equal(result.error.kind, "invalid-argument", JSON.stringify(options));
    }
  });
});

describe("the corpus converts as the program converts it", { skip: !existsSync(CORPUS) && "no ../shared/bmpsuite" }, () => {
  const files = () =>
    ["g", "q", "b", "x"]
      .filter((folder) => existsSync(join(CORPUS, folder)))
      .flatMap((folder) => readdirSync(join(CORPUS, folder)).sort().map((name) => join(CORPUS, folder, name)))
      .filter((path) => path.toLowerCase().endsWith(".bmp"));
  test("with the default options and, in turn, each other set", () => {
    let converted = 0;
    let refused = 0;
    files().forEach((path, index) => {
      const first = agree(path);
      agree(path, OPTION_SETS[1 + (index % (OPTION_SETS.length - 1))]);
      first.gif ? converted++ : refused++;
    });
    console.log(`corpus: ${converted} converted, ${refused} refused, each also with one other option set`);
    assert.ok(converted > 0 && refused > 0);
  });
});

describe("size and memory", () => {
  test("the WebAssembly and its modules are at most 300 KB", () => {
    const files = ["vastrelmon.wasm", "vastrelmon.mjs", "vastrelmon-core.mjs"];
    const total = files.reduce((sum, name) => sum + statSync(join(WEB_BUILD, name)).size, 0);
    console.log(`size: ${files.join(" + ")} = ${total} bytes (${(total / 1024).toFixed(1)} KiB)`);
    assert.ok(total <= 300 * 1024, `${total} bytes`);
  });

  test("a 6400 x 4800 24-bit picture converts, as the program converts it", () => {
    const path = picture("photo24", 6400, 4800);
    const started = performance.now();
    const result = agree(path);
    console.log(`6400 x 4800 24-bit: ${Math.round(performance.now() - started)} ms for the module and the program`);
    assert.equal(result.error, null);
  });
});
