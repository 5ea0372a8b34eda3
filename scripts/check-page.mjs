// The released page, opened from its folder in headless Chromium, prints the
// reference program's bytes for every input, and a session typed at its
// terminal shows the typical run with each line echoed where it was typed:
//   node scripts/check-page.mjs PAGE REFERENCE_PROGRAM INPUTS
// It drives Chromium as the page's tests do (npm ci in tests/page first).
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import { readFileSync } from 'node:fs';

import { openBrowser, runInPage } from '../tests/page/page_driver.mjs';

const [pagePath, reference, inputsPath] = process.argv.slice(2);
const native = (input) => spawnSync(reference, { input, encoding: 'latin1' }).stdout;

const page = await openBrowser('chromium');
try {
  await page.open(pagePath);
  const inputs = readFileSync(inputsPath, 'latin1').split('\n').slice(0, -1).map((line) => line.replaceAll('\\n', '\n'));
  for (const input of inputs) {
    assert.deepEqual(await runInPage(page, input, true), { output: native(input), waiting: false }, JSON.stringify(input));
  }

  const lines = ['1\n', '1.5\n', '1\n', '0\n', '1\n', '10\n', '-10\n', ...Array(8).fill('\n')];
  const screen = native(lines.join(''));
  let expected = '';
  let shown = 0;
  for (let sent = 0; sent < lines.length; sent += 1) {
    const { output } = await runInPage(page, lines.slice(0, sent).join(''), false);
    expected += screen.slice(shown, output.length) + lines[sent];
    shown = output.length;
  }
  expected += screen.slice(shown);
  for (const line of lines) await page.type(line);
  assert.equal(await page.evaluate(() => document.getElementById('screen').textContent), expected);
  assert.deepEqual(page.errors, []);
  console.log(`${pagePath}: ${inputs.length} inputs as ${reference} prints them, and the typical session typed`);
} finally {
  await page.close();
}
