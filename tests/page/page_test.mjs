// The web page in headless Chromium, against the native program and the
// screens the C++ tests expect:
//   node page_test.mjs PAGE PROGRAM SCREEN_WRITER COMPARED_INPUTS [SCREENSHOT]
// PROGRAM is the console program, SCREEN_WRITER tremovia_expected_screen,
// COMPARED_INPUTS a file of inputs, one per line with printf's \n escapes.
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import { mkdtempSync, readFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join, resolve } from 'node:path';
import { after, before, test } from 'node:test';
import { pathToFileURL } from 'node:url';

import { chromium } from 'playwright-core';

const [pagePath, program, screenWriter, comparedInputs, screenshotPath] = process.argv.slice(2);

const escapes = { n: '\n', r: '\r', t: '\t', '\\': '\\' };
const unescape = (line) =>
  line.replace(/\\(.)/g, (_, letter) => {
    if (!(letter in escapes)) throw new Error(`unknown escape \\${letter} in ${line}`);
    return escapes[letter];
  });

const nativeOutput = (input) => {
  const run = spawnSync(program, { input, encoding: 'latin1' });
  assert.equal(run.status, 0, run.stderr);
  return run.stdout;
};

// The screen a run must show (line ends as typed: LF) and where each wait ends.
const expectedScreen = (which) => {
  const folder = mkdtempSync(join(tmpdir(), 'tremovia-page-'));
  const screenFile = join(folder, 'screen');
  const waitsFile = join(folder, 'waits');
  const writer = spawnSync(screenWriter, [which, 'lf', screenFile, waitsFile]);
  assert.equal(writer.status, 0, `${screenWriter} ${which}`);
  const waits = readFileSync(waitsFile, 'latin1').trim().split('\n').map(Number);
  return { screen: readFileSync(screenFile, 'latin1'), waits };
};

// What a terminal shows: each typed line echoed at the wait it answered.
const withEchoes = ({ screen, waits }, lines) => {
  let shown = '';
  let from = 0;
  lines.forEach((line, i) => {
    shown += screen.slice(from, waits[i]) + line;
    from = waits[i];
  });
  return shown + screen.slice(from);
};

const typicalLines = ['1\n', '1.5\n', '1\n', '0\n', '1\n', '10\n', '-10\n', ...Array(8).fill('\n')];

let browser;
let page;
const pageErrors = [];

before(async () => {
  browser = await chromium.launch({
    executablePath: '/usr/bin/chromium',
    args: ['--no-sandbox', '--disable-gpu', '--disable-background-networking', '--disable-component-update',
      '--disable-sync', '--no-first-run', '--disable-quic'],
  });
  page = await browser.newPage({ viewport: { width: 900, height: 620 } });
  page.on('pageerror', (error) => pageErrors.push(String(error)));
  page.on('console', (message) => {
    if (message.type() === 'error') pageErrors.push(message.text());
  });
  await page.goto(pathToFileURL(resolve(pagePath)).href);
  await page.evaluate(() => window.tremovia.ready);
});

after(async () => {
  await browser?.close();
});

// Runs the page's program on `input` (a latin1 string) and returns its output as latin1.
const pageRun = (input, ended) =>
  page.evaluate(([bytes, inputEnded]) => {
    const { output, waiting } = window.tremovia.run(Uint8Array.from(bytes), inputEnded);
    return { output: Array.from(output, (byte) => String.fromCharCode(byte)).join(''), waiting };
  }, [Array.from(Buffer.from(input, 'latin1')), ended]);

const screenText = () => page.textContent('#screen');

test('with the input ended, every compared input prints the native bytes', async () => {
  const inputs = readFileSync(comparedInputs, 'latin1').split('\n').slice(0, -1).map(unescape);
  assert.ok(inputs.length > 10);
  for (const input of inputs) {
    const { output, waiting } = await pageRun(input, true);
    assert.equal(waiting, false);
    assert.equal(output, nativeOutput(input), `input ${JSON.stringify(input)}`);
  }
});

test('at each wait of a typed session the output is the screen up to that wait', async () => {
  const expected = expectedScreen('typical');
  assert.equal(expected.waits.length, typicalLines.length);
  for (let sent = 0; sent <= typicalLines.length; sent += 1) {
    const { output, waiting } = await pageRun(typicalLines.slice(0, sent).join(''), false);
    const waits = sent < typicalLines.length;
    assert.equal(waiting, waits, `after ${sent} lines`);
    assert.equal(output, waits ? expected.screen.slice(0, expected.waits[sent]) : expected.screen);
  }
});

const sessions = [
  {
    name: 'the typical values and every pause, to the end',
    keys: typicalLines,
    screen: 'typical',
    echoed: typicalLines,
  },
  {
    name: 'two values, the second corrected and sent by Ctrl-D without a line end, then Ctrl-D',
    keys: ['1\n', '1.6', 'Backspace', '5', 'Control+D', 'Control+D'],
    screen: 'two-values',
    echoed: ['1\n', '1.5'],
  },
];

for (const session of sessions) {
  test(`typed at the keyboard: ${session.name}`, async () => {
    await page.reload();
    await page.evaluate(() => window.tremovia.ready);
    for (const keys of session.keys) {
      if (keys === 'Backspace' || keys.startsWith('Control+')) await page.keyboard.press(keys);
      else await page.keyboard.type(keys);
    }
    const expected = withEchoes(expectedScreen(session.screen), session.echoed);
    assert.equal(await screenText(), expected);
    assert.equal(await page.isDisabled('#line'), true);
    await page.keyboard.type('7\n');
    assert.equal(await screenText(), expected, 'typing after the end changes nothing');

    await page.click('#restart');
    const { screen, waits } = expectedScreen('typical');
    assert.equal(await screenText(), screen.slice(0, waits[0]));
    assert.equal(await page.isHidden('#restart'), true);
  });
}

test('the page reported no errors', () => {
  assert.deepEqual(pageErrors, []);
});

test('benchmark: one whole re-run of the typical session', async () => {
  const perRun = await page.evaluate((input) => {
    const bytes = new TextEncoder().encode(input);
    const runs = 2000;
    const start = performance.now();
    for (let i = 0; i < runs; i += 1) window.tremovia.run(bytes, true);
    return (performance.now() - start) / runs;
  }, typicalLines.join(''));
  console.log(`# one re-run of the typical session: ${(perRun * 1000).toFixed(1)} µs`);
});

test('screenshot mid-dialogue', { skip: !screenshotPath }, async () => {
  await page.reload();
  await page.evaluate(() => window.tremovia.ready);
  for (const line of typicalLines.slice(0, 7)) await page.keyboard.type(line);
  await page.screenshot({ path: screenshotPath });
});
