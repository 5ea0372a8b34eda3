// One way to drive the page in each browser engine, for the page's tests and
// the release's page check: Debian's Chromium and Firefox through
// puppeteer-core (Firefox over WebDriver BiDi), and WebKitGTK's MiniBrowser
// through its WebDriver and selenium-webdriver. Nothing here downloads a
// browser or a driver. MiniBrowser needs a display (xvfb-run) and hangs
// without one, so every WebKit step has a time limit.
//   const page = await openBrowser('firefox'); await page.open(path, '#input=1%0A');
import { spawn } from 'node:child_process';
import { createServer } from 'node:net';
import { resolve } from 'node:path';
import { setTimeout as sleep } from 'node:timers/promises';
import { pathToFileURL } from 'node:url';

import puppeteer from 'puppeteer-core';
import { Builder, By, Key } from 'selenium-webdriver';

export const engines = ['chromium', 'firefox', 'webkit'];

const stepLimit = 60_000;
const withinLimit = (what, promise) => {
  let timer;
  const late = new Promise((_, reject) => {
    timer = setTimeout(() => reject(new Error(`${what}: no answer within ${stepLimit / 1000} s`)), stepLimit);
  });
  return Promise.race([promise, late]).finally(() => clearTimeout(timer));
};

const fileAddress = (pagePath, address = '') => pathToFileURL(resolve(pagePath)).href + address;

// Off the network: without these, Chromium keeps trying hosts it cannot reach.
const chromiumArguments = ['--no-sandbox', '--disable-gpu', '--disable-background-networking',
  '--disable-component-update', '--disable-sync', '--no-first-run', '--disable-quic'];

const puppeteerPage = async (engine) => {
  const browser = await puppeteer.launch(engine === 'firefox'
    ? { browser: 'firefox', executablePath: '/usr/bin/firefox-esr', headless: true }
    : { browser: 'chrome', executablePath: '/usr/bin/chromium', headless: true, args: chromiumArguments });
  const page = await browser.newPage();
  const errors = [];
  page.on('pageerror', (error) => errors.push(String(error)));
  page.on('console', (message) => message.type() === 'error' && errors.push(message.text()));
  return {
    engine,
    errors,
    raw: page,
    // From a blank page, so that an address that differs only in its
    // fragment loads the page anew.
    open: async (pagePath, address) => {
      await page.goto('about:blank');
      await page.goto(fileAddress(pagePath, address));
      await page.evaluate(() => window.tremovia.ready);
    },
    reload: async () => {
      await page.reload();
      await page.evaluate(() => window.tremovia.ready);
    },
    evaluate: (fn, argument) => page.evaluate(fn, argument),
    waitFor: (fn, argument) => page.waitForFunction(fn, { timeout: stepLimit }, argument),
    type: (text) => page.keyboard.type(text),
    press: async (key) => {
      const [modifier, name] = key.includes('+') ? key.split('+') : [null, key];
      if (modifier) await page.keyboard.down(modifier);
      await page.keyboard.press(name);
      if (modifier) await page.keyboard.up(modifier);
    },
    click: (selector) => page.click(selector),
    close: () => browser.close(),
  };
};

const freePort = () => new Promise((done, failed) => {
  const server = createServer().listen(0, '127.0.0.1', () => {
    const { port } = server.address();
    server.close(() => done(port));
  }).on('error', failed);
});

const webkitPage = async () => {
  const port = await freePort();
  const driverProcess = spawn('/usr/bin/WebKitWebDriver', [`--port=${port}`], { stdio: 'ignore' });
  let driver;
  try {
    for (let tries = 0; ; tries += 1) {
      try {
        driver = await withinLimit('WebKit session', new Builder().usingServer(`http://127.0.0.1:${port}`)
          .withCapabilities({
            browserName: 'MiniBrowser',
            'webkitgtk:browserOptions': { binary: '/usr/lib/x86_64-linux-gnu/webkit2gtk-4.1/MiniBrowser', args: ['--automation'] },
          }).build());
        break;
      } catch (error) {
        if (tries === 50) throw error;
        await sleep(100);
      }
    }
  } catch (error) {
    driverProcess.kill();
    throw error;
  }
  const step = (what, promise) => withinLimit(`WebKit: ${what}`, promise);
  const evaluate = (fn, argument) =>
    step('script', driver.executeScript(`return (${fn})(arguments[0]);`, argument));
  const ready = () => evaluate(() => window.tremovia.ready.then(() => true));
  const keys = {
    Enter: Key.ENTER, Backspace: Key.BACK_SPACE, Control: Key.CONTROL, Escape: Key.ESCAPE, ArrowRight: Key.ARROW_RIGHT,
    ArrowLeft: Key.ARROW_LEFT, ArrowDown: Key.ARROW_DOWN,
  };
  return {
    engine: 'webkit',
    errors: [],  // WebDriver classic reports no page errors: none are collected

    open: async (pagePath, address) => {
      await step('open', driver.get('about:blank'));
      await step('open', driver.get(fileAddress(pagePath, address)));
      await ready();
    },
    reload: async () => {
      await step('reload', driver.navigate().refresh());
      await ready();
    },
    evaluate,
    waitFor: async (fn, argument) => {
      for (const started = Date.now(); !(await evaluate(fn, argument));) {
        if (Date.now() - started > stepLimit) throw new Error(`WebKit: ${fn} did not hold within ${stepLimit / 1000} s`);
        await sleep(50);
      }
    },
    type: async (text) => {
      for (const part of text.split(/(\n)/)) {
        if (part !== '') await step('type', driver.actions().sendKeys(part === '\n' ? Key.ENTER : part).perform());
      }
    },
    press: async (key) => {
      const [modifier, name] = key.includes('+') ? key.split('+') : [null, key];
      let actions = driver.actions();
      if (modifier) actions = actions.keyDown(keys[modifier]);
      actions = actions.sendKeys(keys[name] || name);
      if (modifier) actions = actions.keyUp(keys[modifier]);
      await step('keys', actions.perform());
    },
    click: async (selector) => step('click', (await step('find', driver.findElement(By.css(selector)))).click()),
    close: async () => {
      try {
        await step('quit', driver.quit());
      } finally {
        driverProcess.kill();
      }
    },
  };
};

// A page in `engine` (one of `engines`), not yet opened.
export const openBrowser = (engine) => (engine === 'webkit' ? webkitPage() : puppeteerPage(engine));

// The page's program on `input`; input and output as strings of bytes.
export const runInPage = (page, input, ended) =>
  page.evaluate(([text, inputEnded]) => {
    const { output, waiting } = window.tremovia.run(Uint8Array.from(text, (c) => c.charCodeAt(0)), inputEnded);
    let bytes = '';
    for (let i = 0; i < output.length; i += 8192) bytes += String.fromCharCode(...output.subarray(i, i + 8192));
    return { output: bytes, waiting };
  }, [input, ended]);
