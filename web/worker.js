// Converts one picture at a time off the page's thread, so the page stays
// responsive however big the picture. Messages in: { id, bmp, options }.
// Out: { type: "ready" | "failed" | "progress" | "done" }.
import createVastrelmon from "./vastrelmon.mjs";

const converter = createVastrelmon();
converter.then(
  () => postMessage({ type: "ready" }),
  (error) => postMessage({ type: "failed", message: String(error?.message ?? error) }),
);

self.onmessage = async (event) => {
  const { id, bmp, options } = event.data;
  const { convert } = await converter;
  const started = performance.now();
  // Steps of 2% are too fine to be worth a message each.
  let told = -1;
  const onProgress = (percent) => {
    if (percent >= told + 10 || percent === 100) {
      told = percent;
      postMessage({ type: "progress", id, percent });
    }
  };
  let result;
  try {
    result = convert(new Uint8Array(bmp), { ...options, onProgress });
  } catch (error) {
    // The WebAssembly stopped (it cannot get more memory, for example):
    // this worker is of no more use, and the page starts another.
    postMessage({ type: "done", id, crashed: true, message: String(error?.message ?? error) });
    close();
    return;
  }
  const ms = performance.now() - started;
  postMessage({ type: "done", id, gif: result.gif, error: result.error, ms }, result.gif ? [result.gif.buffer] : []);
};
