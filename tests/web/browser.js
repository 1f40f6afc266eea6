// Headless Chromium driven over the DevTools protocol, for the browser build's end-to-end test
// and benchmark: starts the site's server and a fresh browser, opens a page, records every
// console message and uncaught exception, types real key presses and takes screenshots.
// Needs Debian's chromium and node-ws (NODE_PATH=/usr/share/nodejs).
'use strict';

const {spawn} = require('child_process');
const fs = require('fs');
const os = require('os');
const path = require('path');
const WebSocket = require('ws');

const CHROMIUM = process.env.GUMBOLT_CHROMIUM || '/usr/bin/chromium';

function sleep(ms) {
  return new Promise((resolve) => setTimeout(resolve, ms));
}

// Waits until check() gives a true value, polling; fails with what after timeoutMs.
async function until(check, timeoutMs, what, everyMs = 50) {
  const end = Date.now() + timeoutMs;
  for (;;) {
    const value = await check();
    if (value) return value;
    if (Date.now() > end) throw new Error('timed out waiting for ' + what);
    await sleep(everyMs);
  }
}

// Serves the folder with tools/web/serve.py on a free port of 127.0.0.1.
async function startServer(site) {
  const script = path.join(__dirname, '..', '..', 'tools', 'web', 'serve.py');
  const child = spawn('python3', [script, site, '0'], {stdio: ['ignore', 'pipe', 'inherit']});
  const url = await new Promise((resolve, reject) => {
    let text = '';
    child.stdout.on('data', (chunk) => {
      text += chunk;
      const line = text.split('\n')[0];
      if (text.includes('\n')) resolve(line.trim());
    });
    child.on('exit', (code) => reject(new Error('the server ended with status ' + code)));
  });
  return {url, stop: () => child.kill()};
}

class Session {
  constructor(socket) {
    this.socket = socket;
    this.nextId = 1;
    this.pending = new Map();
    this.listeners = [];
    socket.on('message', (data) => {
      const message = JSON.parse(data);
      if (message.id && this.pending.has(message.id)) {
        const {resolve, reject} = this.pending.get(message.id);
        this.pending.delete(message.id);
        if (message.error) reject(new Error(message.error.message));
        else resolve(message.result);
      } else if (message.method) {
        for (const listener of this.listeners) listener(message);
      }
    });
  }

  send(method, params = {}, sessionId = undefined) {
    const id = this.nextId++;
    const message = {id, method, params};
    if (sessionId) message.sessionId = sessionId;
    return new Promise((resolve, reject) => {
      this.pending.set(id, {resolve, reject});
      this.socket.send(JSON.stringify(message));
    });
  }
}

