// A simple player for the browser test: it looks at the playing grid (the page's
// Module._gumbolt_cell), picks where the falling piece should land with a common rule of thumb
// (complete rows, keep the stack low and flat, leave no holes) and steers the piece there with
// real key presses: a quarter turn at a time, a column at a time, then a drop. After every key it
// looks again, so gravity, a key the game flushed at a new piece or a turn that did not fit
// only cost another look.
'use strict';

const {sleep} = require('./browser');

const COLUMNS = 10;
const ROWS = 20;

// The grid as the page sees it now: the screen code, the landed cells (a Set of "c,r") and
// the falling piece's cells ([c, r] pairs).
const LOOK = `(() => {
  const cells = [];
  for (let r = 0; r < ${ROWS}; r++)
    for (let c = 0; c < ${COLUMNS}; c++) cells.push(Module._gumbolt_cell(c, r));
  return {screen: Module._gumbolt_screen(), score: Module._gumbolt_score(), cells: cells.join('')};
})()`;

async function look(page) {
  const seen = await page.evaluate(LOOK);
  const landed = new Set();
  const piece = [];
  for (let i = 0; i < seen.cells.length; i++) {
    const c = i % COLUMNS;
    const r = Math.floor(i / COLUMNS);
    if (seen.cells[i] === '1') landed.add(c + ',' + r);
    else if (seen.cells[i] === '2') piece.push([c, r]);
  }
  return {screen: seen.screen, score: seen.score, cells: seen.cells, landed, piece};
}

// The cells moved so that the leftmost is in column 0 and the topmost in row 0, in a fixed
// order; key names the shape in that orientation.
function normalise(cells) {
  const left = Math.min(...cells.map(([c]) => c));
  const top = Math.min(...cells.map(([, r]) => r));
  const moved = cells.map(([c, r]) => [c - left, r - top]).sort((a, b) => a[1] - b[1] || a[0] - b[0]);
  return {cells: moved, key: moved.map(([c, r]) => c + ',' + r).join(' '), left};
}

// The shape's orientations: quarter turns of its cells, each normalised, without repeats.
function orientations(cells) {
  const found = new Map();
  let turned = cells;
  for (let i = 0; i < 4; i++) {
    const shape = normalise(turned);
    if (!found.has(shape.key)) found.set(shape.key, shape);
    turned = turned.map(([c, r]) => [-r, c]);
  }
  return [...found.values()].sort((a, b) => (a.key < b.key ? -1 : 1));
}

// How good the grid is after the shape lands with its left edge in column left, or null when
// it does not fit there: rows completed count for it, the stack's total height, covered holes
// and the steps between neighbouring columns against it.
function rate(landed, shape, left) {
  if (shape.cells.some(([c]) => left + c >= COLUMNS)) return null;
  const free = (c, r) => r < ROWS && !landed.has(c + ',' + r);
  let drop = -1;
  while (shape.cells.every(([c, r]) => free(left + c, drop + 1 + r))) drop++;
  if (drop < 0) return null;
  const filled = new Set(landed);
  for (const [c, r] of shape.cells) filled.add(left + c + ',' + (drop + r));
  let rows = 0;
  const kept = new Set();
  let shift = 0;
  for (let r = ROWS - 1; r >= 0; r--) {
    let full = true;
    for (let c = 0; c < COLUMNS; c++) full = full && filled.has(c + ',' + r);
    if (full) {
      rows++;
      shift++;
      continue;
    }
    for (let c = 0; c < COLUMNS; c++) if (filled.has(c + ',' + r)) kept.add(c + ',' + (r + shift));
  }
  const heights = [];
  let holes = 0;
  for (let c = 0; c < COLUMNS; c++) {
    let top = ROWS;
    for (let r = 0; r < ROWS; r++) {
      if (kept.has(c + ',' + r)) {
        if (top === ROWS) top = r;
      } else if (top < r) {
        holes++;
      }
    }
    heights.push(ROWS - top);
  }
  let bumps = 0;
  for (let c = 1; c < COLUMNS; c++) bumps += Math.abs(heights[c] - heights[c - 1]);
  const total = heights.reduce((a, b) => a + b, 0);
  return 0.76 * rows - 0.51 * total - 0.36 * holes - 0.18 * bumps;
}

// The best orientation (its key) and left column for the piece on this grid.
function bestPlace(landed, piece) {
  let best = null;
  for (const shape of orientations(piece)) {
    for (let left = 0; left < COLUMNS; left++) {
      const value = rate(landed, shape, left);
      if (value !== null && (best === null || value > best.value)) best = {key: shape.key, left, value};
    }
  }
  return best;
}

// Presses a key and waits (a little) until the grid or the screen changed.
async function pressAndWatch(page, key, before) {
  await page.press(key, 20);
  const end = Date.now() + 400;
  for (;;) {
    const now = await look(page);
    if (now.cells !== before.cells || now.screen !== before.screen || Date.now() > end) return now;
    await sleep(15);
  }
}

// Steers pieces on the playing screen until the score passes target, going on past a level's
// end with a letter. Gives up (throws) after timeoutMs.
async function playForScore(page, target, timeoutMs, screens) {
  const end = Date.now() + timeoutMs;
  let seen = await look(page);
  let failedTurns = 0;
  while (seen.score <= target) {
    if (Date.now() > end) throw new Error('the player made only ' + seen.score + ' points');
    if (seen.screen === screens.levelUp || seen.screen === screens.paused) {
      seen = await pressAndWatch(page, 'a', seen);
      continue;
    }
    if (seen.screen !== screens.playing) {
      throw new Error('the game left play (screen ' + seen.screen + ') at ' + seen.score + ' points');
    }
    if (seen.piece.length !== 4) {
      await sleep(20);
      seen = await look(page);
      continue;
    }
    const place = bestPlace(seen.landed, seen.piece);
    const now = normalise(seen.piece);
    let key;
    if (place === null) {
      key = 'ArrowUp';
    } else if (now.key !== place.key && failedTurns < 3) {
      key = 'x';
    } else if (now.left > place.left) {
      key = 'ArrowLeft';
    } else if (now.left < place.left) {
      key = 'ArrowRight';
    } else if (now.key !== place.key) {
      // A turn that did not fit where the piece is: a step toward the middle first.
      key = now.left < COLUMNS / 2 ? 'ArrowRight' : 'ArrowLeft';
      failedTurns = 0;
    } else {
      key = 'ArrowUp';
    }
    const after = await pressAndWatch(page, key, seen);
    if (key === 'x') {
      const turned = after.piece.length === 4 && normalise(after.piece).key !== now.key;
      failedTurns = turned ? 0 : failedTurns + 1;
    } else if (key === 'ArrowUp') {
      failedTurns = 0;
    }
    seen = after;
  }
  return seen.score;
}

module.exports = {playForScore, bestPlace, orientations, COLUMNS, ROWS};
