// The page: pictures in, one worker converting them one at a time, a result
// for each. Everything the page needs comes from its own origin, and the
// pictures never leave the browser.
import { TEXTS, preferredLanguage } from "./texts.js";

const $ = (id) => document.getElementById(id);
const LANGUAGE_KEY = "vastrelmon-language";

function savedLanguage() {
  try {
    return localStorage.getItem(LANGUAGE_KEY);
  } catch {
    return null; // storage switched off: the browser's language decides
  }
}

let language = TEXTS[savedLanguage()] ? savedLanguage() : preferredLanguage(navigator.languages ?? [navigator.language]);
const t = (key, ...values) => {
  const text = TEXTS[language][key];
  return typeof text === "function" ? text(...values) : text;
};

// ---- Jobs: one a picture, in the order they were given ----
const jobs = [];
const queue = [];
let nextId = 1;
let current = null;
const batch = { done: 0, total: 0, fraction: 0 };

// ---- The worker ----
let worker = null;
let workerState = "loading"; // "loading", "ready" or "failed"
let failure = "";

function startWorker() {
  workerState = "loading";
  worker = new Worker(new URL("worker.js", import.meta.url), { type: "module" });
  worker.onmessage = (event) => onWorkerMessage(event.data);
  worker.onerror = (event) => {
    event.preventDefault();
    if (workerState === "loading") {
      workerState = "failed";
      failure = event.message || "worker error";
      showStatus();
    } else if (current) {
      finish(current, { crashed: true });
      restartWorker();
    }
  };
}

function restartWorker() {
  worker.terminate();
  startWorker();
}

function onWorkerMessage(message) {
  switch (message.type) {
    case "ready":
      workerState = "ready";
      showStatus();
      pump();
      break;
    case "failed":
      workerState = "failed";
      failure = message.message;
      showStatus();
      break;
    case "progress":
      if (current && current.id === message.id) {
        batch.fraction = message.percent / 100;
        showProgress();
      }
      break;
    case "done":
      if (current && current.id === message.id) {
        finish(current, message);
        if (message.crashed) {
          restartWorker();
        }
      }
      break;
  }
}

async function pump() {
  if (workerState !== "ready" || current || queue.length === 0) {
    return;
  }
  const job = queue.shift();
  current = job;
  job.state = "converting";
  render(job);
  let bmp;
  try {
    bmp = await job.file.arrayBuffer();
  } catch (error) {
    finish(job, { crashed: true, message: String(error) });
    return;
  }
  worker.postMessage({ id: job.id, bmp, options: job.options }, [bmp]);
}

function finish(job, outcome) {
  current = null;
  if (job.cleared) {
    pump();
    return;
  }
  batch.done += 1;
  batch.fraction = 0;
  if (outcome.crashed) {
    job.state = "crashed";
  } else if (outcome.gif) {
    job.state = "done";
    job.gif = outcome.gif;
    job.url = URL.createObjectURL(new Blob([outcome.gif], { type: "image/gif" }));
    job.ms = outcome.ms;
  } else {
    job.state = "refused";
    job.error = outcome.error;
  }
  render(job);
  showProgress();
  updateButtons();
  pump();
}

// ---- Taking pictures in ----
function currentOptions() {
  const uncompressed = $("uncompressed").checked;
  let transparent = null;
  if ($("use-transparent").checked) {
    const index = $("transparent").valueAsNumber;
    transparent = Number.isInteger(index) ? Math.min(Math.max(index, 0), 255) : 0;
  }
  return {
    interlace: $("interlace").checked,
    transparent,
    compress: !uncompressed,
    widestCodes: uncompressed && $("widest").checked,
    colorMode: $("color-mode").value || null,
  };
}

function gifName(bmpName) {
  return /\.[^./\\]*$/.test(bmpName) ? bmpName.replace(/\.[^./\\]*$/, ".gif") : `${bmpName}.gif`;
}

function enqueue(job) {
  if (!current && queue.length === 0) {
    // A new batch: the progress bar starts again.
    batch.done = 0;
    batch.total = 0;
  }
  batch.total += 1;
  job.state = "waiting";
  job.options = currentOptions();
  queue.push(job);
  render(job);
  showProgress();
  pump();
}

function addFiles(files) {
  for (const file of files) {
    const item = document.createElement("li");
    item.className = "result";
    const job = { id: nextId++, file, item };
    jobs.push(job);
    $("results").append(item);
    enqueue(job);
  }
  updateButtons();
}

// ---- Showing ----
function colorTableSize(gif) {
  // The logical screen descriptor's packed byte: a global table of
  // 2^(n+1) entries when its top bit is set.
  return gif.length > 10 && gif[10] & 0x80 ? 2 << (gif[10] & 7) : 0;
}

function element(tag, className, text) {
  const node = document.createElement(tag);
  if (className) {
    node.className = className;
  }
  if (text !== undefined) {
    node.textContent = text;
  }
  return node;
}

