// Measures the browser build in headless Chromium, served from 127.0.0.1 as tools/web.sh
// serves it: the download (gzip-compressed, as hosts send it; and the share of the built-in
// media), the time from navigation to the first title frame, and the frame rate while a game
// plays. Not a test: it reports figures.
//
//   NODE_PATH=/usr/share/nodejs node tools/web/benchmark.js build/web/site [runs]
'use strict';

const fs = require('fs');
const path = require('path');
const zlib = require('zlib');
const {Page, startServer, sleep, until} = require('../../tests/web/browser');

const repo = path.join(__dirname, '..', '..');

function gzipSize(bytes) {
  return zlib.gzipSync(bytes, {level: 9}).length;
}

function mediaFiles(dir) {
  return fs.readdirSync(dir, {withFileTypes: true}).flatMap((entry) => {
    const full = path.join(dir, entry.name);
    return entry.isDirectory() ? mediaFiles(full) : [full];
  });
}

// Records, from the first script of the page on, when the game's code was compiled and
// instantiated, when its runtime was ready (main starts right after), the time of the first
// animation frame in which the game shows its title, and the animation frames' timestamps.
const PROBE = `
  window.__gumbolt = {titleAt: null, readyAt: null, runtimeAt: null, stamps: []};
  Object.defineProperty(window, 'Module', {
    configurable: true,
    set(m) {
      const instantiate = m.instantiateWasm;
      m.instantiateWasm = (imports, done) => instantiate(imports, (instance, module) => {
        window.__gumbolt.readyAt = performance.now();
        done(instance, module);
      });
      const initialised = m.onRuntimeInitialized;
      m.onRuntimeInitialized = function () {
        window.__gumbolt.runtimeAt = performance.now();
        if (initialised) initialised.apply(this, arguments);
      };
      Object.defineProperty(window, 'Module', {value: m, writable: true, configurable: true});
    },
  });
  (function watch(now) {
    const m = window.Module;
    if (window.__gumbolt.titleAt === null && m && m.calledRun && m._gumbolt_screen() === 1 &&
        m._gumbolt_frames() >= 1) {
      window.__gumbolt.titleAt = now;
    }
    window.__gumbolt.stamps.push(now);
    if (window.__gumbolt.stamps.length > 20000) window.__gumbolt.stamps.splice(0, 10000);
    requestAnimationFrame(watch);
  })(performance.now());
`;

// The page's own animation frames with nothing else on it, for comparison: the rate at which
// this browser, on this machine, runs them at all.
const EMPTY_PAGE = `data:text/html,<!doctype html><title>frames</title><script>
  window.__stamps = [];
  (function watch(now) { window.__stamps.push(now); requestAnimationFrame(watch); })(performance.now());
</script>`;

function median(values) {
  const sorted = [...values].sort((a, b) => a - b);
  return sorted[Math.floor(sorted.length / 2)];
}

async function main() {
  const site = process.argv[2];
  const runs = Number(process.argv[3] || 5);
  if (!site) throw new Error('usage: benchmark.js SITE [RUNS]');

  const sizes = {};
  let total = 0;
  for (const name of fs.readdirSync(site)) {
    const size = gzipSize(fs.readFileSync(path.join(site, name)));
    sizes[name] = size;
    total += size;
  }
  const media = mediaFiles(path.join(repo, 'media'));
  const mediaRaw = media.reduce((sum, f) => sum + fs.statSync(f).size, 0);
  const mediaGzip = media.reduce((sum, f) => sum + gzipSize(fs.readFileSync(f)), 0);
  const wasmRaw = fs.statSync(path.join(site, 'gumbolt.wasm')).size;
  console.log('Download, gzip -9: ' + (total / 1e6).toFixed(2) + ' MB in all');
  for (const [name, size] of Object.entries(sizes)) console.log('  ' + name + ': ' + (size / 1e3).toFixed(0) + ' kB');
  console.log('  gumbolt.wasm unpacked: ' + (wasmRaw / 1e6).toFixed(2) + ' MB, of which the built-in media ' +
              (mediaRaw / 1e6).toFixed(2) + ' MB (' + (mediaGzip / 1e6).toFixed(2) + ' MB gzipped on their own)');

  const server = await startServer(site);
  const firstFrames = [];
  const steps = [];
  const rates = [];
  const emptyRates = [];
  try {
    for (let run = 0; run < runs; run++) {
      const page = await Page.open();
      try {
        await page.send('Page.addScriptToEvaluateOnNewDocument', {source: PROBE});
        await page.goto(server.url);
        const titleAt = await until(() => page.evaluate('window.__gumbolt.titleAt'), 60000, 'the title');
        firstFrames.push(titleAt);
        steps.push(await page.evaluate('({ready: window.__gumbolt.readyAt, runtime: window.__gumbolt.runtimeAt})'));
        // A game in play: a letter, Enter, then five seconds of frames.
        await page.press('a');
        await until(async () => (await page.evaluate('Module._gumbolt_screen()')) === 6, 5000, 'the name entry');
        await page.press('Enter');
        await until(async () => (await page.evaluate('Module._gumbolt_screen()')) === 2, 5000, 'play');
        await sleep(500);
        const start = await page.evaluate('({stamps: window.__gumbolt.stamps.length, frames: Module._gumbolt_frames(), at: performance.now()})');
        await sleep(5000);
        const end = await page.evaluate('({stamps: window.__gumbolt.stamps.length, frames: Module._gumbolt_frames(), at: performance.now()})');
        const seconds = (end.at - start.at) / 1000;
        rates.push({animation: (end.stamps - start.stamps) / seconds, game: (end.frames - start.frames) / seconds});
        if (page.errors.length) console.log('  page errors: ' + page.errors.join('; '));
      } finally {
        await page.close();
      }
      const empty = await Page.open();
      try {
        await empty.goto(EMPTY_PAGE);
        await sleep(1000);
        const start = await empty.evaluate('({stamps: window.__stamps.length, at: performance.now()})');
        await sleep(5000);
        const end = await empty.evaluate('({stamps: window.__stamps.length, at: performance.now()})');
        emptyRates.push((end.stamps - start.stamps) / ((end.at - start.at) / 1000));
      } finally {
        await empty.close();
      }
    }
  } finally {
    server.stop();
  }
  console.log('Navigation to the first title frame: median ' + median(firstFrames).toFixed(0) + ' ms (' +
              firstFrames.map((t) => t.toFixed(0)).join(', ') + ')');
  console.log('  of which: code compiled and instantiated at median ' +
              median(steps.map((t) => t.ready)).toFixed(0) + ' ms, runtime ready at ' +
              median(steps.map((t) => t.runtime)).toFixed(0) + ' ms (then the game starts)');
  console.log('Frames per second while playing: game ' + median(rates.map((r) => r.game)).toFixed(1) +
              ', browser animation frames ' + median(rates.map((r) => r.animation)).toFixed(1) + ' (' +
              rates.map((r) => r.game.toFixed(1)).join(', ') + ')');
  console.log('An empty page\'s animation frames per second: ' + median(emptyRates).toFixed(1) + ' (' +
              emptyRates.map((r) => r.toFixed(1)).join(', ') + ')');
  console.log('Load average: ' + fs.readFileSync('/proc/loadavg', 'utf8').trim());
}

main().catch((error) => {
  console.error(error && error.stack ? error.stack : error);
  process.exit(1);
});
