// The browser build played as a person would, in headless Chromium over the DevTools protocol:
// the page loads from 127.0.0.1, the title shows with the desktop's pixels, a name is typed,
// a piece is moved, turned and dropped, leaving the page pauses, then a simple player clears
// rows (past a level's end) until the score beats the table's lowest, the last pieces are
// dropped until the game ends, and after a reload that score is in the table kept in
// IndexedDB and on the title screen. Any console error or uncaught exception fails the test.
//
//   node tests/web/play_in_browser.js build/web/site [folder for screenshots]
'use strict';

const assert = require('assert');
const fs = require('fs');
const path = require('path');
const {Page, startServer, sleep, until} = require('./browser');
const {playForScore} = require('./player');
const png = require('./png');

const SCREEN = {gameOver: -1, paused: 0, title: 1, playing: 2, levelUp: 3, nameEntry: 6};
// The lowest score of the table a new player's browser starts with.
const LOWEST_DEFAULT = 100;
const repo = path.join(__dirname, '..', '..');

// The bytes of gb.dat as IndexedDB holds them (the game's folder, /gumbolt, is its database),
// or null when it is not there.
const STORED_TABLE = `new Promise((resolve, reject) => {
  const opened = indexedDB.open('/gumbolt');
  opened.onerror = () => reject(opened.error);
  opened.onsuccess = () => {
    const get = opened.result.transaction('FILE_DATA').objectStore('FILE_DATA').get('/gumbolt/gb.dat');
    get.onerror = () => reject(get.error);
    get.onsuccess = () => resolve(get.result && get.result.contents ? Array.from(get.result.contents) : null);
  };
})`;

// The records of a score file: 8 bytes of name (padded with spaces), a little-endian score.
function records(bytes) {
  const list = [];
  for (let at = 0; at + 12 <= bytes.length; at += 12) {
    const name = String.fromCharCode(...bytes.slice(at, at + 8)).replace(/[ \0]+$/, '');
    const score = Buffer.from(bytes.slice(at + 8, at + 12)).readInt32LE(0);
    list.push({name, score});
  }
  return list;
}

async function screen(page) {
  return page.evaluate('typeof Module === "object" && Module.calledRun ? Module._gumbolt_screen() : -3');
}

async function frames(page) {
  return page.evaluate('Module._gumbolt_frames()');
}

async function waitForScreen(page, wanted, timeoutMs, what) {
  await until(async () => (await screen(page)) === wanted, timeoutMs, what);
}

