// The web page in headless Chromium, served from 127.0.0.1: it loads without
// console errors, the title matches the desktop's picture of the same frame,
// Space starts a game and the arrows move the hero, Esc pauses, a remapped key
// survives a reload, and a missing file gives a message in the page.
// MORVA_WEB_BUILD: the web build; MORVA_NATIVE_PROGRAM: the desktop build's
// morva; MORVA_SHOTS: where to leave the screenshots (optional).
'use strict';

const { test, before, after } = require('node:test');
const assert = require('node:assert');
const { execFileSync } = require('node:child_process');
const fs = require('node:fs');
const http = require('node:http');
const os = require('node:os');
const path = require('node:path');
const chromium = require('./chromium');

const WEB_BUILD = process.env.MORVA_WEB_BUILD;
const NATIVE_PROGRAM = process.env.MORVA_NATIVE_PROGRAM;
const SHOTS = process.env.MORVA_SHOTS || fs.mkdtempSync(path.join(os.tmpdir(), 'morva-web-shots-'));
const CHROMIUM = process.env.MORVA_CHROMIUM || '/usr/bin/chromium';
const TITLE_FRAME = 60;

const TYPES = {
  '.html': 'text/html', '.js': 'text/javascript', '.css': 'text/css',
  '.wasm': 'application/wasm', '.data': 'application/octet-stream', '.png': 'image/png',
};

let server, origin, browser, nativeTitle;

// The build folder; under /broken/ the same page without its .wasm, under
// /native/ the desktop's screenshots.
function serve(request, response) {
  const url = new URL(request.url, 'http://localhost');
  let file = path.join(WEB_BUILD, decodeURIComponent(url.pathname));
  if (url.pathname.startsWith('/broken/')) {
    file = url.pathname.endsWith('.wasm') ? '' : path.join(WEB_BUILD, url.pathname.slice(8));
  } else if (url.pathname.startsWith('/native/')) {
    file = path.join(SHOTS, path.basename(url.pathname));
  }
  if (file.endsWith('/')) file += 'index.html';
  fs.readFile(file, (error, body) => {
    if (error || !file) {
      response.writeHead(404, { 'Content-Type': 'text/plain' });
      response.end('not found');
      return;
    }
    response.writeHead(200, { 'Content-Type': TYPES[path.extname(file)] || 'application/octet-stream' });
    response.end(body);
  });
}

before(async () => {
  assert.ok(WEB_BUILD && NATIVE_PROGRAM, 'MORVA_WEB_BUILD and MORVA_NATIVE_PROGRAM must be set');
  // The desktop's own picture of the title frame, off screen.
  const config = fs.mkdtempSync(path.join(os.tmpdir(), 'morva-web-native-'));
  execFileSync(NATIVE_PROGRAM, [], {
    env: { ...process.env, PLUMO_VIDEO: 'offscreen', PLUMO_CONFIG_DIR: 'none', PLUMO_SEED: '1',
      PLUMO_FPS: '0', PLUMO_FRAMES: String(TITLE_FRAME + 1), PLUMO_SHOT_FRAMES: String(TITLE_FRAME),
      PLUMO_SHOT_DIR: config },
    stdio: 'inherit',
  });
  nativeTitle = 'native-title.png';
  fs.copyFileSync(path.join(config, `frame-${String(TITLE_FRAME).padStart(6, '0')}.png`),
    path.join(SHOTS, nativeTitle));
  fs.rmSync(config, { recursive: true });

  server = http.createServer(serve);
  await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
  origin = `http://127.0.0.1:${server.address().port}`;
  browser = await chromium.launch({
    executablePath: CHROMIUM,
    args: ['--no-sandbox', '--disable-gpu', '--enable-unsafe-swiftshader', '--window-size=1280,720',
      '--autoplay-policy=no-user-gesture-required'],
  });
});

after(async () => {
  if (browser) await browser.close();
  if (server) server.close();
  console.log(`screenshots in ${SHOTS}`);
});

// A page with its console errors collected; `settings` are PLUMO_ settings
// for the program, passed in the address.
async function open(settings = {}, { context = browser, prefix = '' } = {}) {
  const page = await context.newPage();
  const errors = [];
  page.on('console', (message) => {
    if (message.type() === 'error') errors.push(message.text());
  });
  page.on('pageerror', (error) => errors.push(String(error)));
  const query = new URLSearchParams({ PLUMO_SEED: '1', ...settings });
  await page.goto(`${origin}/${prefix}index.html?${query}`);
  return { page, errors };
}

// The page follows the game by the frames it has shown, so that a slow
// machine only makes the suite slower.
async function frame(page, count) {
  await page.waitForFunction((n) => (Module.framesShown || 0) >= n, { timeout: 60000 }, count);
}

// A key held over a few frames, as a player presses it.
async function press(page, key, frames = 3) {
  await page.keyboard.down(key);
  const now = await page.evaluate(() => Module.framesShown || 0);
  await frame(page, now + frames);
  await page.keyboard.up(key);
}

// Waits for the program to end (the frame limit) and returns a file it wrote.
async function ended(page, file, encoding = 'utf8') {
  await page.waitForFunction(() => window.morvaEnded !== undefined, { timeout: 60000 });
  return page.evaluate((name, how) => {
    const data = FS.readFile(name, how === 'utf8' ? { encoding: 'utf8' } : {});
    return how === 'utf8' ? data : Array.from(data);
  }, file, encoding);
}