// A page in a fresh headless browser. Every console error and uncaught exception lands in
// page.errors; page.console holds every console message.
class Page {
  static async open(options = {}) {
    const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'gumbolt-chromium-'));
    const args = [
      '--headless', '--no-sandbox', '--disable-gpu', '--enable-unsafe-swiftshader',
      '--use-angle=swiftshader', '--disable-quic', '--no-first-run',
      '--disable-background-networking', '--disable-component-update', '--disable-sync',
      '--disable-default-apps', '--disable-extensions', '--mute-audio',
      '--autoplay-policy=user-gesture-required',
      '--disable-background-timer-throttling', '--disable-renderer-backgrounding',
      '--remote-debugging-port=0', '--user-data-dir=' + profile,
      '--window-size=' + (options.width || 800) + ',' + (options.height || 600), 'about:blank',
    ];
    const browser = spawn(CHROMIUM, args, {stdio: ['ignore', 'ignore', 'pipe']});
    let browserLog = '';
    browser.stderr.on('data', (chunk) => { browserLog += chunk; });
    const portFile = path.join(profile, 'DevToolsActivePort');
    const lines = await until(() => {
      if (browser.exitCode !== null) throw new Error('chromium ended at start:\n' + browserLog);
      try {
        const text = fs.readFileSync(portFile, 'utf8').split('\n');
        return text.length >= 2 && text[1] ? text : null;
      } catch (e) {
        return null;
      }
    }, 30000, 'chromium to start');
    const socket = new WebSocket('ws://127.0.0.1:' + lines[0] + lines[1]);
    await new Promise((resolve, reject) => {
      socket.once('open', resolve);
      socket.once('error', reject);
    });
    const page = new Page(new Session(socket), browser, profile);
    await page.attach(options);
    return page;
  }

  constructor(session, browser, profile) {
    this.session = session;
    this.browser = browser;
    this.profile = profile;
    this.console = [];
    this.errors = [];
    this.loadEvents = 0;
    session.listeners.push((message) => this.onEvent(message));
  }

  async attach(options) {
    const {targetInfos} = await this.session.send('Target.getTargets');
    const target = targetInfos.find((t) => t.type === 'page');
    const {sessionId} = await this.session.send('Target.attachToTarget',
                                                {targetId: target.targetId, flatten: true});
    this.sessionId = sessionId;
    await this.send('Page.enable');
    await this.send('Runtime.enable');
    await this.send('Log.enable');
    await this.send('Emulation.setDeviceMetricsOverride', {
      width: options.width || 800, height: options.height || 600, deviceScaleFactor: 1,
      mobile: false,
    });
    await this.send('Emulation.setFocusEmulationEnabled', {enabled: true});
  }

  send(method, params = {}) {
    return this.session.send(method, params, this.sessionId);
  }

  onEvent(message) {
    if (message.sessionId !== this.sessionId) return;
    const p = message.params;
    if (message.method === 'Runtime.consoleAPICalled') {
      const text = p.args.map((a) => (a.value !== undefined ? String(a.value) : a.description || a.type)).join(' ');
      this.console.push({type: p.type, text});
      if (p.type === 'error' || p.type === 'assert') this.errors.push('console.' + p.type + ': ' + text);
    } else if (message.method === 'Runtime.exceptionThrown') {
      const d = p.exceptionDetails;
      this.errors.push('uncaught exception: ' + (d.exception && d.exception.description || d.text));
    } else if (message.method === 'Log.entryAdded') {
      if (p.entry.level === 'error') this.errors.push('browser log: ' + p.entry.text + (p.entry.url ? ' (' + p.entry.url + ')' : ''));
    } else if (message.method === 'Page.loadEventFired') {
      this.loadEvents += 1;
    }
  }

  async goto(url) {
    const before = this.loadEvents;
    await this.send('Page.navigate', {url});
    await until(() => this.loadEvents > before, 60000, 'the page to load');
  }

  async reload() {
    const before = this.loadEvents;
    await this.send('Page.reload', {ignoreCache: true});
    await until(() => this.loadEvents > before, 60000, 'the page to load again');
  }

  // The value of a JavaScript expression in the page (awaited when it is a promise).
  async evaluate(expression) {
    const {result, exceptionDetails} = await this.send('Runtime.evaluate',
                                                       {expression, awaitPromise: true, returnByValue: true});
    if (exceptionDetails) throw new Error('evaluating ' + expression + ': ' + (exceptionDetails.exception && exceptionDetails.exception.description || exceptionDetails.text));
    return result.value;
  }

  // A real key press and release, as the keyboard sends them: key is a KeyboardEvent key
  // ("a", "Enter", "ArrowLeft").
  async press(key, holdMs = 30) {
    const k = KEYS[key] || {code: 'Key' + key.toUpperCase(), keyCode: key.toUpperCase().charCodeAt(0)};
    const text = key.length === 1 ? key : (key === 'Enter' ? '\r' : undefined);
    const base = {key, code: k.code, windowsVirtualKeyCode: k.keyCode, nativeVirtualKeyCode: k.keyCode};
    await this.send('Input.dispatchKeyEvent', {type: text ? 'keyDown' : 'rawKeyDown', ...base, text, unmodifiedText: text});
    await sleep(holdMs);
    await this.send('Input.dispatchKeyEvent', {type: 'keyUp', ...base});
  }

  // The page as a PNG (a Buffer).
  async screenshot() {
    const {data} = await this.send('Page.captureScreenshot', {format: 'png'});
    return Buffer.from(data, 'base64');
  }

  async close() {
    try {
      await this.session.send('Browser.close');
    } catch (e) {
      // Gone already.
    }
    await until(() => this.browser.exitCode !== null || this.browser.signalCode !== null, 10000, 'chromium to end')
      .catch(() => this.browser.kill('SIGKILL'));
    fs.rmSync(this.profile, {recursive: true, force: true});
  }
}

const KEYS = {
  Enter: {code: 'Enter', keyCode: 13},
  Escape: {code: 'Escape', keyCode: 27},
  Backspace: {code: 'Backspace', keyCode: 8},
  ArrowLeft: {code: 'ArrowLeft', keyCode: 37},
  ArrowUp: {code: 'ArrowUp', keyCode: 38},
  ArrowRight: {code: 'ArrowRight', keyCode: 39},
  ArrowDown: {code: 'ArrowDown', keyCode: 40},
  ' ': {code: 'Space', keyCode: 32},
  F11: {code: 'F11', keyCode: 122},
};

module.exports = {Page, startServer, sleep, until};