function render(job) {
  const { item } = job;
  item.dataset.state = job.state;
  item.replaceChildren(element("h3", "name", job.file.name));
  if (job.state === "waiting" || job.state === "converting") {
    item.append(element("p", "state", t(job.state)));
    return;
  }
  if (job.state === "done") {
    const name = gifName(job.file.name);
    const figure = element("figure");
    const image = element("img");
    image.src = job.url;
    image.alt = t("gifAlt", job.file.name);
    figure.append(image);
    const facts = element("ul", "facts");
    facts.append(
      element("li", "sizes", t("sizes", job.gif.length, job.file.size)),
      element("li", "colors", t("colors", colorTableSize(job.gif))),
      element("li", "time", t("time", job.ms)),
    );
    const link = element("a", "download", t("download", name));
    link.href = job.url;
    link.download = name;
    item.dataset.gifSize = String(job.gif.length);
    item.dataset.colors = String(colorTableSize(job.gif));
    item.dataset.ms = String(job.ms);
    item.append(figure, facts, link);
    return;
  }
  const box = element("div", "error");
  box.setAttribute("role", "alert");
  if (job.state === "crashed") {
    box.append(element("p", "message", t("crashed")));
  } else {
    const { error } = job;
    item.dataset.kind = error.kind;
    const message = element("p", "message");
    message.append(element("span", "label", `${t("refused")} `));
    const said = element("q", "program", language === "ja" && error.messageJa ? error.messageJa : error.message);
    said.lang = language === "ja" && error.messageJa ? "ja" : "en";
    message.append(said);
    box.append(message);
    if (error.detail) {
      const detail = element("p", "detail", `${t("detail")} `);
      detail.append(element("code", "", error.detail));
      box.append(detail);
    }
    const hint = { "too-many-colors": "hintColors", transparency: "hintTransparency" }[error.kind];
    if (hint) {
      box.append(element("p", "hint", t(hint)));
    }
  }
  const again = element("button", "again", t("again"));
  again.type = "button";
  again.addEventListener("click", () => enqueue(job));
  box.append(again);
  item.append(box);
}

function showStatus() {
  const text = { loading: t("loading"), ready: t("ready"), failed: t("loadFailed", failure) }[workerState];
  $("status").textContent = text;
  document.body.dataset.converter = workerState;
}

function showProgress() {
  const progress = $("progress");
  progress.max = Math.max(batch.total, 1);
  progress.value = batch.total ? Math.min(batch.done + batch.fraction, batch.total) : 0;
  $("progress-label").textContent = batch.total ? t("progress", batch.done, batch.total) : t("idle");
}

function updateButtons() {
  $("download-all").disabled = !jobs.some((job) => job.state === "done");
  $("clear").disabled = jobs.length === 0;
}

function applyLanguage() {
  document.documentElement.lang = language;
  document.title = t("pageTitle");
  for (const node of document.querySelectorAll("[data-text]")) {
    node.textContent = t(node.dataset.text);
  }
  $("language").value = language;
  showStatus();
  showProgress();
  jobs.forEach(render);
}

// ---- Controls ----
$("language").addEventListener("change", (event) => {
  language = event.target.value;
  try {
    localStorage.setItem(LANGUAGE_KEY, language);
  } catch {
    // Remembered for this visit only.
  }
  applyLanguage();
});

$("use-transparent").addEventListener("change", (event) => {
  $("transparent").disabled = !event.target.checked;
});
$("uncompressed").addEventListener("change", (event) => {
  $("widest").disabled = !event.target.checked;
});

$("file-input").addEventListener("change", (event) => {
  addFiles([...event.target.files]);
  event.target.value = "";
});

// Dropped anywhere on the page, files are taken rather than opened by the
// browser in place of the page.
const zone = $("drop-zone");
document.addEventListener("dragover", (event) => {
  event.preventDefault();
  zone.classList.add("dragging");
});
document.addEventListener("dragleave", (event) => {
  if (event.relatedTarget === null) {
    zone.classList.remove("dragging");
  }
});
document.addEventListener("drop", (event) => {
  event.preventDefault();
  zone.classList.remove("dragging");
  addFiles([...(event.dataTransfer?.files ?? [])]);
});

// One download after another: browsers take a quick series of clicks as
// a single one.
$("download-all").addEventListener("click", async () => {
  for (const job of jobs.filter((each) => each.state === "done")) {
    job.item.querySelector("a.download").click();
    await new Promise((resolve) => setTimeout(resolve, 300));
  }
});

$("clear").addEventListener("click", () => {
  // A picture being converted finishes unseen (see finish).
  for (const job of jobs) {
    if (job.url) {
      URL.revokeObjectURL(job.url);
    }
    job.item.remove();
    job.cleared = true;
  }
  jobs.length = 0;
  queue.length = 0;
  batch.done = 0;
  batch.total = 0;
  batch.fraction = 0;
  showProgress();
  updateButtons();
});

applyLanguage();
startWorker();

// The page's own files kept for offline use; a page opened from a file
// has no service worker.
if ("serviceWorker" in navigator && location.protocol.startsWith("http")) {
  navigator.serviceWorker.register("sw.js").catch(() => {});
}
