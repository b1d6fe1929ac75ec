// The web build played in headless Chromium, checked against the replay
// tool's pictures of the same frames.
//
//   node page_test.mjs SITE REFERENCE OUT
//
// SITE is the web build's folder (index.html, zorrit.js, zorrit.wasm).
// REFERENCE holds what the native replay tool made from page.input: title.png
// (frame 212: the title complete), play.png (frame 300: play has begun),
// pause.png (frame 325: the pause overlay) and trace.jsonl. OUT receives the
// page's screenshots and the canvas pictures compared.
//
// The pictures are read from the canvas's own dots (magnification 1), not
// from the 2x page. The page's clock is real, so its frames cannot be matched
// to the replay's by number; the test waits until the page shows the same
// picture instead. Compared dot for dot:
//   - the title, but for the frame-rate figure (the replay's virtual clock
//     always counts 50; the page's real one may read 49 or 51 for a second);
//   - the figure itself, which must read 50 (the replay's picture of "50")
//     at least once in a few seconds after the page has run for two;
//   - the pause overlay, whole.
// In play the frames differ (the keys come in at other frames), so the head
// is found by its picture: its top twelve rows as the replay drew them.
// Besides: space and arrows must not scroll the page, a blurred or hidden
// page must stand still and resume, the sound must be pulled at 11025 a
// second, the menu's Close must end the game and Start again restart it, and
// a gamepad (the page's own stand-in for navigator.getGamepads) must start
// and steer the game.
import fs from 'node:fs';
import path from 'node:path';
import {serve, launch, kPicture} from './browser.mjs';

const [site, reference, out] = process.argv.slice(2);
if (!site || !reference || !out) {
  console.error('usage: node page_test.mjs SITE REFERENCE OUT');
  process.exit(2);
}
fs.mkdirSync(out, {recursive: true});

const kCaption = '[ Zorrit ] Brinelight';
const kRate = {x: 304, y: 3, width: 16, height: 8};  // the frame-rate figure's two glyphs
const kHeadRows = 12;
const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

let failures = 0;
function check(ok, what, detail = '') {
  console.log(`${ok ? 'ok  ' : 'FAIL'} ${what}${detail ? ': ' + detail : ''}`);
  if (!ok) failures++;
  return ok;
}

function dataUrl(file) {
  return 'data:image/png;base64,' + fs.readFileSync(file).toString('base64');
}

// Where the replay put the head at frame 300.
function headAt(frame) {
  for (const line of fs.readFileSync(path.join(reference, 'trace.jsonl'), 'utf8').split('\n')) {
    if (!line) continue;
    const f = JSON.parse(line);
    if (f.frame === frame) return {x: Math.floor(f.creatureX / 100), y: Math.floor(f.creatureY / 100)};
  }
  throw new Error(`frame ${frame} is not in the trace`);
}

// Helpers in the page: pictures as RGBA arrays of kPicture's size.
function pageHelpers(picture) {
  const pictures = {};
  const decode = async (url) => {
    const image = new Image();
    image.src = url;
    await image.decode();
    const c = document.createElement('canvas');
    c.width = image.width;
    c.height = image.height;
    const g = c.getContext('2d');
    g.drawImage(image, 0, 0);
    return g.getImageData(0, 0, image.width, image.height).data;
  };
  const grab = () => {
    const c = document.getElementById('zorrit');
    if (!c || c.hidden || c.width < picture.x + picture.width) return null;
    return c.getContext('2d').getImageData(picture.x, picture.y, picture.width, picture.height).data;
  };
  // Whether the page kept each key's default action (scrolling) from happening.
  const prevented = {};
  document.addEventListener('keydown', (e) => { prevented[e.code] = e.defaultPrevented; });
  // A gamepad the test holds: absent until plugged in.
  let pad = null;
  const gamepads = navigator.getGamepads ? navigator.getGamepads.bind(navigator) : () => [];
  navigator.getGamepads = () => (pad ? [pad] : gamepads());
  const inside = (r, x, y) => r && x >= r.x && x < r.x + r.width && y >= r.y && y < r.y + r.height;
  window.zorritTest = {
    prevented,
    plugPad() {
      pad = {id: 'test pad', index: 0, connected: true, mapping: 'standard', timestamp: 0,
             axes: [0, 0, 0, 0], buttons: Array.from({length: 17}, () => ({pressed: false, value: 0}))};
    },
    setPad(button, pressed, x) {
      pad.buttons[button] = {pressed, value: pressed ? 1 : 0};
      pad.axes[0] = x;
      pad.timestamp = performance.now();
    },
    async load(name, url) { pictures[name] = await decode(url); },
    // Dots of the current picture that differ from `name` within `only`
    // (or everywhere) and outside `except`; -1 without a picture.
    differ(name, except, only) {
      const now = grab();
      if (!now) return -1;
      const ref = pictures[name];
      let n = 0;
      for (let y = 0; y < picture.height; y++)
        for (let x = 0; x < picture.width; x++) {
          if (inside(except, x, y) || (only && !inside(only, x, y))) continue;
          const i = (y * picture.width + x) * 4;
          if (now[i] !== ref[i] || now[i + 1] !== ref[i + 1] || now[i + 2] !== ref[i + 2]) n++;
        }
      return n;
    },
    // Every place where the lit dots of `name`'s rectangle `r` appear in the
    // current picture.
    find(name, r) {
      const now = grab();
      if (!now) return [];
      const ref = pictures[name];
      const lit = [];
      for (let y = 0; y < r.height; y++)
        for (let x = 0; x < r.width; x++) {
          const i = ((r.y + y) * picture.width + r.x + x) * 4;
          if (ref[i] | ref[i + 1] | ref[i + 2]) lit.push([x, y, ref[i], ref[i + 1], ref[i + 2]]);
        }
      const found = [];
      for (let y = 0; y + r.height <= picture.height; y++)
        for (let x = 0; x + r.width <= picture.width; x++) {
          let all = true;
          for (const [dx, dy, red, green, blue] of lit) {
            const i = ((y + dy) * picture.width + x + dx) * 4;
            if (now[i] !== red || now[i + 1] !== green || now[i + 2] !== blue) {
              all = false;
              break;
            }
          }
          if (all) found.push({x, y});
        }
      return found;
    },
    // The picture as a PNG data URL, at magnification 1.
    png() {
      const now = grab();
      if (!now) return null;
      const c = document.createElement('canvas');
      c.width = picture.width;
      c.height = picture.height;
      c.getContext('2d').putImageData(new ImageData(new Uint8ClampedArray(now), picture.width, picture.height), 0, 0);
      return c.toDataURL('image/png');
    },
  };
}

