// The web page in headless Chromium, against the console program and the
// screens the C++ tests expect:
//   node page_test.mjs PAGE PROGRAM SCREEN_WRITER COMPARED_INPUTS [SCREENSHOT]
// PROGRAM is the console program, SCREEN_WRITER tremovia_expected_screen,
// COMPARED_INPUTS a file of inputs, one a line, with \n for each line end.
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import { mkdtempSync, readFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { after, test } from 'node:test';
import { fileURLToPath } from 'node:url';

import { launchChromium, openPage, runInPage } from './page_driver.mjs';

const axeScript = fileURLToPath(import.meta.resolve('axe-core/axe.min.js'));

const [pagePath, program, screenWriter, comparedInputs, screenshotPath] = process.argv.slice(2);
const folder = mkdtempSync(join(tmpdir(), 'tremovia-page-'));

// The screen a whole run must show, and where each of its waits ends.
const expected = (which) => {
  const file = join(folder, which);
  assert.equal(spawnSync(screenWriter, [which, 'lf', file, `${file}.waits`]).status, 0);
  const waits = readFileSync(`${file}.waits`, 'latin1').trim().split('\n').map(Number);
  return { screen: readFileSync(file, 'latin1'), waits };
};

// What a terminal shows: each typed line echoed at the wait it answered.
const withEchoes = ({ screen, waits }, lines) =>
  lines.map((line, i) => screen.slice(i === 0 ? 0 : waits[i - 1], waits[i]) + line).join('') +
  screen.slice(waits[lines.length - 1]);

const typicalLines = ['1\n', '1.5\n', '1\n', '0\n', '1\n', '10\n', '-10\n', ...Array(8).fill('\n')];

const browser = await launchChromium();
after(() => browser.close());
// A phone: the screen must never need scrolling sideways.
const page = await browser.newPage({ viewport: { width: 390, height: 844 }, isMobile: true, hasTouch: true });
const pageErrors = [];
page.on('pageerror', (error) => pageErrors.push(String(error)));
page.on('console', (message) => message.type() === 'error' && pageErrors.push(message.text()));
const open = (address) => openPage(page, pagePath, address);
await open();

// No rule of axe-core broken, and nothing wider than the phone's screen.
const checkLayout = async (moment) => {
  await page.addScriptTag({ path: axeScript });
  const { violations } = await page.evaluate(() => window.axe.run());
  assert.deepEqual(violations.map((violation) => violation.id), [], moment);
  assert.deepEqual(await page.evaluate(() => {
    const screen = document.getElementById('screen');
    const root = document.documentElement;
    return [screen.scrollWidth - screen.clientWidth, screen.scrollLeft, root.scrollWidth - root.clientWidth];
  }), [0, 0, 0], moment);
};

const pageRun = (input, ended) => runInPage(page, input, ended);

test('with the input ended, every compared input prints the console program\'s bytes', async () => {
  const inputs = readFileSync(comparedInputs, 'latin1').split('\n').slice(0, -1);
  assert.ok(inputs.length > 10);
  for (const input of inputs.map((line) => line.replaceAll('\\n', '\n'))) {
    assert.doesNotMatch(input, /\\/, 'an escape this test does not read');
    const native = spawnSync(program, { input, encoding: 'latin1' }).stdout;
    assert.deepEqual(await pageRun(input, true), { output: native, waiting: false }, JSON.stringify(input));
  }
  const longNumber = `${'1'.repeat(70000)}\n`;  // more than the console's 64 KiB buffer holds
  assert.equal((await pageRun(longNumber, true)).output, spawnSync(program, { input: longNumber, encoding: 'latin1' }).stdout);
  assert.ok(await page.evaluate(() => {
    const first = window.tremovia.run(new TextEncoder().encode('1\n'), true).output;
    const kept = first.slice();
    window.tremovia.run(new TextEncoder().encode('2\n'), true);
    return first.every((byte, i) => byte === kept[i]);
  }), 'a result stays as it was after the next run');
});

test('at each wait of a typed session the output is the screen up to that wait', async () => {
  const { screen, waits } = expected('typical');
  assert.equal(waits.length, typicalLines.length);
  for (let sent = 0; sent <= typicalLines.length; sent += 1) {
    const waiting = sent < typicalLines.length;
    const output = waiting ? screen.slice(0, waits[sent]) : screen;
    assert.deepEqual(await pageRun(typicalLines.slice(0, sent).join(''), false), { output, waiting });
  }
});

const sessions = [
  {
    name: 'the typical values and every pause, to the end',
    keys: typicalLines, screen: 'typical', echoed: typicalLines, address: `#input=${encodeURIComponent(typicalLines.join(''))}`,
  },
  {
    name: 'two values, the second corrected and sent by Ctrl-D without a line end, then Ctrl-D',
    keys: ['1\n', '1.6', 'Backspace', '5', 'Control+d', 'Control+d'],
    screen: 'two-values',
    echoed: ['1\n', '1.5'],
    address: '#input=1%0A1.5&ended=1',
  },
];
for (const session of sessions) {
  test(`typed at the keyboard: ${session.name}`, async () => {
    await open();
    await checkLayout('at the first screen');
    for (const [i, keys] of session.keys.entries()) {
      if (keys === 'Backspace' || keys.startsWith('Control+')) await page.keyboard.press(keys);
      else await page.keyboard.type(keys);
      if (i === 3) await checkLayout('mid-dialogue');
    }
    const shown = withEchoes(expected(session.screen), session.echoed);
    assert.equal(await page.textContent('#screen'), shown);
    await checkLayout('after the end');
    const [address, focused] = await page.evaluate(() => [location.hash, document.activeElement.id]);
    assert.equal(address, session.address);
    assert.equal(focused, 'restart');

    const [download] = await Promise.all([page.waitForEvent('download'), page.click('#save')]);
    assert.equal(download.suggestedFilename(), 'tremovia-session.txt');
    assert.equal(readFileSync(await download.path(), 'latin1'), shown);
    await page.reload();
    await page.evaluate(() => window.tremovia.ready);
    assert.equal(await page.textContent('#screen'), shown, 'the address replays the session');

    await page.keyboard.type('7');
    assert.equal(await page.textContent('#screen'), shown, 'typing after the end changes nothing');
    await page.keyboard.press('Enter');
    const { screen, waits } = expected('typical');
    assert.equal(await page.textContent('#screen'), screen.slice(0, waits[0]), 'Enter on "Run again" starts anew');
    assert.deepEqual(await page.evaluate(() => [location.hash, document.getElementById('restart').hidden]), ['#input=', true]);
  });
}

test('the page reported no errors', () => assert.deepEqual(pageErrors, []));

test('benchmark: one whole re-run of the typical session', async () => {
  const milliseconds = await page.evaluate((input) => {
    const bytes = new TextEncoder().encode(input);
    const start = performance.now();
    for (let i = 0; i < 2000; i += 1) window.tremovia.run(bytes, true);
    return (performance.now() - start) / 2000;
  }, typicalLines.join(''));
  console.log(`# one re-run of the typical session: ${(milliseconds * 1000).toFixed(1)} µs`);
});

test('screenshots after the seven values, on a desktop and a phone', { skip: !screenshotPath }, async () => {
  await open(`#input=${encodeURIComponent(typicalLines.slice(0, 7).join(''))}`);
  await page.screenshot({ path: screenshotPath.replace('.png', '-phone.png') });
  await page.setViewportSize({ width: 900, height: 620 });
  await page.screenshot({ path: screenshotPath });
});
