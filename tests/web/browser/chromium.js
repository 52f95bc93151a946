// Headless Chromium driven over its DevTools pipe: the little the browser
// suites need (pages, keys, screenshots, evaluating in the page), with no
// package to download, so a machine with Debian's chromium and nodejs can run
// them.
'use strict';

const { spawn } = require('node:child_process');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');

// What a key sends: the page's game reads `code` and `keyCode`.
const KEYS = {
  Space: { key: ' ', code: 'Space', keyCode: 32, text: ' ' },
  Enter: { key: 'Enter', code: 'Enter', keyCode: 13, text: '\r' },
  Escape: { key: 'Escape', code: 'Escape', keyCode: 27 },
  ArrowLeft: { key: 'ArrowLeft', code: 'ArrowLeft', keyCode: 37 },
  ArrowUp: { key: 'ArrowUp', code: 'ArrowUp', keyCode: 38 },
  ArrowRight: { key: 'ArrowRight', code: 'ArrowRight', keyCode: 39 },
  ArrowDown: { key: 'ArrowDown', code: 'ArrowDown', keyCode: 40 },
  F11: { key: 'F11', code: 'F11', keyCode: 122 },
  F12: { key: 'F12', code: 'F12', keyCode: 123 },
};

function keyOf(name) {
  if (KEYS[name]) return KEYS[name];
  const letter = /^Key([A-Z])$/.exec(name);
  if (letter) {
    const key = letter[1].toLowerCase();
    return { key, code: name, keyCode: letter[1].charCodeAt(0), text: key };
  }
  throw new Error(`chromium: no key "${String(name).slice(0, 20)}"`);
}

const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

class Page {
  constructor(browser, targetId, sessionId) {
    this.browser = browser;
    this.targetId = targetId;
    this.sessionId = sessionId;
    this.listeners = { console: [], pageerror: [] };
    this.loads = [];
    this.keyboard = {
      down: (name) => {
        const k = keyOf(name);
        return this.send('Input.dispatchKeyEvent', {
          type: k.text ? 'keyDown' : 'rawKeyDown', key: k.key, code: k.code,
          windowsVirtualKeyCode: k.keyCode, text: k.text, unmodifiedText: k.text,
        });
      },
      up: (name) => {
        const k = keyOf(name);
        return this.send('Input.dispatchKeyEvent',
          { type: 'keyUp', key: k.key, code: k.code, windowsVirtualKeyCode: k.keyCode });
      },
      press: async (name, { delay = 0 } = {}) => {
        await this.keyboard.down(name);
        if (delay) await sleep(delay);
        await this.keyboard.up(name);
      },
    };
  }

  send(method, params = {}) {
    return this.browser.send(method, params, this.sessionId);
  }

  on(event, listener) {
    this.listeners[event].push(listener);
  }

  event(method, params) {
    if (method === 'Page.loadEventFired') {
      for (const resolve of this.loads.splice(0)) resolve();
    } else if (method === 'Runtime.consoleAPICalled') {
      const text = params.args.map((arg) => (arg.value !== undefined ? String(arg.value) : arg.description || ''))
        .join(' ');
      for (const listener of this.listeners.console) listener({ type: () => params.type, text: () => text });
    } else if (method === 'Log.entryAdded' && params.entry.level === 'error') {
      for (const listener of this.listeners.console) {
        listener({ type: () => 'error', text: () => params.entry.text });
      }
    } else if (method === 'Runtime.exceptionThrown') {
      const details = params.exceptionDetails;
      const text = details.exception ? details.exception.description : details.text;
      for (const listener of this.listeners.pageerror) listener(text);
    }
  }

  async goto(url) {
    const loaded = new Promise((resolve) => this.loads.push(resolve));
    const result = await this.send('Page.navigate', { url });
    if (result.errorText) throw new Error(`chromium: cannot open ${url}: ${result.errorText}`);
    await loaded;
  }

  // `fn` runs in the page with `args` (plain values); its result comes back
  // as a plain value, a promise awaited.
  async evaluate(fn, ...args) {
    const expression = `(${fn})(...${JSON.stringify(args)})`;
    const result = await this.send('Runtime.evaluate',
      { expression, awaitPromise: true, returnByValue: true, userGesture: true });
    if (result.exceptionDetails) {
      const details = result.exceptionDetails;
      throw new Error('in the page: ' + (details.exception ? details.exception.description : details.text));
    }
    return result.result.value;
  }

  // Polls `fn` in the page until it returns something true.
  async waitForFunction(fn, { timeout = 30000 } = {}, ...args) {
    const end = Date.now() + timeout;
    for (;;) {
      const value = await this.evaluate(fn, ...args).catch(() => undefined);
      if (value) return value;
      if (Date.now() > end) throw new Error(`chromium: waited ${timeout} ms for ${String(fn).slice(0, 80)}`);
      await sleep(20);
    }
  }

  waitForSelector(selector, options) {
    return this.waitForFunction((s) => document.querySelector(s) !== null, options, selector);
  }

