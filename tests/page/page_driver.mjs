// One way to drive the page in each browser engine, for the page's tests and
// the release's page check: Debian's Chromium and Firefox through
// puppeteer-core (Firefox over WebDriver BiDi), and WebKitGTK's MiniBrowser
// through its WebDriver and selenium-webdriver. Nothing here downloads a
// browser or a driver. MiniBrowser needs a display (xvfb-run) and hangs
// without one, so every WebKit step has a time limit.
//   const page = await openBrowser('firefox'); await page.open(path, '#input=1%0A');
// page.elsewhere(path, address, fn) opens the address in a second tab and
// returns fn run there; page.drag(selector, dx, dy) drags an element by the
// pointer.
import { spawn } from 'node:child_process';
import { createServer } from 'node:net';
import { resolve } from 'node:path';
import { setTimeout as sleep } from 'node:timers/promises';
import { pathToFileURL } from 'node:url';

import puppeteer from 'puppeteer-core';
import { Builder, By, Key, Origin } from 'selenium-webdriver';

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

// Errors and warnings that the page reports, collected inside it: WebDriver
// classic reports none of them.
const collectErrors = () => {
  if (window.pageReports) return;
  window.pageReports = [];
  addEventListener('error', (event) => window.pageReports.push(`error: ${event.message}`));
  addEventListener('unhandledrejection', (event) => window.pageReports.push(`unhandled rejection: ${event.reason}`));
  for (const kind of ['error', 'warn']) {
    const original = console[kind];
    console[kind] = (...parts) => {
      window.pageReports.push(`console.${kind}: ${parts.join(' ')}`);
      original.apply(console, parts);
    };
  }
};

// Where a drag of the element at `selector` by (dx, dy) starts and ends, in
// the viewport: from its middle, brought into view, to no farther than the
// viewport's edge.
const dragPoints = ([selector, dx, dy]) => {
  const element = document.querySelector(selector);
  element.scrollIntoView({ block: 'center', inline: 'center' });
  // Firefox does not scroll a box for an SVG element inside it.
  for (let box = element.parentElement; box; box = box.parentElement) {
    if (box.scrollHeight <= box.clientHeight || getComputedStyle(box).overflowY === 'visible') continue;
    const [inner, outer] = [element.getBoundingClientRect(), box.getBoundingClientRect()];
    box.scrollTop += inner.y + inner.height / 2 - (outer.y + outer.height / 2);
  }
  const box = element.getBoundingClientRect();
  const [x, y] = [box.x + box.width / 2, box.y + box.height / 2];
  return [x, y, Math.min(Math.max(x + dx, 1), innerWidth - 1), Math.min(Math.max(y + dy, 1), innerHeight - 1)];
};

const puppeteerPage = async (engine) => {
  const browser = await puppeteer.launch(engine === 'firefox'
    ? { browser: 'firefox', executablePath: '/usr/bin/firefox-esr', headless: true }
    : { browser: 'chrome', executablePath: '/usr/bin/chromium', headless: true, args: chromiumArguments });
  const page = await browser.newPage();
  const errors = [];
  page.on('pageerror', (error) => errors.push(String(error)));
  page.on('console', (message) => ['error', 'warn', 'warning'].includes(message.type()) && errors.push(message.text()));
  let other = null;
  const goto = async (tab, pagePath, address) => {
    await tab.goto('about:blank');
    await tab.goto(fileAddress(pagePath, address));
    await tab.evaluate(() => window.tremovia.ready);
  };
  return {
    engine,
    errors,
    raw: page,
    // From a blank page, so that an address that differs only in its
    // fragment loads the page anew.
    open: async (pagePath, address) => {
      await goto(page, pagePath, address);
      await page.evaluate(collectErrors);
    },
    reload: async () => {
      await page.reload();
      await page.evaluate(() => window.tremovia.ready);
      await page.evaluate(collectErrors);
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
    drag: async (selector, dx, dy) => {
      const [x, y, toX, toY] = await page.evaluate(dragPoints, [selector, dx, dy]);
      await page.mouse.move(x, y);
      await page.mouse.down();
      await page.mouse.move(toX, toY, { steps: 4 });
      await page.mouse.up();
    },
    elsewhere: async (pagePath, address, fn) => {
      other = other || await browser.newPage();
      if (page.viewport()) await other.setViewport(page.viewport());
      try {
        await goto(other, pagePath, address);
        return await other.evaluate(fn);
      } finally {
        // A tab behind another draws no frames.
        await page.bringToFront();
      }
    },
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
    Enter: Key.ENTER, Backspace: Key.BACK_SPACE, Control: Key.CONTROL, Shift: Key.SHIFT, Escape: Key.ESCAPE,
    ArrowRight: Key.ARROW_RIGHT, ArrowLeft: Key.ARROW_LEFT, ArrowDown: Key.ARROW_DOWN, ArrowUp: Key.ARROW_UP,
  };
  const main = await step('window', driver.getWindowHandle());
  let other = null;
  return {
    engine: 'webkit',
    errors: [],  // WebDriver classic reports no page errors: none are collected

    open: async (pagePath, address) => {
      await step('open', driver.get('about:blank'));
      await step('open', driver.get(fileAddress(pagePath, address)));
      await ready();
      await evaluate(collectErrors);
    },
    reload: async () => {
      await step('reload', driver.navigate().refresh());
      await ready();
      await evaluate(collectErrors);
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
    // WebKit's driver clicks only what is in view.
    click: async (selector) => {
      await evaluate((one) => document.querySelector(one).scrollIntoView({ block: 'center' }), selector);
      await step('click', (await step('find', driver.findElement(By.css(selector)))).click());
    },
    drag: async (selector, dx, dy) => {
      const [x, y, toX, toY] = (await evaluate(dragPoints, [selector, dx, dy])).map(Math.round);
      await step('drag', driver.actions().move({ origin: Origin.VIEWPORT, x: x, y: y }).press()
        .move({ origin: Origin.VIEWPORT, x: toX, y: toY, duration: 100 }).release().perform());
    },
    elsewhere: async (pagePath, address, fn) => {
      if (!other) {
        await step('window', driver.switchTo().newWindow('tab'));
        other = await step('window', driver.getWindowHandle());
      } else {
        await step('window', driver.switchTo().window(other));
      }
      try {
        await step('open', driver.get('about:blank'));
        await step('open', driver.get(fileAddress(pagePath, address)));
        await ready();
        return await evaluate(fn);
      } finally {
        await step('window', driver.switchTo().window(main));
      }
    },
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
