// Drives Debian's Firefox ESR for browser.py through puppeteer-core, over WebDriver BiDi (Debian has
// no geckodriver). One request a line on standard input, as JSON {"op": ..., ...}; one answer a
// line on standard output, {"value": ...} or {"error": "..."}.
//
//   node puppeteer_bridge.js EXECUTABLE
'use strict';
const path = require('path');
const readline = require('readline');
const puppeteer = require(path.join(__dirname, '..', '..', 'node_modules', 'puppeteer-core'));

let browser, page;
const requests = [];

const ops = {
  async launch({ url, width, height, preload }) {
    browser = await puppeteer.launch({
      browser: 'firefox', executablePath: process.argv[2], headless: true, protocol: 'webDriverBiDi',
      // An Italian browser, as the desktops' tests run in an Italian locale.
      extraPrefsFirefox: { 'intl.locale.requested': 'it-IT', 'intl.accept_languages': 'it-IT, it',
                           'intl.regional_prefs.use_os_locales': true },
      env: { ...process.env, LANG: 'it_IT.UTF-8', LC_ALL: 'it_IT.UTF-8' },
    });
    page = (await browser.pages())[0] || await browser.newPage();
    await page.setViewport({ width, height });
    page.on('request', request => requests.push(request.url()));
    await page.evaluateOnNewDocument(preload);
    await page.goto(url);
  },
  script: ({ body, args }) => page.evaluate('(function () {' + body + '\n}).apply(null, ' + JSON.stringify(args) + ')'),
  click: ({ x, y }) => page.mouse.click(x, y),
  async key({ key, modifiers }) {
    for (const modifier of modifiers)
      await page.keyboard.down(modifier);
    await page.keyboard.press(key);
    for (const modifier of modifiers.reverse())
      await page.keyboard.up(modifier);
  },
  type: ({ text }) => page.keyboard.type(text, { delay: 30 }),
  screenshot: ({ x, y, width, height }) => page.screenshot({ clip: { x, y, width, height }, encoding: 'base64' }),
  requests: () => requests.splice(0),
  async close() {
    if (browser)
      await browser.close();
    browser = null;
  },
};

const lines = readline.createInterface({ input: process.stdin });
lines.on('line', async line => {
  const request = JSON.parse(line);
  let answer;
  try {
    const value = await ops[request.op](request);
    answer = { value: value === undefined ? null : value };
  } catch (error) {
    answer = { error: String(error && error.stack || error) };
  }
  process.stdout.write(JSON.stringify(answer) + '\n');
});
lines.on('close', () => ops.close().finally(() => process.exit(0)));
