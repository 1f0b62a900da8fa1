// Keeps the page's own files so that it opens and converts offline. The
// network comes first, so a server with newer files is always used; the
// cache answers only when the network does not. The cache's name changes
// with every build, and older caches are dropped.
const CACHE = "vastrelmon-@BUILD@";
const FILES = [
  "./",
  "index.html",
  "style.css",
  "icon.svg",
  "app.js",
  "texts.js",
  "worker.js",
  "vastrelmon.mjs",
  "vastrelmon-core.mjs",
  "vastrelmon.wasm",
];

self.addEventListener("install", (event) => {
  event.waitUntil(caches.open(CACHE).then((cache) => cache.addAll(FILES)));
});

self.addEventListener("activate", (event) => {
  event.waitUntil(
    caches
      .keys()
      .then((names) => Promise.all(names.filter((name) => name !== CACHE).map((name) => caches.delete(name)))),
  );
});

self.addEventListener("fetch", (event) => {
  const url = new URL(event.request.url);
  if (event.request.method !== "GET" || url.origin !== self.location.origin) {
    return;
  }
  event.respondWith(
    fetch(event.request)
      .then((response) => {
        if (response.ok) {
          const copy = response.clone();
          caches.open(CACHE).then((cache) => cache.put(event.request, copy));
        }
        return response;
      })
      .catch(() => caches.match(event.request, { ignoreSearch: true })),
  );
});
