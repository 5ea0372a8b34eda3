// What the page's tests and the release's page check share: Debian's
// Chromium, headless and off the network, and the page's program run on a
// string of bytes.
import { pathToFileURL } from 'node:url';
import { resolve } from 'node:path';

import { chromium } from 'playwright-core';

export const launchChromium = () => chromium.launch({
  executablePath: '/usr/bin/chromium',
  args: ['--no-sandbox', '--disable-gpu', '--disable-background-networking', '--disable-component-update',
    '--disable-sync', '--no-first-run', '--disable-quic'],
});

// Opens the page at `pagePath` from its folder, with `address` as its
// fragment, and waits until it can run.
export const openPage = async (page, pagePath, address = '') => {
  await page.goto(pathToFileURL(resolve(pagePath)).href + address);
  await page.evaluate(() => window.tremovia.ready);
};

// The page's program on `input`; input and output as strings of bytes.
export const runInPage = (page, input, ended) =>
  page.evaluate(([text, inputEnded]) => {
    const { output, waiting } = window.tremovia.run(Uint8Array.from(text, (c) => c.charCodeAt(0)), inputEnded);
    return { output: String.fromCharCode(...output), waiting };
  }, [input, ended]);