// Mean difference per colour channel (0-255) of two pictures of one size.
async function difference(page, a, b) {
  return page.evaluate(async (first, second) => {
    const pixels = async (source) => {
      const image = new Image();
      image.src = source;
      await image.decode();
        // Both at one size: the page draws at the size of its window.
      const canvas = new OffscreenCanvas(320, 180);
      const context = canvas.getContext('2d');
      context.drawImage(image, 0, 0, 320, 180);
      return context.getImageData(0, 0, 320, 180);
    };
    const [x, y] = [await pixels(first), await pixels(second)];
    let sum = 0;
    for (let i = 0; i < x.data.length; i += 4) {
      for (let c = 0; c < 3; ++c) sum += Math.abs(x.data[i + c] - y.data[i + c]);
    }
    return sum / (x.width * x.height * 3);
  }, a, b);
}

const pngUrl = (bytes) => 'data:image/png;base64,' + Buffer.from(bytes).toString('base64');

// The hero's screen x per frame, from the trace's draws of its texture.
function heroXs(trace) {
  const id = /LoadTex "pelomar256.zqtex" (\d+)/.exec(trace);
  if (!id) return [];
  const xs = [];
  let frame = 0;
  for (const line of trace.split('\n')) {
    if (line.startsWith('frame ')) frame = Number(line.slice(6));
    const fields = line.split(' ');
    if ((fields[0] === 'DrawTex' || fields[0] === 'DrawTexRot') && fields[1] === id[1]) {
      xs.push([frame, Number(fields[6])]);
    }
  }
  return xs;
}

test('the title loads without console errors and looks as on the desktop', async () => {
  const { page, errors } = await open({ PLUMO_FRAMES: String(TITLE_FRAME + 1),
    PLUMO_SHOT_FRAMES: String(TITLE_FRAME), PLUMO_SHOT_DIR: '/shots' });
  // The page as a player sees it, while the title still runs.
  await frame(page, TITLE_FRAME / 2);
  await page.screenshot({ path: path.join(SHOTS, 'page-title.png') });
  const shot = await ended(page, `/shots/frame-${String(TITLE_FRAME).padStart(6, '0')}.png`, 'bytes');
  fs.writeFileSync(path.join(SHOTS, 'web-title.png'), Buffer.from(shot));
  const mean = await difference(page, pngUrl(shot), `${origin}/native/${nativeTitle}`);
  assert.ok(mean < 2, `the web title differs from the desktop's by ${mean.toFixed(2)} a channel`);
  assert.deepStrictEqual(errors, []);
  await page.close();
});

test('Space starts a game, the arrows move the hero and Esc pauses', async () => {
  const { page, errors } = await open({ PLUMO_FRAMES: '300', PLUMO_TRACE: '/trace.txt',
    PLUMO_SHOT_DIR: '/shots' });
  await frame(page, 30);
  await press(page, 'Space');
  // The game drops the hero onto its line by its 27th frame.
  await frame(page, 90);
  await press(page, 'ArrowRight', 40);
  await page.screenshot({ path: path.join(SHOTS, 'page-game.png') });
  // Paused, no frame passes: a shot of the paused picture shows the panel.
  await page.keyboard.press('Escape', { delay: 100 });
  await new Promise((resolve) => setTimeout(resolve, 500));
  await page.screenshot({ path: path.join(SHOTS, 'page-pause.png') });
  await page.keyboard.press('F12', { delay: 50 });
  await page.waitForFunction(() => FS.readdir('/shots').some((name) => name.startsWith('shot-')),
    { timeout: 10000 });
  const paused = await page.evaluate(() => FS.readdir('/shots').filter((name) => name.startsWith('shot-')));
  assert.strictEqual(paused.length, 1, 'F12 while paused saves one shot');
  fs.writeFileSync(path.join(SHOTS, 'page-pause-shot.png'),
    Buffer.from(await page.evaluate((name) => Array.from(FS.readFile('/shots/' + name)), paused[0])));
  await page.keyboard.press('Escape', { delay: 100 });
  const trace = await ended(page, '/trace.txt');
  assert.match(trace, /^pad 0 down$/m, 'Space reached the game');
  assert.match(trace, /^pad 13 down$/m, 'the right arrow reached the game');
  const xs = heroXs(trace);
  assert.ok(xs.length > 0, 'the game drew the hero');
  const moved = Math.max(...xs.map(([, x]) => x)) - Math.min(...xs.map(([, x]) => x));
  assert.ok(moved > 50, `the hero moved by ${moved} px only`);
  assert.deepStrictEqual(errors, []);
  await page.close();
});

test('a key remapped in the stored settings works after a reload', async () => {
  const context = await browser.createBrowserContext();
  const first = await open({}, { context });
  await frame(first.page, 5);
  // The program wrote the defaults at its start; the player's own left key is Q.
  await first.page.evaluate(() => new Promise((resolve, reject) => {
    const file = '/settings/settings.ini';
    const text = FS.readFile(file, { encoding: 'utf8' });
    FS.writeFile(file, text.replace(/^left = .*$/m, 'left = Q'));
    FS.syncfs(false, (error) => (error ? reject(error) : resolve()));
  }));
  await first.page.close();
  const { page, errors } = await open({ PLUMO_FRAMES: '200', PLUMO_TRACE: '/trace.txt' }, { context });
  await frame(page, 30);
  await press(page, 'Space');
  await frame(page, 90);
  await press(page, 'KeyQ', 20);
  const trace = await ended(page, '/trace.txt');
  assert.match(trace, /^pad 12 down$/m, 'Q is the left button');
  assert.deepStrictEqual(errors, []);
  await page.close();
  await context.close();
});

test('a missing .wasm gives a message in the page', async () => {
  const { page } = await open({}, { prefix: 'broken/' });
  await page.waitForSelector('#message:not([hidden])', { timeout: 30000 });
  const text = await page.$eval('#message', (element) => element.textContent);
  assert.match(text, /MORVA cannot start/);
  await page.screenshot({ path: path.join(SHOTS, 'page-error.png') });
  await page.close();
});