  $eval(selector, fn) {
    return this.evaluate(`(s) => (${fn})(document.querySelector(s))`, selector);
  }

  async screenshot({ path: file }) {
    const { data } = await this.send('Page.captureScreenshot', { format: 'png' });
    fs.writeFileSync(file, Buffer.from(data, 'base64'));
  }

  close() {
    return this.browser.send('Target.closeTarget', { targetId: this.targetId });
  }
}

class Context {
  constructor(browser, id) {
    this.browser = browser;
    this.id = id;
  }

  newPage() {
    return this.browser.newPage(this.id);
  }

  close() {
    return this.browser.send('Target.disposeBrowserContext', { browserContextId: this.id });
  }
}

class Browser {
  constructor(child, profile, viewport) {
    this.child = child;
    this.profile = profile;
    this.viewport = viewport;
    this.next = 1;
    this.calls = new Map();
    this.pages = new Map();
    this.stderr = '';
    let pending = '';
    child.stdio[4].on('data', (chunk) => {
      pending += chunk.toString('utf8');
      let end;
      while ((end = pending.indexOf('\0')) >= 0) {
        this.receive(JSON.parse(pending.slice(0, end)));
        pending = pending.slice(end + 1);
      }
    });
    child.stderr.on('data', (chunk) => {
      this.stderr = (this.stderr + chunk.toString('utf8')).slice(-2000);
    });
    this.exited = new Promise((resolve) => child.on('exit', resolve));
    this.exited.then((code) => {
      for (const { reject, method } of this.calls.values()) {
        reject(new Error(`chromium: ended (${code}) during ${method}: ${this.stderr.slice(-300)}`));
      }
      this.calls.clear();
    });
  }

  receive(message) {
    if (message.id !== undefined) {
      const call = this.calls.get(message.id);
      if (!call) return;
      this.calls.delete(message.id);
      if (message.error) call.reject(new Error(`chromium: ${call.method}: ${message.error.message}`));
      else call.resolve(message.result);
    } else if (message.sessionId && this.pages.has(message.sessionId)) {
      this.pages.get(message.sessionId).event(message.method, message.params);
    }
  }

  send(method, params = {}, sessionId = undefined) {
    const id = this.next++;
    const message = JSON.stringify({ id, method, params, sessionId });
    return new Promise((resolve, reject) => {
      this.calls.set(id, { resolve, reject, method });
      this.child.stdio[3].write(message + '\0');
    });
  }

  async newPage(browserContextId = undefined) {
    const { targetId } = await this.send('Target.createTarget', { url: 'about:blank', browserContextId });
    const { sessionId } = await this.send('Target.attachToTarget', { targetId, flatten: true });
    const page = new Page(this, targetId, sessionId);
    this.pages.set(sessionId, page);
    await Promise.all([page.send('Page.enable'), page.send('Runtime.enable'), page.send('Log.enable'),
      page.send('Emulation.setDeviceMetricsOverride',
        { width: this.viewport.width, height: this.viewport.height, deviceScaleFactor: 1, mobile: false })]);
    return page;
  }

  async createBrowserContext() {
    const { browserContextId } = await this.send('Target.createBrowserContext');
    return new Context(this, browserContextId);
  }

  async close() {
    await this.send('Browser.close').catch(() => {});
    await Promise.race([this.exited, sleep(5000)]);
    this.child.kill('SIGKILL');
    fs.rmSync(this.profile, { recursive: true, force: true });
  }
}

// A headless Chromium with its own throwaway profile, so it never reads or
// writes the user's.
async function launch({ executablePath = '/usr/bin/chromium', args = [],
  viewport = { width: 1280, height: 720 } } = {}) {
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'morva-chromium-'));
  const child = spawn(executablePath, [
    '--headless', '--remote-debugging-pipe', `--user-data-dir=${profile}`, '--no-first-run',
    '--no-default-browser-check', '--disable-background-networking', '--disable-component-update',
    '--disable-sync', '--disable-default-apps', '--disable-extensions', '--disable-background-timer-throttling',
    '--disable-backgrounding-occluded-windows', '--disable-renderer-backgrounding', '--force-color-profile=srgb',
    '--password-store=basic', '--use-mock-keychain', '--mute-audio', '--hide-scrollbars',
    ...args, 'about:blank',
  ], { stdio: ['ignore', 'ignore', 'pipe', 'pipe', 'pipe'] });
  const started = new Promise((resolve, reject) => {
    child.on('error', (error) => reject(new Error(`chromium: cannot start ${executablePath}: ${error.message}`)));
    child.on('spawn', resolve);
  });
  await started;
  const browser = new Browser(child, profile, viewport);
  await Promise.race([browser.send('Browser.getVersion'),
    browser.exited.then((code) => {
      throw new Error(`chromium: ended (${code}) at its start: ${browser.stderr.slice(-300)}`);
    })]);
  return browser;
}

module.exports = { launch };
