// Reads 8-bit RGB and RGBA PNG files (what Chromium's screenshots and the game's own pictures
// are) into {width, height, pixels}, pixels being RGBA bytes row by row.
'use strict';

const zlib = require('zlib');

function paeth(a, b, c) {
  const p = a + b - c;
  const pa = Math.abs(p - a);
  const pb = Math.abs(p - b);
  const pc = Math.abs(p - c);
  if (pa <= pb && pa <= pc) return a;
  return pb <= pc ? b : c;
}

function decode(buffer) {
  const signature = '89504e470d0a1a0a';
  if (buffer.subarray(0, 8).toString('hex') !== signature) throw new Error('not a PNG file');
  let at = 8;
  let header = null;
  const data = [];
  while (at < buffer.length) {
    const length = buffer.readUInt32BE(at);
    const type = buffer.toString('latin1', at + 4, at + 8);
    const body = buffer.subarray(at + 8, at + 8 + length);
    if (type === 'IHDR') {
      header = {width: body.readUInt32BE(0), height: body.readUInt32BE(4), depth: body[8],
                colour: body[9], interlace: body[12]};
    } else if (type === 'IDAT') {
      data.push(body);
    } else if (type === 'IEND') {
      break;
    }
    at += 12 + length;
  }
  if (!header || header.depth !== 8 || header.interlace !== 0 || ![2, 6].includes(header.colour)) {
    throw new Error('only 8-bit, non-interlaced RGB or RGBA PNG files are read here');
  }
  const channels = header.colour === 6 ? 4 : 3;
  const raw = zlib.inflateSync(Buffer.concat(data));
  const stride = header.width * channels;
  const rows = Buffer.alloc(stride * header.height);
  for (let y = 0; y < header.height; y++) {
    const filter = raw[y * (stride + 1)];
    const line = raw.subarray(y * (stride + 1) + 1, (y + 1) * (stride + 1));
    for (let x = 0; x < stride; x++) {
      const left = x >= channels ? rows[y * stride + x - channels] : 0;
      const up = y > 0 ? rows[(y - 1) * stride + x] : 0;
      const corner = x >= channels && y > 0 ? rows[(y - 1) * stride + x - channels] : 0;
      let value = line[x];
      if (filter === 1) value += left;
      else if (filter === 2) value += up;
      else if (filter === 3) value += (left + up) >> 1;
      else if (filter === 4) value += paeth(left, up, corner);
      rows[y * stride + x] = value & 255;
    }
  }
  const pixels = Buffer.alloc(header.width * header.height * 4);
  for (let i = 0, j = 0; i < rows.length; i += channels, j += 4) {
    pixels[j] = rows[i];
    pixels[j + 1] = rows[i + 1];
    pixels[j + 2] = rows[i + 2];
    pixels[j + 3] = channels === 4 ? rows[i + 3] : 255;
  }
  return {width: header.width, height: header.height, pixels};
}

// How far two pictures differ in a rectangle: the largest difference of any colour channel,
// and the share of pixels that differ by more than tolerance in some channel.
function compare(a, b, rect, tolerance) {
  let largest = 0;
  let differing = 0;
  for (let y = rect.y; y < rect.y + rect.height; y++) {
    for (let x = rect.x; x < rect.x + rect.width; x++) {
      const i = (y * a.width + x) * 4;
      const j = (y * b.width + x) * 4;
      let worst = 0;
      for (let c = 0; c < 3; c++) worst = Math.max(worst, Math.abs(a.pixels[i + c] - b.pixels[j + c]));
      largest = Math.max(largest, worst);
      if (worst > tolerance) differing += 1;
    }
  }
  return {largest, share: differing / (rect.width * rect.height)};
}

module.exports = {decode, compare};
