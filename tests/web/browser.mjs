// For the page test and bench/web: the web build's folder served on 127.0.0.1,
// and Debian's Chromium started headless with a fresh profile.
import fs from 'node:fs';
import http from 'node:http';
import os from 'node:os';
import path from 'node:path';
import puppeteer from 'puppeteer-core';

const kTypes = {'.html': 'text/html; charset=utf-8', '.js': 'text/javascript', '.wasm': 'application/wasm'};

// A static server for `folder` on a free port of 127.0.0.1.
export async function serve(folder) {
  folder = path.resolve(folder);
  const server = http.createServer((request, response) => {
    const name = decodeURIComponent(new URL(request.url, 'http://x').pathname);
    const file = path.join(folder, name.endsWith('/') ? name + 'index.html' : name);
    if (!file.startsWith(folder + path.sep) || !fs.existsSync(file) || !fs.statSync(file).isFile())
      return response.writeHead(404).end();
    response.writeHead(200, {'Content-Type': kTypes[path.extname(file)] || 'application/octet-stream'});
    fs.createReadStream(file).pipe(response);
  });
  await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
  return {server, url: `http://127.0.0.1:${server.address().port}/`};
}

export async function launch() {
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'zorrit-chromium-'));
  const browser = await puppeteer.launch({
    executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
    headless: true,
    args: ['--no-sandbox', '--disable-gpu', '--no-first-run', '--disable-background-networking',
           '--disable-component-update', '--disable-sync', `--user-data-dir=${profile}`],
  });
  return {browser, close: () => browser.close().then(() => fs.rmSync(profile, {recursive: true, force: true}))};
}