async function main() {
  const site = process.argv[2];
  const shots = process.argv[3];
  assert(site && fs.existsSync(path.join(site, 'index.html')), 'usage: play_in_browser.js SITE [SHOTS]');
  if (shots) fs.mkdirSync(shots, {recursive: true});
  const server = await startServer(site);
  const page = await Page.open();
  const save = async (name) => {
    const picture = await page.screenshot();
    if (shots) fs.writeFileSync(path.join(shots, name + '.png'), picture);
    return picture;
  };
  try {
    await page.goto(server.url);
    await waitForScreen(page, SCREEN.title, 60000, 'the title screen');
    // A few frames in, the title is on the canvas.
    const shown = await frames(page);
    await until(async () => (await frames(page)) > shown + 10, 10000, 'frames on the title screen');
    const loading = await page.evaluate('document.getElementById("loading").hidden');
    assert.strictEqual(loading, true, 'the loading panel is still shown over the game');

    // The logo and the high-score table as the desktop draws them (the ring around them
    // changes colour with time, the logo and the table do not).
    const title = png.decode(await save('title'));
    const desktop = png.decode(fs.readFileSync(path.join(repo, 'docs', 'screenshots', 'title.png')));
    assert.strictEqual(title.width, 800);
    assert.strictEqual(title.height, 600);
    for (const [name, rect] of [['logo', {x: 300, y: 80, width: 200, height: 100}],
                                ['high scores', {x: 280, y: 340, width: 240, height: 140}]]) {
      const difference = png.compare(title, desktop, rect, 48);
      assert(difference.share < 0.02,
             `the title's ${name} differs from the desktop's in ${(difference.share * 100).toFixed(1)}% ` +
             `of its pixels (by up to ${difference.largest})`);
    }

    // Any letter leads to the name entry; the default name is replaced.
    await page.press('a');
    await waitForScreen(page, SCREEN.nameEntry, 5000, 'the name entry');
    for (let i = 0; i < 8; i++) await page.press('Backspace');
    for (const letter of 'Web') await page.press(letter);
    await save('name-entry');
    await page.press('Enter');
    await waitForScreen(page, SCREEN.playing, 5000, 'play to start');

    // Moves, turns and a drop.
    for (const key of ['ArrowLeft', 'ArrowLeft', 'z', 'ArrowRight', 'x', 'ArrowDown', 'ArrowUp']) {
      await page.press(key);
      await sleep(60);
    }
    await save('playing');
    assert.strictEqual(await screen(page), SCREEN.playing, 'the game left play after a few keys');

    // Leaving the page pauses the game; a letter goes on.
    await page.evaluate('window.dispatchEvent(new FocusEvent("blur")), true');
    await waitForScreen(page, SCREEN.paused, 5000, 'the game to pause when the page loses the focus');
    await page.evaluate('window.dispatchEvent(new FocusEvent("focus")), true');
    await page.press('a');
    await waitForScreen(page, SCREEN.playing, 5000, 'play to go on after a letter');

    // Rows cleared until the score beats the lowest in the table (the first level ends at
    // 100 points), then pieces dropped where they come until the game ends.
    const made = await playForScore(page, LOWEST_DEFAULT, 240000, SCREEN);
    await save('scored');
    await until(async () => {
      const now = await screen(page);
      if (now === SCREEN.gameOver) return true;
      // A level's end pauses the game until a letter.
      await page.press(now === SCREEN.playing ? 'ArrowUp' : 'a');
      return false;
    }, 120000, 'the game to end', 150);
    const final = await page.evaluate('Module._gumbolt_score()');
    assert(final >= made, `the score fell from ${made} to ${final}`);
    await save('game-over');
    await page.evaluate('Module.gumboltSynced()');

    // The save at game over reached IndexedDB and is there after a reload: the five best, the
    // new score among them in its place, and the title shows that table.
    await page.reload();
    await waitForScreen(page, SCREEN.title, 60000, 'the title screen after a reload');
    const stored = await page.evaluate(STORED_TABLE);
    assert(stored, 'no gb.dat in IndexedDB after the reload');
    const table = records(stored);
    assert.strictEqual(table.length, 5, 'the stored table holds ' + stored.length + ' bytes');
    const entry = table.findIndex((e) => e.name === 'Web' && e.score === final);
    assert(entry >= 0, `Web's ${final} points are not in the stored table ${JSON.stringify(table)}`);
    for (let i = 1; i < table.length; i++) {
      assert(table[i - 1].score >= table[i].score, 'the stored table is out of order: ' + JSON.stringify(table));
    }
    assert(table[table.length - 1].score >= LOWEST_DEFAULT, 'a default score was lost: ' + JSON.stringify(table));
    const reloaded = await frames(page);
    await until(async () => (await frames(page)) > reloaded + 10, 10000, 'frames after the reload');
    const again = png.decode(await save('title-after-reload'));
    const difference = png.compare(again, title, {x: 280, y: 340, width: 240, height: 140}, 48);
    assert(difference.share > 0.02, 'the title still shows the table of before the game');

    assert.deepStrictEqual(page.errors, [], 'the page reported errors');
    console.log('1 passed, 0 failed');
  } finally {
    await page.close();
    server.stop();
  }
}

main().catch((error) => {
  console.error(error && error.stack ? error.stack : error);
  console.log('0 passed, 1 failed');
  process.exit(1);
});
