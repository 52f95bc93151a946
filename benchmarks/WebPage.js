// Budgets of the web page in headless Chromium (scripts/measure-web.sh): the
// time from the page's load to the first frame of the title, the intervals
// between presented frames over 600 frames, and memory. Prints one line each.
'use strict';

const http = require('node:http');
const fs = require('node:fs');
const path = require('node:path');
const chromium = require('../tests/web/browser/chromium');

const WEB_BUILD = process.env.MORVA_WEB_BUILD;
const FRAMES = 600;
const RUNS = Number(process.env.MORVA_MEASURE_RUNS || 3);
const TYPES = { '.html': 'text/html', '.js': 'text/javascript', '.css': 'text/css',
  '.wasm': 'application/wasm' };

function percentile(sorted, p) {
  return sorted[Math.min(sorted.length - 1, Math.floor((p / 100) * sorted.length))];
}

(async () => {
  const server = http.createServer((request, response) => {
    let file = path.join(WEB_BUILD, new URL(request.url, 'http://localhost').pathname);
    if (file.endsWith('/')) file += 'index.html';
    fs.readFile(file, (error, body) => {
      response.writeHead(error ? 404 : 200,
        { 'Content-Type': TYPES[path.extname(file)] || 'application/octet-stream' });
      response.end(error ? '' : body);
    });
  });
  await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
  const browser = await chromium.launch({
    executablePath: process.env.MORVA_CHROMIUM || '/usr/bin/chromium',
    args: ['--no-sandbox', '--disable-gpu', '--enable-unsafe-swiftshader', '--enable-precise-memory-info'],
  });
  const loads = [], intervals = [], steps = [];
  let memory = null;
  for (let run = 0; run < RUNS; ++run) {
    const page = await browser.newPage();
    const query = `PLUMO_SEED=1&PLUMO_FRAMES=${FRAMES + 20}&PLUMO_FRAME_LOG=/frames.log`;
    await page.goto(`http://127.0.0.1:${server.address().port}/index.html?${query}`);
    await page.waitForFunction(() => window.morvaEnded !== undefined, { timeout: 120000 });
    const result = await page.evaluate(() => ({
      log: FS.readFile('/frames.log', { encoding: 'utf8' }),
      origin: performance.timeOrigin,
      wasm: HEAP8.length,
      js: performance.memory ? performance.memory.usedJSHeapSize : 0,
      fetched: Object.fromEntries(performance.getEntriesByType('resource')
        .map((entry) => [entry.name.replace(/^.*\//, '').replace(/\?.*$/, ''), entry.responseEnd])),
      started: window.morvaStarted,
    }));
    const lines = result.log.split('\n').filter((line) => line !== '');
    const initWall = Number(/Init at (\d+)/.exec(lines[0])[1]) / 1000;
    const presents = lines.slice(1).map(Number);
    loads.push(initWall + presents[0] / 1000 - result.origin);
    // Where the time to the title goes, from the page's start.
    steps.push({ 'morva.js': result.fetched['morva.js'], 'morva.data.gz': result.fetched['morva.data.gz'],
      'morva.wasm': result.fetched['morva.wasm'], 'runtime ready': result.started,
      'Init': initWall - result.origin, 'first frame': loads[loads.length - 1] });
    const last = presents.slice(-FRAMES - 1);
    for (let i = 1; i < last.length; ++i) intervals.push((last[i] - last[i - 1]) / 1000);
    memory = result;
    await page.close();
  }
  await browser.close();
  server.close();
  loads.sort((a, b) => a - b);
  intervals.sort((a, b) => a - b);
  console.log(`page load to the title's first frame: median ${percentile(loads, 50).toFixed(0)} ms ` +
    `(${loads.map((t) => t.toFixed(0)).join(', ')})`);
  for (const name of Object.keys(steps[0])) {
    const times = steps.map((step) => step[name]).sort((a, b) => a - b);
    console.log(`  ${name.padEnd(14)} done at ${percentile(times, 50).toFixed(0)} ms (median)`);
  }
  console.log(`frame intervals over ${RUNS} x ${FRAMES} frames: p50 ${percentile(intervals, 50).toFixed(2)} ms, ` +
    `p99 ${percentile(intervals, 99).toFixed(2)} ms, max ${intervals[intervals.length - 1].toFixed(2)} ms`);
  console.log(`memory: WebAssembly ${(memory.wasm / 1048576).toFixed(1)} MiB, ` +
    `JavaScript heap ${(memory.js / 1048576).toFixed(1)} MiB`);
})().catch((error) => {
  console.error('measure: ' + error);
  process.exit(1);
});
