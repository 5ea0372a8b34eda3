// The released page, opened from its folder in headless Chromium, prints the
// reference program's bytes for every input, and a session typed at its
// terminal shows the typical run with each line echoed where it was typed:
//   node scripts/check-page.mjs PAGE REFERENCE_PROGRAM INPUTS
// playwright-core comes from tests/page (npm ci there).
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import { readFileSync } from 'node:fs';
import { createRequire } from 'node:module';
import { resolve } from 'node:path';
import { pathToFileURL } from 'node:url';

const { chromium } = createRequire(new URL('../tests/page/package.json', import.meta.url))('playwright-core');
const [pagePath, reference, inputsPath] = process.argv.slice(2);
const native = (input) => spawnSync(reference, { input, encoding: 'latin1' }).stdout;

const browser = await chromium.launch({
  executablePath: '/usr/bin/chromium',
  args: ['--no-sandbox', '--disable-gpu', '--disable-background-networking', '--disable-component-update',
    '--disable-sync', '--no-first-run', '--disable-quic'],
});
try {
  const page = await browser.newPage();
  const errors = [];
  page.on('pageerror', (error) => errors.push(String(error)));
  await page.goto(pathToFileURL(resolve(pagePath)).href);
  await page.evaluate(() => window.tremovia.ready);
  const pageRun = (input, ended) =>
    page.evaluate(([text, inputEnded]) => {
      const { output, waiting } = window.tremovia.run(Uint8Array.from(text, (c) => c.charCodeAt(0)), inputEnded);
      return { output: String.fromCharCode(...output), waiting };
    }, [input, ended]);

  const inputs = readFileSync(inputsPath, 'latin1').split('\n').slice(0, -1).map((line) => line.replaceAll('\\n', '\n'));
  for (const input of inputs) {
    assert.deepEqual(await pageRun(input, true), { output: native(input), waiting: false }, JSON.stringify(input));
  }

  const lines = ['1\n', '1.5\n', '1\n', '0\n', '1\n', '10\n', '-10\n', ...Array(8).fill('\n')];
  const screen = native(lines.join(''));
  let expected = '';
  let shown = 0;
  for (let sent = 0; sent < lines.length; sent += 1) {
    const { output } = await pageRun(lines.slice(0, sent).join(''), false);
    expected += screen.slice(shown, output.length) + lines[sent];
    shown = output.length;
  }
  expected += screen.slice(shown);
  for (const line of lines) await page.keyboard.type(line);
  assert.equal(await page.textContent('#screen'), expected);
  assert.deepEqual(errors, []);
  console.log(`${pagePath}: ${inputs.length} inputs as ${reference} prints them, and the typical session typed`);
} finally {
  await browser.close();
}
