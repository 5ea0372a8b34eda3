// The web page in Chromium, Firefox and WebKit, against the console program
// and the screens the C++ tests expect:
//   node page_test.mjs PAGE PROGRAM SCREEN_WRITER COMPARED_INPUTS [--engines=E,...] [--screenshot=PNG]
// PROGRAM is the console program, SCREEN_WRITER tremovia_expected_screen,
// COMPARED_INPUTS a file of inputs, one a line, with \n for each line end.
// WebKit needs a display: run it under xvfb-run.
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import { mkdtempSync, readFileSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { after, before, describe, test } from 'node:test';
import { fileURLToPath } from 'node:url';

import { engines, openBrowser, runInPage } from './page_driver.mjs';

const axeScript = fileURLToPath(import.meta.resolve('axe-core/axe.min.js'));
const documentationFigure = new URL('../../docs/worked-lens.svg', import.meta.url);

const positional = process.argv.slice(2).filter((argument) => !argument.startsWith('--'));
const option = (name) => {
  const found = process.argv.find((argument) => argument.startsWith(`--${name}=`));
  return found && found.slice(name.length + 3);
};
const [pagePath, program, screenWriter, comparedInputs] = positional;
const testedEngines = (option('engines') || engines.join(',')).split(',');
const screenshotPath = option('screenshot');
const folder = mkdtempSync(join(tmpdir(), 'tremovia-page-'));
const native = (input) => spawnSync(program, { input, encoding: 'latin1' }).stdout;

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

const messages = { typing: 'Type a value and press Enter; Enter alone answers a pause.' };
const typicalLines = ['1\n', '1.5\n', '1\n', '0\n', '1\n', '10\n', '-10\n', ...Array(8).fill('\n')];

const sessions = [
  {
    name: 'the typical values and every pause, to the end',
    keys: typicalLines, screen: 'typical', echoed: typicalLines, address: `#input=${encodeURIComponent(typicalLines.join(''))}`,
  },
  {
    // Ctrl-D sends a partial line and waits; on an empty line it ends the input.
    name: 'two values, the second corrected and sent by Ctrl-D without a line end, then Ctrl-D',
    keys: ['1\n', '1.6', 'Backspace', '5', 'Control+d', 'waiting at #input=1%0A1.5', 'Control+d'],
    screen: 'two-values',
    echoed: ['1\n', '1.5'],
    address: '#input=1%0A1.5&ended=1',
  },
  {
    // End input sends a partial line as it stands, then ends the input.
    name: 'a partial line sent by End input',
    keys: ['x', 'End'], screen: 'end-of-input', echoed: ['x'], address: '#input=x&ended=1',
  },
];

const screenText = (page) => page.evaluate(() => document.getElementById('screen').textContent);
const state = (page) => page.evaluate(() => ({
  address: location.hash,
  waiting: !document.getElementById('line').disabled,
  status: document.getElementById('status').textContent,
}));

// What a Save button offers: the name and the text of the file.
const saved = (page, button = 'save') => page.evaluate((id) => new Promise((done) => {
  const click = HTMLAnchorElement.prototype.click;
  HTMLAnchorElement.prototype.click = function offered() {
    HTMLAnchorElement.prototype.click = click;
    fetch(this.href).then((response) => response.text()).then((text) => done([this.download, text]));
  };
  document.getElementById(id).click();
}), button);

// Lenses for the figure: the values typed, the Enters after them (-1 for
// one value short), and the points drawn, with the program's values as the
// dialogue prints them and the textbook's as optics texts give them.
const figureLenses = [
  {
    name: 'the worked lens, in the summary',
    values: [1, 1.5, 1, 0, 1, 10, -10], enters: 7, documentation: true, notes: /^$/,
    points: {
      'program FI': '1.297872', 'program FO': '-0.340426', 'program HI': '1.425532', 'program HO': '-0.468085',
      'textbook FI': '11.290323', 'textbook FO': '-10.322581', 'textbook HI': '0.645161', 'textbook HO': '0.322581',
    },
  },
  {
    name: 'a lens between two media, at its FI section',
    values: [1, 1.52, 1.33, 0, 1.2, 8, -12], enters: 3, notes: /^$/,
    points: { 'program FI': '3.136512', 'textbook FI': '17.241512' },
  },
  {
    name: 'a lens between two media, in the summary',
    values: [1, 1.52, 1.33, 0, 1.2, 8, -12], enters: 7, notes: /^$/,
    points: {
      'program FI': '3.136512', 'program FO': '-0.624681', 'program HI': '3.984294', 'program HO': '-1.262111',
      'textbook FI': '17.241512', 'textbook FO': '-12.569227', 'textbook HI': '0.332290', 'textbook HO': '0.144474',
    },
  },
  {
    name: 'a lens of index 0, whose points are all nan',
    values: [1, 0, 1, 0, 1, 10, -10], enters: 7, points: {},
    notes: /the program's FI \(nan\), FO \(nan\), HI \(nan\), HO \(nan\).*the textbook's FI \(nan\)/,
  },
  {
    // The textbook's points from exact fractions, to six decimals.
    name: 'a thin lens with points a million times its size away',
    values: [1, 1.5, 1, 0, '1e-6', '1e6', '-1e6'], enters: 7, notes: /the lens is too thin to see/,
    points: {
      'program FI': '0.000002', 'program FO': '-0.000001', 'program HI': '0.000001', 'program HO': '0.000000',
      'textbook FI': '1000000.000001', 'textbook FO': '-1000000.000000', 'textbook HI': '0.000001', 'textbook HO': '0.000000',
    },
  },
  {
    name: 'a centre on its vertex, one past the largest double',
    values: [1, 1.5, 1, 0, '1e-6', 0, '-1e999'], enters: 7,
    notes: /s1 = v1: surface 1 has no radius.*s2 is -inf: surface 2 is drawn flat.*the program's FO \(nan\), HO \(nan\)/,
    points: { 'program FI': '0.000001', 'program HI': '0.000001' },
  },
  {
    name: 'six values only: no figure',
    values: [1, 1.5, 1, 0, 1, 10], enters: -1, notes: /^$/, points: {},
  },
  // Lenses whose labels once were wrong or overlapped; the program's points
  // are checked against the console program's summary. An odd multiple of
  // 1/128 is a tie at six decimals, which printf rounds to even.
  { name: 'a tie at the sixth decimal', values: ['1.0078125', 1.5, 1.33, 0, 1, 10, -10], enters: 7, notes: /^$/,
    indices: ['n0 = 1.007812', 'n2 = 1.330000', 'n1 = 1.500000'] },
  { name: 'a lens a million cm out', values: [1, 1.5, 1, 1e6, 1000001, 1000010, 999990], enters: 7, notes: /^$/ },
  { name: 'a lens a billion cm out', values: [1, 1.5, 1, 1e9, 1000000001, 1000000010, 999999990], enters: 7, notes: /^$/ },
  { name: 'vertices at the largest doubles', values: [1, 1.5, 1, '-1.7976931348623157e308', '1.7976931348623157e308', 0, 1],
    enters: 7, notes: /Not drawn/ },
  { name: 'an index of 1e308', values: ['1e308', 1.5, 1, 0, 1, 10, -10], enters: 7, notes: /./,
    indices: ['n0 = 1.00000\u2026e308', 'n2 = 1.000000', 'n1 = 1.500000'] },
  { name: 'a biconcave lens, its points close together', values: [1, 1.5, 1, 0, 0.5, -10, 10], enters: 7, notes: /^$/ },
  { name: 'a reversed lens', values: [1, 1.5, 1, 1, 0, 10, -10], enters: 7, notes: /v1 > v2/ },
];

// The program's four points as the console program's summary prints them.
const summaryPoints = (values) => {
  const screen = native(`${values.join('\n')}\n${'\n'.repeat(8)}`);
  const points = {};
  for (const name of ['FI', 'FO', 'HI', 'HO']) {
    const found = new RegExp(` ${name} = (\\S+) cm`).exec(screen.slice(screen.indexOf('Summary')));
    if (/^-?[0-9]/.test(found[1])) points[`program ${name}`] = found[1];
  }
  return points;
};

// What Copy link puts on the clipboard, or the status line if nothing.
const copied = (page) => page.evaluate(() => new Promise((done) => {
  Object.defineProperty(navigator, 'clipboard', { configurable: true, value: { writeText: async (text) => done(text) } });
  document.getElementById('share').click();
  setTimeout(() => done(document.getElementById('status').textContent), 1000);
}));

for (const engine of testedEngines) {
  describe(engine, () => {
    let page;
    before(async () => {
      page = await openBrowser(engine);
      if (engine === 'chromium') {
        // A phone: the screen must never need scrolling sideways.
        await page.raw.setViewport({ width: 390, height: 844, isMobile: true, hasTouch: true });
      }
      await page.open(pagePath);
    });
    after(() => page && page.close());

    test('with the input ended, every compared input prints the console program\'s bytes', async () => {
      const inputs = readFileSync(comparedInputs, 'latin1').split('\n').slice(0, -1);
      assert.ok(inputs.length > 10);
      for (const input of inputs.map((line) => line.replaceAll('\\n', '\n'))) {
        assert.doesNotMatch(input, /\\/, 'an escape this test does not read');
        assert.deepEqual(await runInPage(page, input, true), { output: native(input), waiting: false }, JSON.stringify(input));
      }
      const longNumber = `${'1'.repeat(70000)}\n`;  // more than the console's 64 KiB buffer holds
      assert.equal((await runInPage(page, longNumber, true)).output, native(longNumber));
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
        assert.deepEqual(await runInPage(page, typicalLines.slice(0, sent).join(''), false), { output, waiting });
      }
    });

    for (const session of sessions) {
      test(`typed at the keyboard, then replayed from its address: ${session.name}`, async () => {
        await page.open(pagePath);
        if (engine === 'chromium') await checkLayout(page, 'at the first screen');
        for (const [i, keys] of session.keys.entries()) {
          if (keys.startsWith('waiting at ')) {
            const { address, waiting } = await state(page);
            assert.deepEqual({ address, waiting }, { address: keys.slice(11), waiting: true });
          } else if (keys === 'End') {
            await page.click('#end');
          } else if (keys === 'Backspace' || keys.startsWith('Control+')) {
            await page.press(keys);
          } else {
            await page.type(keys);
          }
          if (i === 3 && engine === 'chromium') await checkLayout(page, 'mid-dialogue');
        }
        const shown = withEchoes(expected(session.screen), session.echoed);
        assert.equal(await screenText(page), shown);
        if (engine === 'chromium') await checkLayout(page, 'after the end');
        assert.deepEqual(await state(page), { address: session.address, waiting: false, status: 'The run has ended. Run again starts a new one.' });
        assert.equal(await page.evaluate(() => document.activeElement.id), 'screen');
        assert.deepEqual(await saved(page), ['tremovia-session.txt', shown]);
        assert.match(await copied(page), new RegExp(`${session.address.replace(/[&]/g, '\\$&')}$`));

        await page.reload();
        assert.equal(await screenText(page), shown, 'the address replays the session');
        assert.equal((await state(page)).address, session.address, 'the reopened address is kept as it was');

        for (const key of ['7', 'Enter', ' ', 'Enter']) await page.press(key);
        assert.deepEqual([await screenText(page), (await state(page)).address], [shown, session.address],
          'keys after the end change nothing');
        await page.click('#restart');
        const { screen, waits } = expected('typical');
        assert.equal(await screenText(page), screen.slice(0, waits[0]), 'Run again starts anew');
        assert.deepEqual(await page.evaluate(() => [location.hash, document.getElementById('restart').hidden,
          document.getElementById('figure-box').hidden, document.activeElement.id]), ['#input=', true, true, 'line']);
        await page.evaluate(() => history.back());
        await page.waitFor(() => location.hash !== '#input=');
        assert.equal(await screenText(page), shown, 'Back returns to the run that ended');
      });
    }

    // Each drawn point where the scale puts its value, nothing that is not a
    // number drawn, and the points that each screen shows.
    for (const lens of figureLenses) {
      test(`the figure of ${lens.name}`, async () => {
        await page.open(pagePath, `#input=${encodeURIComponent(lens.values.map((value) => `${value}\n`).join(''))}`
          + '%0A'.repeat(Math.max(lens.enters, 0)));
        const figure = await page.evaluate(() => {
          const svg = document.getElementById('figure');
          const attributes = [...svg.querySelectorAll('*')].flatMap((node) => [...node.attributes].map((a) => a.value));
          return {
            shown: !document.getElementById('figure-box').hidden,
            x0: Number(svg.dataset.x0),
            scale: Number(svg.dataset.scale),
            notes: document.getElementById('figure-notes').textContent,
            description: svg.querySelector('desc') ? svg.querySelector('desc').textContent : '',
            notANumber: attributes.filter((value) => /NaN|Infinity/.test(value)),
            texts: [...svg.querySelectorAll('text')].map((node) => {
              const box = node.getBBox();
              return { text: node.textContent, tick: node.getAttribute('data-tick'), index: node.classList.contains('index'),
                left: box.x, right: box.x + box.width, top: box.y, bottom: box.y + box.height };
            }),
            tickMarks: [...svg.querySelectorAll('line.tick')].filter((node) => node.getAttribute('x1') === node.getAttribute('x2'))
              .map((node) => Number(node.getAttribute('x1'))),
            points: [...svg.querySelectorAll('[data-point]')].map((node) => ({
              name: `${node.dataset.source} ${node.dataset.point}`,
              value: node.dataset.value,
              at: Number(node.getAttribute('cx') || node.getAttribute('x1')
                || node.getAttribute('d').split(' ')[1]),
            })),
          };
        });
        assert.equal(figure.shown, lens.enters >= 0);
        assert.deepEqual(figure.notANumber, []);
        const shown = Object.fromEntries(figure.points.map((point) => [point.name, point.value]));
        if (lens.points) assert.deepEqual(shown, lens.points);
        else assert.deepEqual(Object.fromEntries(Object.entries(shown).filter(([name]) => name.startsWith('program'))), summaryPoints(lens.values));
        if (lens.indices) assert.deepEqual(figure.texts.filter((text) => text.index).map((text) => text.text), lens.indices);
        // Each tick's label is the exact value at whose place its mark stands;
        // no two are the same, no label overlaps another or leaves the figure.
        const ticks = figure.texts.filter((text) => text.tick !== null);
        assert.ok(figure.shown ? ticks.length >= 2 : ticks.length === 0, `${ticks.length} ticks`);
        assert.deepEqual(ticks.map((tick) => tick.text), ticks.map((tick) => tick.tick));
        assert.equal(new Set(ticks.map((tick) => tick.tick)).size, ticks.length);
        ticks.forEach((tick, i) => assert.ok(Math.abs(figure.tickMarks[i] - (figure.x0 + figure.scale * Number(tick.tick))) < 0.01,
          `tick ${tick.tick} at ${figure.tickMarks[i]}`));
        figure.texts.forEach((text, i) => {
          assert.ok(text.left >= 0 && text.right <= 400 && text.top >= 0 && text.bottom <= 280, `${text.text} leaves the figure`);
          for (const other of figure.texts.slice(i + 1)) {
            const apart = text.right <= other.left + 0.5 || other.right <= text.left + 0.5
              || text.bottom <= other.top + 0.5 || other.bottom <= text.top + 0.5;
            assert.ok(apart, `"${text.text}" overlaps "${other.text}"`);
          }
        });
        for (const point of figure.points) {
          assert.ok(Math.abs(point.at - (figure.x0 + figure.scale * Number(point.value))) < 0.01,
            `${point.name} at ${point.at}, not at x0 + scale * ${point.value}`);
        }
        assert.match(figure.notes, lens.notes);
        for (const value of Object.values(shown)) assert.ok(figure.description.includes(`${value} cm`));
        if (lens.documentation && engine === 'chromium') {
          const [name, file] = await saved(page, 'save-figure');
          assert.equal(name, 'tremovia-lens.svg');
          if (process.env.TREMOVIA_WRITE_FIGURE) writeFileSync(documentationFigure, file);
          assert.equal(file, readFileSync(documentationFigure, 'utf8'),
            'docs/worked-lens.svg is the figure the page draws (TREMOVIA_WRITE_FIGURE=1 writes it)');
        }
      });
    }

    test('the technical documentation opens inside the page, at the section "why" names, and leaves the address', async () => {
      const address = `#input=${encodeURIComponent(typicalLines.slice(0, 8).join(''))}`;
      await page.open(pagePath, address);
      await page.click('#figure-why');
      const headingTop = (id) => page.evaluate((anchor) => new Promise((done) => {
        const frame = document.querySelector('#documentation iframe');
        const look = (tries) => {
          const target = frame.contentDocument && frame.contentDocument.getElementById(anchor);
          if (target && frame.contentWindow.scrollY > 0) done(Math.round(target.getBoundingClientRect().top));
          else if (tries > 0) setTimeout(() => look(tries - 1), 50);
          else done(null);
        };
        look(100);
      }), id);
      const atTop = (top) => top !== null && Math.abs(top) <= 2;
      assert.ok(atTop(await headingTop('how-the-surface-terms-compare-with-the-textbook')));
      await page.evaluate(() => document.querySelector('#documentation iframe').contentDocument
        .querySelector('a[href="#a-second-example-two-media"]').click());
      assert.ok(atTop(await headingTop('a-second-example-two-media')));
      if (engine === 'chromium') await checkLayout(page, 'with the documentation open');
      assert.deepEqual(await page.evaluate(() => [location.hash, document.getElementById('documentation').open]), [address, true]);
      await page.click('#documentation-close');
      assert.equal(await page.evaluate(() => document.getElementById('documentation').open), false);
    });

    test('an address without &ended=1 leaves the program waiting; a new address is replayed', async () => {
      await page.open(pagePath, '#input=1%0A');
      const { screen, waits } = expected('typical');
      assert.equal(await screenText(page), `${screen.slice(0, waits[0])}1\n${screen.slice(waits[0], waits[1])}`);
      assert.equal((await state(page)).waiting, true);
      await page.evaluate(() => { location.hash = '#input=1%0A1.5%0A'; });
      await page.evaluate(() => new Promise((done) => requestAnimationFrame(() => done())));
      assert.equal(await screenText(page),
        `${screen.slice(0, waits[0])}1\n${screen.slice(waits[0], waits[1])}1.5\n${screen.slice(waits[1], waits[2])}`);
    });

    test('addresses the page did not write, keys after a replay and the documentation, a decimal comma', async () => {
      const { screen, waits } = expected('typical');
      const upTo = (lines) => lines.map((line, i) => screen.slice(i === 0 ? 0 : waits[i - 1], waits[i]) + line).join('')
        + screen.slice(waits[lines.length - 1], waits[lines.length]);
      // The address, the lines replayed from it, and whether it is kept as it is.
      const addresses = [
        ['#input=1%0A1.5%0A%ZZ', ['1\n', '1.5\n'], false],
        ['#input=1%0A%E0%A4', ['1\n'], false],
        ['#input=1%0A&ended=1&x=1', ['1\n'], false],
        [`#input=${encodeURIComponent(typicalLines.join(''))}&ended=1`, null, true],
      ];
      for (const [address, lines, wellFormed] of addresses) {
        await page.open(pagePath, address);
        const now = await state(page);
        assert.equal(now.address, address, 'the address stays');
        if (wellFormed) {
          assert.equal(await screenText(page), withEchoes(expected('typical'), typicalLines));
          continue;
        }
        assert.match(now.status, /could not be read whole/, address);
        if (!address.includes('ended')) {
          assert.equal(await screenText(page), upTo(lines), address);
          await page.type('2\n');
          assert.equal((await state(page)).status, messages.typing, 'the message clears once the session is kept');
          await page.evaluate(() => history.back());
          await page.waitFor((gone) => location.hash === gone, address);
          await page.waitFor(() => /could not be read/.test(document.getElementById('status').textContent));
        }
      }

      await page.open(pagePath, '#too-long-for-a-link');
      await page.type('1\n');
      assert.equal(await screenText(page), upTo(['1\n']), 'keys reach the line after a reopened long session');

      await page.click('#documentation-open');
      await page.waitFor(() => Boolean(document.querySelector('#documentation iframe').contentDocument.querySelector('a')));
      await page.evaluate(() => document.querySelector('#documentation iframe').contentDocument.querySelector('a').focus());
      await page.press('Escape');
      await page.waitFor(() => !document.getElementById('documentation').open);
      await page.type('1,5\n');
      assert.match(await screenText(page), /\n1\n.*\n1,5\n.*n1 = 1\.000000.*n2 = 5\.000000.*vervex and press >ENTER< \n$/s,
        'keys reach the line after the documentation');
      assert.match((await state(page)).status, /the program read n1 as "1", n2 as "5": .*the decimal separator is a point/);
    });

    test('a flood of lines is replayed at once, and a session too long for a link stays whole in the tab', async () => {
      const started = Date.now();
      await page.open(pagePath, `#input=${'%0A'.repeat(100000)}`);
      assert.ok(Date.now() - started < 30000, 'replayed within 30 s');
      const { screen, waits } = expected('typical');
      assert.equal(await screenText(page), `${screen.slice(0, waits[0])}${'\n'.repeat(100000)}`);
      assert.deepEqual(await state(page), { address: '#too-long-for-a-link', waiting: true,
        status: 'This session is too long for a link: Save keeps it as text.' });
      assert.equal(await copied(page), 'This session is too long for a link: Save keeps it as text.');
      await page.type('1\n');
      assert.ok((await saved(page))[1].endsWith(`${'\n'.repeat(100000)}1\n${screen.slice(waits[0], waits[1])}`));
      await page.reload();
      assert.equal(await screenText(page), screen.slice(0, waits[0]));
      assert.match((await state(page)).status, /too long for a link, so its address did not keep it/);
    });

    if (engine === 'chromium') {
      test('a 60-digit answer wraps on a phone; printed, the dialogue shows in black, without the controls', async () => {
        assert.equal(await page.evaluate(() => window.innerWidth), 390);
        await page.open(pagePath);
        await page.type(`${'1'.repeat(60)}\n`);
        await checkLayout(page, 'after a 60-digit answer');
        await page.raw.emulateMediaType('print');
        assert.deepEqual(await page.evaluate(() => {
          const style = (selector) => getComputedStyle(document.querySelector(selector));
          return [style('footer').display, style('#line').display, style('#save-figure').display,
            style('#figure-why').display, style('#screen').color, style('body').backgroundColor];
        }), ['none', 'none', 'none', 'inline-block', 'rgb(0, 0, 0)', 'rgb(255, 255, 255)']);
        await page.raw.emulateMediaType(null);
      });

      test('benchmark: a whole re-run of the typical session, and replays of hostile addresses', async () => {
        const milliseconds = await page.evaluate((input) => {
          const bytes = new TextEncoder().encode(input);
          const start = performance.now();
          for (let i = 0; i < 2000; i += 1) window.tremovia.run(bytes, true);
          return (performance.now() - start) / 2000;
        }, typicalLines.join(''));
        console.log(`# one re-run of the typical session: ${(milliseconds * 1000).toFixed(1)} µs`);
        // From the start of the navigation to the input line laid out, as
        // the page's own clock tells it; when the document was parsed (before
        // that, the browser takes in the address) and the replay was shown.
        const ready = async (address) => {
          await page.open(pagePath, address);
          return page.evaluate(() => {
            document.getElementById('line').getBoundingClientRect();
            const parsed = performance.getEntriesByType('navigation')[0].domContentLoadedEventStart;
            const replayed = performance.getEntriesByName('replayed')[0].startTime;
            return `${Math.round(performance.now())} ms (parsed at ${Math.round(parsed)}, replayed at ${Math.round(replayed)})`;
          });
        };
        const empty = await ready('');
        const blank = await ready(`#input=${'%0A'.repeat(100000)}`);
        const digits = await ready(`#input=${'1'.repeat(1900000)}`);
        console.log(`# from opening to ready for input, on a phone: no session ${empty}, `
          + `100,000 blank lines ${blank}, 1.9 MB of digits ${digits}`);
        // A line of 5,000,000 digits sent, then two Enters: from each key to
        // the next frame.
        await page.open(pagePath);
        const keys = await page.evaluate(() => {
          const line = document.getElementById('line');
          const enter = (text) => new Promise((done) => {
            line.value = text;
            const start = performance.now();
            line.dispatchEvent(new KeyboardEvent('keydown', { key: 'Enter', bubbles: true }));
            requestAnimationFrame(() => setTimeout(() => done(Math.round(performance.now() - start))));
          });
          return enter('1'.repeat(5000000)).then((first) => enter('').then((second) => enter('').then((third) => [first, second, third])));
        });
        console.log(`# a 5,000,000-digit line sent: ready after ${keys[0]} ms; the next two Enters ${keys[1]} and ${keys[2]} ms`);
      });

      test('screenshots after the seven values, on a desktop and a phone', { skip: !screenshotPath }, async () => {
        await page.open(pagePath, `#input=${encodeURIComponent(typicalLines.slice(0, 7).join(''))}`);
        await page.raw.screenshot({ path: screenshotPath.replace('.png', '-phone.png') });
        await page.raw.setViewport({ width: 900, height: 620 });
        await page.raw.screenshot({ path: screenshotPath });
      });
    }

    test('the page reported no errors', () => assert.deepEqual(page.errors, []));
  });
}

// No rule of axe-core broken, nothing wider than the phone's screen, and the
// input line in view.
async function checkLayout(page, moment) {
  await page.raw.addScriptTag({ path: axeScript });
  const { violations } = await page.evaluate(() => window.axe.run());
  assert.deepEqual(violations.map((violation) => violation.id), [], moment);
  assert.deepEqual(await page.evaluate(() => {
    const screen = document.getElementById('screen');
    const root = document.documentElement;
    const line = document.getElementById('line');
    const lineInView = line.disabled
      || line.getBoundingClientRect().bottom <= screen.getBoundingClientRect().bottom + 1;
    return [screen.scrollWidth - screen.clientWidth, screen.scrollLeft, root.scrollWidth - root.clientWidth, lineInView];
  }), [0, 0, 0, true], moment);
}
