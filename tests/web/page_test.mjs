// node page_test.mjs SITE REFERENCE: the web build in headless Chromium against the replay
// tool's pictures of page.input (title.png: frame 212, play.png: 300, pause.png: 325). The
// page's clock is real: the test waits until the canvas's own dots show the title (but the
// frame-rate figure, which must read 50) and the pause overlay dot for dot, or the head.
import fs from 'node:fs';
import {serve, launch} from './browser.mjs';

const [site, reference] = process.argv.slice(2);
const kCaption = '[ Zorrit ] Brinelight';
const kPicture = {x: 1, y: 19, width: 320, height: 240};  // below the menu bar, in the margin
const kRate = {x: 304, y: 3, width: 16, height: 8};  // the frame-rate figure's two glyphs
const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));
let failures = 0;
const check = (ok, what, detail = '') => console.log(`${ok ? 'ok  ' : (failures++, 'FAIL')} ${what}: ${detail}`);
// Where the replay put the head at frame 300 (its top twelve rows).
const head = fs.readFileSync(`${reference}/trace.jsonl`, 'utf8').split('\n').filter(Boolean).map(JSON.parse)
    .find((f) => f.frame === 300);
const kHead = {x: Math.floor(head.creatureX / 100), y: Math.floor(head.creatureY / 100), width: 16, height: 12};

// In the page: pictures as RGBA arrays of kPicture's size, a gamepad the test
// holds (a stand-in for navigator.getGamepads), the keys kept from scrolling.
function pageHelpers(picture) {
  const pictures = {};
  const grab = () => {
    const c = document.getElementById('zorrit');
    return c && !c.hidden && c.width >= picture.x + picture.width ?
      c.getContext('2d').getImageData(picture.x, picture.y, picture.width, picture.height).data : null;
  };
  const prevented = {};
  document.addEventListener('keydown', (e) => { prevented[e.code] = e.defaultPrevented; });
  let pad = null;
  const gamepads = navigator.getGamepads ? navigator.getGamepads.bind(navigator) : () => [];
  navigator.getGamepads = () => (pad ? [pad] : gamepads());
  const inside = (r, x, y) => r && x >= r.x && x < r.x + r.width && y >= r.y && y < r.y + r.height;
  const same = (a, i, b, j) => a[i] === b[j] && a[i + 1] === b[j + 1] && a[i + 2] === b[j + 2];
  window.zorritTest = {
    prevented,
    setPad(button, pressed, x) {  // the first call plugs it in
      pad = pad || {id: 'test pad', index: 0, connected: true, mapping: 'standard', timestamp: 0,
                    axes: [0, 0, 0, 0], buttons: Array.from({length: 17}, () => ({pressed: false, value: 0}))};
      pad.buttons[button] = {pressed, value: pressed ? 1 : 0};
      pad.axes[0] = x;
      pad.timestamp = performance.now();
    },
    async load(name, url) {
      const image = Object.assign(new Image(), {src: url});
      await image.decode();
      const g = Object.assign(document.createElement('canvas'), {width: 320, height: 240}).getContext('2d');
      g.drawImage(image, 0, 0);
      pictures[name] = g.getImageData(0, 0, 320, 240).data;
    },
    keep(name) { pictures[name] = grab(); },
    // Dots of the picture now that differ from `name` within `only` (or
    // everywhere) and outside `except`; -1 without a picture.
    differ(name, except, only) {
      const now = grab(), ref = pictures[name];
      if (!now || !ref) return -1;
      let n = 0;
      for (let y = 0; y < picture.height; y++)
        for (let x = 0; x < picture.width; x++)
          if (!inside(except, x, y) && (!only || inside(only, x, y)) &&
              !same(now, (y * picture.width + x) * 4, ref, (y * picture.width + x) * 4)) n++;
      return n;
    },
    // Where the lit dots of `name`'s rectangle `r` appear in the picture now (the first place).
    find(name, r) {
      const now = grab(), ref = pictures[name], lit = [];
      if (!now) return null;
      for (let y = 0; y < r.height; y++)
        for (let x = 0; x < r.width; x++) {
          const i = ((r.y + y) * picture.width + r.x + x) * 4;
          if (ref[i] | ref[i + 1] | ref[i + 2]) lit.push([(y * picture.width + x) * 4, i]);
        }
      for (let y = 0; y + r.height <= picture.height; y++)
        for (let x = 0; x + r.width <= picture.width; x++)
          if (lit.every(([d, i]) => same(now, (y * picture.width + x) * 4 + d, ref, i))) return {x, y};
      return null;
    },
  };
}

// Polls `probe` every 50 ms until it returns something truthy or `ms` pass.
async function until(ms, probe) {
  for (let end = Date.now() + ms, value; ; await sleep(50))
    if ((value = await probe()) || Date.now() > end) return value;
}

