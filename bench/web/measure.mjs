// Figures for the web build: the size of what a browser downloads, and the
// processor time the page takes while the game plays. Prints; checks nothing.
//
//   node measure.mjs SITE [SECONDS]   (beside tests/web/browser.mjs: see CMakeLists.txt)
//
// Processor time is Chromium's own: Performance.getMetrics' TaskDuration (the
// page's main-thread tasks: the game, drawing, the sound callback) and the
// renderer process's CPU time from SystemInfo.getProcessInfo, both over
// SECONDS (default 10) of play after the title, as a share of one core.
import fs from 'node:fs';
import path from 'node:path';
import zlib from 'node:zlib';
import {serve, launch} from './browser.mjs';

const [site, secondsArg] = process.argv.slice(2);
if (!site) {
  console.error('usage: node measure.mjs SITE [SECONDS]');
  process.exit(2);
}
const seconds = Number(secondsArg || 10);
const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

for (const name of ['zorrit.wasm', 'zorrit.js', 'index.html']) {
  const bytes = fs.readFileSync(path.join(site, name));
  const gzip = zlib.gzipSync(bytes, {level: 9}).length;
  console.log(`${name.padEnd(12)} ${String(bytes.length).padStart(8)} bytes, ${String(gzip).padStart(7)} gzipped`);
}

const {server, url} = await serve(site);
const {browser, close} = await launch();
try {
  const page = await browser.newPage();
  const cdp = await page.createCDPSession();
  await cdp.send('Performance.enable');
  const browserCdp = await browser.target().createCDPSession();
  const rendererCpu = async () => {
    const {processInfo} = await browserCdp.send('SystemInfo.getProcessInfo');
    return processInfo.filter((p) => p.type === 'renderer').reduce((sum, p) => sum + p.cpuTime, 0);
  };
  const taskSeconds = async () =>
    (await cdp.send('Performance.getMetrics')).metrics.find((m) => m.name === 'TaskDuration').value;
  await page.goto(url);
  await sleep(6000);  // the logo and the title
  if ((await page.title()) !== '[ Zorrit ] Brinelight') throw new Error(`no game at ${url}`);
  await page.keyboard.down('Space');
  await sleep(100);
  await page.keyboard.up('Space');
  await sleep(3000);  // into play
  const steer = setInterval(() => {  // keep the cat moving
    const key = Math.random() < 0.5 ? 'ArrowLeft' : 'ArrowRight';
    page.keyboard.down(key).then(() => sleep(200)).then(() => page.keyboard.up(key)).catch(() => {});
  }, 400);
  const t0 = Date.now(), task0 = await taskSeconds(), cpu0 = await rendererCpu();
  await sleep(seconds * 1000);
  const wall = (Date.now() - t0) / 1000;
  const task = (await taskSeconds()) - task0, cpu = (await rendererCpu()) - cpu0;
  clearInterval(steer);
  console.log(`playing for ${wall.toFixed(1)} s:`);
  console.log(`  main-thread tasks (TaskDuration) ${(task / wall * 100).toFixed(1)}% of a core`);
  console.log(`  renderer process CPU             ${(cpu / wall * 100).toFixed(1)}% of a core`);
} finally {
  await close();
  server.close();
}