// Polls `probe` every 50 ms until it returns something truthy or `ms` pass.
async function until(ms, probe) {
  const end = Date.now() + ms;
  for (;;) {
    const value = await probe();
    if (value || Date.now() > end) return value;
    await sleep(50);
  }
}

async function savePicture(page, name) {
  const url = await page.evaluate(() => zorritTest.png());
  if (url) fs.writeFileSync(path.join(out, name), Buffer.from(url.split(',')[1], 'base64'));
}

// Holds a steer to the left (hold/release) until the head, found by the
// picture of `rect`, has moved more than 8 dots left, or 4 s passed; returns
// where the head was before and after. The head is ours only once play has
// begun, so a slow machine just holds a little longer.
async function steerLeft(page, rect, hold, release) {
  const find = async () => (await page.evaluate((r) => zorritTest.find('play', r), rect))[0];
  const from = await until(3000, find);
  if (!from) return {from};
  await hold();
  let to;
  await until(4000, async () => {
    to = await find();
    return to && to.x < from.x - 8;
  });
  await release();
  return {from, to};
}

async function press(page, key, ms = 100) {
  await page.keyboard.down(key);
  await sleep(ms);
  await page.keyboard.up(key);
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
  const loadReferences = async () => {
    for (const name of ['title', 'play', 'pause'])
      await page.evaluate((n, u) => zorritTest.load(n, u), name, dataUrl(path.join(reference, name + '.png')));
  };
  await loadReferences();

  // The page loads and shows the title.
  check(await until(10000, async () => (await page.title()) === kCaption), 'the caption is the page title',
        await page.title());
  const titleDiffers = await until(20000, async () =>
      (await page.evaluate((r) => zorritTest.differ('title', r), kRate)) === 0);
  check(titleDiffers, 'the title matches the replay dot for dot (but the frame-rate figure)',
        `${await page.evaluate((r) => zorritTest.differ('title', r), kRate)} dots differ`);
  await page.screenshot({path: path.join(out, 'title-page.png')});
  await savePicture(page, 'title.png');

  // The frame-rate figure, after the page has run for two seconds.
  await sleep(Math.max(0, 2000 - (Date.now() - loaded)));
  let fifty = 0;
  const samples = 10;
  for (let i = 0; i < samples; i++) {
    if ((await page.evaluate((r) => zorritTest.differ('title', null, r), kRate)) === 0) fifty++;
    await sleep(500);
  }
  check(fifty > 0, 'the frame-rate figure reads 50', `${fifty} of ${samples} looks over 5 s`);

  // Space starts the game: the title goes, and play begins.
  const before = await page.evaluate(() => Module.zorritAudioPulled || 0);
  const soundFrom = Date.now();
  await press(page, 'Space');
  check(await until(3000, async () => (await page.evaluate((r) => zorritTest.differ('title', r), kRate)) > 1000),
        'space starts the game');
  const head = headAt(300);
  const headRect = {x: head.x, y: head.y, width: 16, height: kHeadRows};
  await sleep(1500);  // the wipe; the launch shows the head
  await page.screenshot({path: path.join(out, 'play-page.png')});
  await savePicture(page, 'play.png');

  // An arrow moves the head.
  const arrow = await steerLeft(page, headRect, () => page.keyboard.down('ArrowLeft'),
                                () => page.keyboard.up('ArrowLeft'));
  check(!!arrow.from, 'the head is on the screen', JSON.stringify(arrow.from));
  check(arrow.to && arrow.to.x < arrow.from.x - 8, 'the left arrow moves the head left',
        `from ${JSON.stringify(arrow.from)} to ${JSON.stringify(arrow.to)}`);
  // Sound: once a key has been pressed the page pulls the mixer's samples at
  // 11025 a second. (Whether it waited for the key cannot be seen here: the
  // test's own calls into the page count as the user's gestures.)
  const after = await page.evaluate(() => Module.zorritAudioPulled || 0);
  const rate = (after - before) / ((Date.now() - soundFrom) / 1000);
  check(Math.abs(rate - 11025) < 11025 * 0.25, 'the sound is pulled at 11025 samples a second',
        `${Math.round(rate)} a second`);

  // Leaving the page's focus pauses the game; coming back resumes it.
  await page.evaluate(() => window.dispatchEvent(new FocusEvent('blur')));
  await sleep(400);
  const frozen = await page.evaluate(() => zorritTest.png());
  await sleep(500);
  check(frozen === await page.evaluate(() => zorritTest.png()), 'a page without focus stands still');
  await page.evaluate(() => window.dispatchEvent(new FocusEvent('focus')));
  check(await until(1000, async () => frozen !== await page.evaluate(() => zorritTest.png())),
        'focus resumes the game');
  // A hidden tab pauses the game as a minimised window does.
  const hide = (hidden) => page.evaluate((h) => {
    Object.defineProperty(document, 'hidden', {value: h, configurable: true});
    Object.defineProperty(document, 'visibilityState', {value: h ? 'hidden' : 'visible', configurable: true});
    document.dispatchEvent(new Event('visibilitychange'));
  }, hidden);
  await hide(true);
  await sleep(400);
  const hidden = await page.evaluate(() => zorritTest.png());
  await sleep(500);
  check(hidden === await page.evaluate(() => zorritTest.png()), 'a hidden page stands still');
  await hide(false);
  check(await until(1000, async () => hidden !== await page.evaluate(() => zorritTest.png())),
        'showing the page again resumes the game');
  const kept = await page.evaluate(() => zorritTest.prevented);
  check(kept.Space === true && kept.ArrowLeft === true, 'space and arrows do not scroll the page',
        JSON.stringify(kept));

  // Escape opens the pause overlay.
  await press(page, 'Escape');
  check(await until(2000, async () => (await page.evaluate(() => zorritTest.differ('pause'))) === 0),
        'escape opens the pause overlay, dot for dot',
        `${await page.evaluate(() => zorritTest.differ('pause'))} dots differ`);
  await page.screenshot({path: path.join(out, 'pause-page.png')});
  await press(page, 'F1');
  check(await until(2000, async () => (await page.evaluate(() => zorritTest.differ('pause'))) > 0),
        'F1 closes the overlay');

  // The menu: Close ends the game and the page offers to start again.
  const box = await (await page.$('#zorrit')).boundingBox();
  const scale = box.width / 322;
  const at = (x, y) => [box.x + x * scale, box.y + y * scale];
  await page.mouse.click(...at(12, 9));  // the title "Menu"
  await sleep(300);
  await page.screenshot({path: path.join(out, 'menu-page.png')});
  await page.mouse.click(...at(40, 74));  // "Close", the last entry
  const ended = await until(3000, () => page.evaluate(() => !document.getElementById('ended').hidden));
  check(ended, 'Close ends the game and the page says so');
  check(await page.evaluate(() => document.getElementById('zorrit').hidden), 'the canvas is gone');
  await page.screenshot({path: path.join(out, 'ended-page.png')});
  await Promise.all([page.waitForNavigation(), page.click('#ended button')]);
  check(await until(10000, () => page.evaluate((caption) => {
    const c = document.getElementById('zorrit');
    return document.title === caption && !c.hidden && c.style.visibility === 'visible';
  }, kCaption)), 'Start again starts a new game');

  // The first gamepad is the joystick: one that appears after the start is
  // opened and calibrated (stick centred), its first button is fire and its
  // stick steers.
  await loadReferences();
  check(await until(20000, async () =>
      (await page.evaluate((r) => zorritTest.differ('title', r), kRate)) === 0), 'the title again');
  await page.evaluate(() => zorritTest.plugPad());
  await sleep(300);
  await page.evaluate(() => zorritTest.setPad(0, true, 0));
  await sleep(150);
  await page.evaluate(() => zorritTest.setPad(0, false, 0));
  check(await until(3000, async () => (await page.evaluate((r) => zorritTest.differ('title', r), kRate)) > 1000),
        'the gamepad\'s first button starts the game');
  await sleep(1500);
  const stick = await steerLeft(page, headRect, () => page.evaluate(() => zorritTest.setPad(0, false, -1)),
                                () => page.evaluate(() => zorritTest.setPad(0, false, 0)));
  check(stick.to && stick.to.x < stick.from.x - 8, 'the gamepad\'s stick moves the head left',
        `from ${JSON.stringify(stick.from)} to ${JSON.stringify(stick.to)}`);
  check(errors.length === 0, 'no errors in the page', errors.join(' | '));
} finally {
  await close();
  server.close();
}
console.log(failures ? `${failures} check(s) failed` : 'all checks passed');
process.exit(failures ? 1 : 0);