const {server, url} = await serve(site);
const {browser, close} = await launch();
const errors = [];
try {
  const page = await browser.newPage();
  page.on('pageerror', (e) => errors.push(e.message));
  page.on('console', (m) => { if (m.type() === 'error') errors.push(m.text()); });
  await page.setViewport({width: 800, height: 640});
  await page.evaluateOnNewDocument(pageHelpers, kPicture);
  const loaded = Date.now();
  await page.goto(url);
  const test = (call) => page.evaluate(`zorritTest.${call}`);
  const differ = (name, except = null, only = null) =>
    page.evaluate((n, e, o) => zorritTest.differ(n, e, o), name, except, only);
  const loadReferences = () => Promise.all(['title', 'play', 'pause'].map((name) => page.evaluate((n, u) =>
    zorritTest.load(n, u), name, 'data:image/png;base64,' + fs.readFileSync(`${reference}/${name}.png`, 'base64'))));
  const titleShown = () => until(20000, async () => (await differ('title', kRate)) === 0);
  const titleGone = () => until(3000, async () => (await differ('title', kRate)) > 1000);
  const press = (key) => page.keyboard.press(key, {delay: 100});
  // Holds a steer to the left until the head has moved more than 8 dots
  // left, or 4 s passed (a slow machine just holds a little longer).
  const steersLeft = async (hold, release) => {
    const find = () => page.evaluate((r) => zorritTest.find('play', r), kHead);
    const from = await until(3000, find);
    if (!from) return false;
    await hold();
    const moved = await until(4000, async () => ((await find()) || from).x < from.x - 8);
    await release();
    return moved;
  };
  await loadReferences();

  check(await until(10000, async () => (await page.title()) === kCaption), 'the caption is the page title');
  check(await titleShown(), 'the title matches the replay dot for dot (but the frame-rate figure)',
        `${await differ('title', kRate)} dots differ`);
  await sleep(Math.max(0, 2000 - (Date.now() - loaded)));  // the figure, after two seconds
  let fifty = 0;
  for (let i = 0; i < 10; i++, await sleep(500)) fifty += (await differ('title', null, kRate)) === 0;
  check(fifty > 0, 'the frame-rate figure reads 50', `${fifty} of 10 looks over 5 s`);

  const pulled = () => page.evaluate(() => Module.zorritAudioPulled || 0);
  const soundFrom = [Date.now(), await pulled()];  // pulled once a key was pressed
  await press('Space');
  check(await titleGone(), 'space starts the game');
  await sleep(1500);  // the wipe; the launch shows the head
  check(await steersLeft(() => page.keyboard.down('ArrowLeft'), () => page.keyboard.up('ArrowLeft')),
        'the left arrow moves the head left');
  const rate = ((await pulled()) - soundFrom[1]) / ((Date.now() - soundFrom[0]) / 1000);
  check(Math.abs(rate - 11025) < 11025 * 0.25, 'the sound is pulled at 11025 samples a second',
        `${Math.round(rate)} a second`);

  // A page without focus, or hidden (as a minimised window), stands still; back, it resumes.
  const blur = (away) => page.evaluate((a) => window.dispatchEvent(new FocusEvent(a ? 'blur' : 'focus')), away);
  const hide = (away) => page.evaluate((a) => {
    Object.defineProperty(document, 'hidden', {value: a, configurable: true});
    Object.defineProperty(document, 'visibilityState', {value: a ? 'hidden' : 'visible', configurable: true});
    document.dispatchEvent(new Event('visibilitychange'));
  }, away);
  for (const [what, away] of [['without focus', blur], ['hidden', hide]]) {
    await away(true);
    await sleep(400);
    await test('keep("still")');
    await sleep(500);
    check((await differ('still')) === 0, `a page ${what} stands still`);
    await away(false);
    check(await until(1000, async () => (await differ('still')) > 0), `a page ${what} resumes when back`);
  }
  const kept = await test('prevented');
  check(kept.Space && kept.ArrowLeft, 'space and arrows do not scroll the page', JSON.stringify(kept));

  await press('Escape');
  check(await until(2000, async () => (await differ('pause')) === 0), 'escape opens the pause overlay, dot for dot',
        `${await differ('pause')} dots differ`);
  await press('F1');
  check(await until(2000, async () => (await differ('pause')) > 0), 'F1 closes the overlay');

  // The menu's Close ends the game; the page says so and offers to start again.
  const box = await (await page.$('#zorrit')).boundingBox();
  const click = (x, y) => page.mouse.click(box.x + x * box.width / 322, box.y + y * box.width / 322);
  await click(12, 9).then(() => sleep(300));  // the title "Menu"
  await click(40, 74);  // "Close", the last entry
  check(await until(3000, () => page.evaluate(() =>
      !document.getElementById('ended').hidden && document.getElementById('zorrit').hidden)),
        'Close ends the game: the canvas goes and the page says so');
  await Promise.all([page.waitForNavigation(), page.click('#ended button')]);
  await loadReferences();
  check(await titleShown(), 'Start again starts a new game (the title again)');

  // The first gamepad is the joystick: one that appears after the start is
  // opened and calibrated (stick centred); its first button fires, its stick steers.
  for (const [call, ms] of [['setPad(0, false, 0)', 300], ['setPad(0, true, 0)', 150], ['setPad(0, false, 0)', 0]])
    await test(call), await sleep(ms);
  check(await titleGone(), 'the gamepad\'s first button starts the game');
  await sleep(1500);
  check(await steersLeft(() => test('setPad(0, false, -1)'), () => test('setPad(0, false, 0)')),
        'the gamepad\'s stick moves the head left');
  check(errors.length === 0, 'no errors in the page', errors.join(' | '));
} finally {
  await close();
  server.close();
}
console.log(failures ? `${failures} check(s) failed` : 'all checks passed');
process.exit(failures ? 1 : 0);
