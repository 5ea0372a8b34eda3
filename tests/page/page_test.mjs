// The web page in Chromium, Firefox and WebKit, against the console program
// and the screens the C++ tests expect:
//   node page_test.mjs PAGE PROGRAM SCREEN_WRITER COMPARED_INPUTS [--engines=E,...] [--screenshot=PNG]
// PROGRAM is the console program, SCREEN_WRITER tremovia_expected_screen,
// COMPARED_INPUTS a file of inputs, one a line, with \n for each line end.
// --seed=S and --actions=N run the random use from seed S for N actions
// (by default seed 1, 300 actions in Chromium and 100 in the others).
// WebKit needs a display: run it under xvfb-run.
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import { mkdtempSync, readFileSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { after, before, describe, test } from 'node:test';
import { fileURLToPath } from 'node:url';

import { engines, openBrowser, runInPage } from './page_driver.mjs';
import { randomUse } from './random_use.mjs';

const axeScript = fileURLToPath(import.meta.resolve('axe-core/axe.min.js'));
const documentationFigure = new URL('../../docs/worked-lens.svg', import.meta.url);
const documentationIrisFigure = new URL('../../docs/worked-lens-iris.svg', import.meta.url);

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
    notes: /afocal.*s1 = v1: surface 1 is flat, for the program and the textbook alike.*s2 is -inf: surface 2 is flat for the textbook.*the program's FO \(nan\), HO \(nan\)/,
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

// Lenses for the explorer, with the object where it stands by default (two
// textbook focal lengths before v1, rounded to 0.01 cm, 1 cm high) or as the
// address places it.
const explorerLenses = [
  { name: 'a converging lens', values: ['1', '1.5', '1', '0', '1', '10', '-10'], object: ['-21.29', '1'] },
  { name: 'a diverging lens', values: ['1', '1.5', '1', '0', '0.3', '-10', '10.3'], object: null },
  { name: 'a lens between air and water', values: ['1', '1.52', '1.33', '0', '1.2', '8', '-12'], object: ['-30', '2'] },
  { name: 'a virtual image', values: ['1', '1.5', '1', '0', '1', '10', '-10'], object: ['-5', '1'] },
];

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
            height: svg.viewBox.baseVal.height,
            y0: Number(svg.dataset.y0),
            yscale: Number(svg.dataset.yscale),
            media: [...svg.querySelectorAll('.medium')].map((node) => Number(/([0-9.]+)%\)/.exec(node.getAttribute('fill'))[1])),
            texts: [...svg.querySelectorAll('text')].map((node) => {
              const box = node.getBBox();
              return { text: node.textContent, tick: node.getAttribute('data-tick'), index: node.classList.contains('index'),
                ruler: Boolean(node.closest('[data-ruler]')), left: box.x, right: box.x + box.width, top: box.y, bottom: box.y + box.height };
            }),
            tickMarks: [...svg.querySelectorAll('line.tick')].filter((node) => node.getAttribute('x1') === node.getAttribute('x2')
              && !node.closest('[data-ruler]')).map((node) => Number(node.getAttribute('x1'))),
            rulerMarks: [...svg.querySelectorAll('[data-ruler] line')].filter((node) => node.getAttribute('y1') === node.getAttribute('y2'))
              .map((node) => Number(node.getAttribute('y1'))),
            // Each handle's box on the screen, and the boxes of the markers.
            handles: [...svg.querySelectorAll('[data-handle]')].map((node) => node.getBoundingClientRect().toJSON()),
            markers: [...svg.querySelectorAll('[data-point]:not(line), .centre, [data-image]')].map((node) => node.getBoundingClientRect().toJSON()),
            points: [...svg.querySelectorAll('[data-point^=F], [data-point^=H]')].map((node) => ({
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
        const ticks = figure.texts.filter((text) => text.tick !== null && !text.ruler);
        const heights = figure.texts.filter((text) => text.ruler);
        assert.ok(figure.shown ? heights.length >= 2 : heights.length === 0, `${heights.length} heights on the ruler`);
        heights.forEach((tick, i) => assert.ok(Math.abs(figure.rulerMarks[i] - (figure.y0 - figure.yscale * Number(tick.tick))) < 0.01,
          `ruler tick ${tick.tick} at ${figure.rulerMarks[i]}`));
        assert.ok(figure.shown ? ticks.length >= 2 : ticks.length === 0, `${ticks.length} ticks`);
        assert.deepEqual(ticks.map((tick) => tick.text), ticks.map((tick) => tick.tick));
        assert.equal(new Set(ticks.map((tick) => tick.tick)).size, ticks.length);
        ticks.forEach((tick, i) => assert.ok(Math.abs(figure.tickMarks[i] - (figure.x0 + figure.scale * Number(tick.tick))) < 0.01,
          `tick ${tick.tick} at ${figure.tickMarks[i]}`));
        figure.texts.forEach((text, i) => {
          assert.ok(text.left >= 0 && text.right <= 400 && text.top >= 0 && text.bottom <= figure.height, `${text.text} leaves the figure`);
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
        // Handles: touch targets, none over a marker or another handle.
        const apart = (a, b) => a.right <= b.left || b.right <= a.left || a.bottom <= b.top || b.bottom <= a.top;
        figure.handles.forEach((handle, i) => {
          assert.ok(handle.width >= 24 && handle.height >= 24, `a handle ${handle.width} by ${handle.height} px`);
          for (const other of figure.handles.slice(i + 1).concat(figure.markers)) assert.ok(apart(handle, other), 'a handle covers another, or a marker');
        });
        // Each medium shaded by its own index: the lighter, the lower.
        if (figure.shown && lens.values[0] !== lens.values[2]) assert.equal(figure.media[0] > figure.media[1], Number(lens.values[0]) < Number(lens.values[2]));
        for (const value of Object.values(shown)) assert.ok(figure.description.includes(`${value} cm`));
        if (lens.documentation && engine === 'chromium') {
          // With the real rays, as the documentation shows it; every line
          // of the readout inside the saved picture.
          await page.evaluate(() => document.querySelector('input[name=real-rays]').click());
          const [name, file] = await saved(page, 'save-figure');
          await page.evaluate(() => document.querySelector('input[name=real-rays]').click());
          assert.equal(name, 'tremovia-lens.svg');
          assert.deepEqual(await page.evaluate((text) => {
            const copy = document.body.appendChild(new DOMParser().parseFromString(text, 'image/svg+xml').documentElement);
            const box = copy.viewBox.baseVal;
            const outside = [...copy.querySelectorAll('text')].filter((node) => {
              const inner = node.getBBox();
              return inner.x < 0 || inner.x + inner.width > box.width || inner.y + inner.height > box.height;
            }).map((node) => node.textContent);
            copy.remove();
            return outside;
          }, file), [], 'the saved figure holds its text');
          // And with an iris, as the section on stops shows it.
          await page.evaluate(() => { location.hash += '&stop=-2,0.5'; });
          await page.waitFor(() => document.querySelector('#figure [data-stop]'));
          const [, withIris] = await saved(page, 'save-figure');
          for (const [figure, drawn] of [[documentationFigure, file], [documentationIrisFigure, withIris]]) {
            if (process.env.TREMOVIA_WRITE_FIGURE) writeFileSync(figure, drawn);
            assert.equal(drawn, readFileSync(figure, 'utf8'), `${figure.pathname} is the figure the page draws (TREMOVIA_WRITE_FIGURE=1 writes it)`);
          }
        }
      });
    }

    // The readout shows the console program's points and what the program's
    // optics compute, as the dialogue prints numbers; every point of each
    // drawn ray lies on the ray its source's matrices carry from the
    // object's tip, bent at v1 and v2; the image stands where they put it.
    for (const lens of explorerLenses) {
      test(`the explorer on ${lens.name}`, async () => {
        const placed = lens.object ? `&object=${lens.object.join(',')}` : '';
        await page.open(pagePath, `#input=${encodeURIComponent(lens.values.map((value) => `${value}\n`).join(''))}${'%0A'.repeat(7)}${placed}`);
        const summary = summaryPoints(lens.values);
        for (const source of ['textbook', 'program']) {
          await page.click(`input[name=rays][value=${source}]`);
          const shown = await page.evaluate((name) => {
            const svg = document.getElementById('figure');
            const read = (node) => Object.fromEntries([...node.attributes].map((a) => [a.name, a.value]));
            const object = svg.querySelector('[data-object]');
            const record = window.tremovia.lens();
            const optics = window.tremovia.explore({ x: Number(object.dataset.position), h: Number(object.dataset.height) }, { rays: name })[name];
            return {
              scales: ['x0', 'scale', 'y0', 'yscale'].map((one) => Number(svg.getAttribute(`data-${one}`))),
              readout: Object.fromEntries([...document.querySelectorAll('#readout tr[data-quantity]')].map((row) => [row.dataset.quantity,
                Object.fromEntries([...row.querySelectorAll('td')].map((cell) => [cell.dataset.source, cell.textContent]))])),
              computed: Object.fromEntries(['FI', 'FO', 'HI', 'HO'].map((one) => [one, window.tremovia.format(record[name][one])])
                .concat(['fI', 'fO', 'NI', 'NO'].map((one) => [one, window.tremovia.format(optics[one])]),
                  [['magnification', window.tremovia.format(optics.image.magnification)], ['image', window.tremovia.format(optics.image.position)]])),
              optics: optics, record: record[name], fO: record.textbook.HO - record.textbook.FO,
              rays: [...svg.querySelectorAll('polyline[data-ray]')].map(read),
              image: [...svg.querySelectorAll('[data-image]')].map(read),
              object: read(object),
              trace: [...document.querySelectorAll('#trace tr[data-plane]')].map((row) => [...row.cells].map((cell) => cell.title || cell.textContent)),
            };
          }, source);
          // The derivation's table: each row the printed matrix times the
          // row before, and S on the ray at v1 the row after R2.
          const entries = (text) => text.split('=')[1].match(/-?[0-9.]+/g).map(Number);
          // A row focused lights its stretch of the ray.
          assert.ok(await page.evaluate(() => {
            document.querySelector('#trace tr[data-plane=v2]').focus();
            return document.querySelector('#figure [data-stretch=v2]').classList.contains('lit');
          }));
          const rows = shown.trace.map((row) => [row[1], Number(row[2]), Number(row[3])]);
          assert.equal(rows.length, 6);
          for (const [i, [matrix, y, u]] of rows.entries()) {
            if (i === 0) continue;
            const [a, b, c, d] = entries(matrix);
            const [, y0, u0] = rows[i === 5 ? 1 : i - 1];
            const within = 1e-6 * (1 + Math.abs(a) + Math.abs(b) + Math.abs(c) + Math.abs(d)) * (1 + Math.abs(y0) + Math.abs(u0));
            for (const [got, want] of [[y, a * y0 + b * u0], [u, c * y0 + d * u0]].concat(i === 5 ? [[y, rows[4][1]], [u, rows[4][2]]] : [])) {
              assert.ok(Math.abs(got - want) <= within, `${source} trace row ${i}: ${got}, not ${want}`);
            }
          }
          for (const name of ['FI', 'FO', 'HI', 'HO']) {
            assert.equal(shown.readout[name][source], source === 'program' ? summary[`program ${name}`] : shown.computed[name], name);
          }
          for (const name of ['fI', 'fO', 'NI', 'NO', 'magnification']) assert.equal(shown.readout[name][source], shown.computed[name], `${source} ${name}`);
          const image = shown.optics.image;
          assert.ok(shown.readout.image[source].startsWith(`${shown.computed.image} (${image.virtual ? 'virtual' : 'real'})`));
          // The object two textbook focal lengths before v1, to 0.01 cm, 1 cm high.
          const object = lens.object ? lens.object.map(Number) : [Number(lens.values[3]) - 2 * Math.abs(shown.fO), 1];
          assert.deepEqual([Number(shown.object['data-position']), Number(shown.object['data-height'])], object);
          assert.deepEqual(shown.image.map((drawn) => [drawn['data-source'], drawn['data-virtual'], Number(drawn['data-position'])]),
            [[source, String(image.virtual), image.position]]);
          // Each ray in cm, on its path from the tip through the planes.
          assert.deepEqual(shown.rays.map((ray) => [ray['data-ray'], ray['data-source']]).sort(),
            ['focal', 'nodal', 'parallel'].map((name) => [name, source]));
          const [x0, scale, y0, yscale] = shown.scales;
          const { v1, v2 } = shown.record;
          for (const ray of shown.rays) {
            const planes = shown.optics.rays.find((one) => one.name === ray['data-ray']).planes;
            const [tip, atV1, afterR1, atV2, afterR2] = planes;
            const heightAt = (x) => (x <= v1 ? atV1.y + tip.u * (x - v1) : x <= v2 ? atV1.y + afterR1.u * (x - v1) : atV2.y + afterR2.u * (x - v2));
            const slopeAt = (x) => (x <= v1 ? tip.u : x <= v2 ? afterR1.u : afterR2.u);
            const points = ray.points.split(' ').map((point) => point.split(',').map(Number)).map(([x, y]) => [(x - x0) / scale, (y0 - y) / yscale]);
            assert.ok(Math.abs(points[0][0] - object[0]) * scale < 0.02 && Math.abs(points[0][1] - object[1]) * yscale < 0.02,
              `${source} ${ray['data-ray']} starts at ${points[0]}, not at the tip`);
            for (const [x, y] of points) {
              // Within the two decimals of the pixels, along a steep ray too.
              assert.ok(Math.abs(y - heightAt(x)) * yscale < 0.02 + Math.abs(slopeAt(x)) * yscale / scale / 100,
                `${source} ${ray['data-ray']}: ${y} at ${x}, not ${heightAt(x)}`);
            }
          }
        }
        await page.click('input[name=rays][value=textbook]');
        // Real rays: each starts parallel at its height, meets each sphere
        // on its vertex's side, and keeps n sin(angle to the normal) there.
        await page.evaluate(() => document.querySelector('input[name=real-rays]').click());
        const fan = await page.evaluate(() => {
          const svg = document.getElementById('figure');
          return {
            scales: ['x0', 'scale', 'y0', 'yscale'].map((name) => Number(svg.getAttribute(`data-${name}`))),
            rays: [...svg.querySelectorAll('[data-real-ray]')].map((node) => [node.dataset.realRay, Number(node.dataset.height),
              node.dataset.crossing, node.getAttribute('points')]),
            marginal: document.querySelector('[data-quantity=marginal-focus] [data-source=textbook]').textContent,
          };
        });
        await page.evaluate(() => document.querySelector('input[name=real-rays]').click());
        const [x0, scale, y0, yscale] = fan.scales;
        const [n0, n1, n2, v1, v2, s1, s2] = lens.values.map(Number);
        const through = fan.rays.filter((ray) => ray[0] === 'through');
        assert.ok(fan.rays.length >= 7 && through.length >= 6, `${through.length} of ${fan.rays.length} real rays through`);
        assert.equal(fan.marginal, Number(through[through.length - 1][2]).toFixed(6));
        for (const [, height, , text] of through) {
          const [start, first, second, end] = text.split(' ').map((point) => point.split(',').map(Number))
            .map(([x, y]) => [(x - x0) / scale, (y0 - y) / yscale]);
          const pixel = 0.01 / Math.min(scale, yscale);
          assert.ok(Math.abs(start[1] - height) < pixel, `starts at ${start[1]}, not ${height}`);
          const unit = (p, q) => [(q[0] - p[0]) / Math.hypot(q[0] - p[0], q[1] - p[1]), (q[1] - p[1]) / Math.hypot(q[0] - p[0], q[1] - p[1])];
          const inside = unit(first, second);
          // The outermost ray meets both surfaces where they meet.
          const sides = first[0] === second[0] ? [] : [[first, v1, s1, n0, n1, [1, 0], inside], [second, v2, s2, n1, n2, inside, unit(second, end)]];
          for (const [hit, v, c, before, after, into, out] of sides) {
            const radius = Math.abs(c - v);
            assert.ok(Math.abs(Math.hypot(hit[0] - c, hit[1]) - radius) < 2 * pixel && (hit[0] - c) * (v - c) > 0, `${hit} is not on the sphere about ${c}`);
            const normal = [(hit[0] - c) / radius, hit[1] / radius];
            const sine = (d) => d[0] * normal[1] - d[1] * normal[0];
            assert.ok(Math.abs(before * sine(into) - after * sine(out)) < 0.02, `Snell's law at ${hit}: ${before * sine(into)} against ${after * sine(out)}`);
          }
        }
      });
    }

    // Lenses and objects at the edges a student reaches, each with what
    // must hold there; the exact values are the textbook's, worked by hand.
    const worked = ['1', '1.5', '1', '0', '1', '10', '-10'];
    const edgeLenses = [
      { name: 'a flat first surface, typed s = v', values: ['1', '1.5', '1', '0', '1', '0', '-10'],
        check: (seen) => assert.deepEqual(['FI', 'FO', 'HI', 'HO'].map((name) => seen.readout[name].textbook),
          ['23.000000', '-21.333333', '1.000000', '0.666667']) },
      { name: 'a glass plate and an afocal pair', values: ['1', '1.5', '1', '0', '1', '0', '1'], also: ['1', '2', '1', '0', '4', '-2', '0'],
        check: (seen) => {
          assert.match(seen.readout.FI.textbook, /afocal: no focal points/);
          assert.deepEqual([seen.readout.fI.textbook, seen.readout.fO.textbook, seen.rays], ['infinite (afocal)', 'infinite (afocal)', ['parallel']]);
          assert.match(seen.readout.image.textbook, /^-?[0-9]+\.[0-9]{6} \((real|virtual)\)/);
          assert.match(seen.notes, /afocal: no focal points/);
        } },
      { name: 'the plano-convex example, its flat side a billion cm off', values: ['1', '1.5', '1', '0', '1', '10', '1e9'],
        check: (seen) => {
          assert.deepEqual(seen.far, ['1000000000.000000']);
          assert.ok(seen.lensWidth >= 3 && Number(seen.scale) > 2, `the lens ${seen.lensWidth} wide, ${seen.scale} a cm`);
        } },
      { name: 'an object at -1e308', values: worked, object: '-1e308,1',
        check: (seen) => assert.match(seen.readout.image.textbook, /^11\.290323 \(real\)/) },
      { name: 'an object near FO', values: worked, object: '-10.3,1',
        check: async (seen) => {
          assert.match(seen.imageLabel, /^image at -[0-9.…e]+ cm$/);
          await page.evaluate(() => document.querySelector('[data-handle=object]').focus());
          await page.press('ArrowLeft');
          assert.deepEqual(await page.evaluate(() => [/object=.*/.exec(location.hash)[0], document.getElementById('figure').dataset.scale]),
            ['object=-10.4,1', seen.scale], 'one step past FO, the scale stays');
        } },
      { name: 'an object behind the lens', values: worked, object: '30,1',
        check: (seen) => {
          assert.equal(seen.virtualObject, 3);
          assert.ok(seen.rayStarts.every((x) => x < seen.v1px), 'the rays come from the left');
        } },
      { name: 'an object inside the glass', values: worked, object: '0.5,1',
        check: (seen) => {
          assert.match(seen.status, /could not be read whole: .*an object at 0\.5 cm, inside the lens/);
          assert.ok(Math.abs(Number(seen.objectAt) + 660 / 31) < 1e-12, `the object at ${seen.objectAt}`);
        } },
      { name: 'an infinite vertex: the object stands outside the glass, 2 cm before it', values: ['1', '1.5', '1', 'inf', '-13.22', '-1.66', '-1'],
        check: (seen) => assert.equal(seen.objectAt, '-15.22') },
      // Each fault once found between the named cases, with what holds now.
      { name: 'real rays from an object far off: the marginal focus of the lens, not of the view', values: worked,
        objects: ['-1e8,1', '-1e12,1', '-1e200,1'], extra: '&real-rays=on',
        check: (seen) => assert.deepEqual([seen.readout['marginal-focus'].textbook, seen.readout['spherical-aberration'].textbook,
          seen.realEnds], ['9.610299', '-1.680023', 'through '.repeat(7)]) },
      { name: 'a lens afocal in exact arithmetic, whose S21 in double is 1.5e-17', values: ['1', '1.5', '1', '0', '60', '10', '50'],
        check: (seen) => {
          assert.equal(seen.readout.FI.textbook, 'none (afocal: no focal points)');
          assert.match(seen.notes, /textbook's S21 is zero within the rounding of its terms/);
          assert.ok(Number(seen.scale) > 1, `${seen.scale} a cm`);
        } },
      { name: 'no real rays, and why', values: ['1', '-1.5', '1', '0', '1', '10', '-10'], also: ['1', '1.5', '1', '1', '0', '10', '-10'],
        extra: '&real-rays=on',
        check: (seen) => {
          assert.match(seen.notes, /No real rays: (they need indices that are positive numbers|the lens cannot be built with v1 > v2)/);
          assert.match(seen.readout['marginal-focus'].textbook, /^none: /);
          assert.deepEqual([seen.readout['paraxial-height'].textbook, seen.realEnds], ['none', '']);
        } },
      { name: 'a glass plate: real rays leave parallel; the ruler clear of its labels', values: ['1', '1.5', '1', '0', '1', '0', '1'],
        extra: '&real-rays=on',
        check: (seen) => {
          assert.equal(seen.readout['marginal-focus'].textbook, 'at infinity: the rays leave parallel to the axis');
          assert.ok(seen.rulerLabels.every((right) => right < seen.rulerX), `labels end at ${seen.rulerLabels}, the line at ${seen.rulerX}`);
        } },
      { name: 'a meniscus too thin to see: drawn wider, its arcs kept', values: ['1', '1.5', '1', '0', '0.5', '5', '10'],
        check: (seen) => {
          assert.match(seen.notes, /drawn [0-9.]+ times as wide as it is/);
          assert.equal((seen.lensPath.match(/ A /g) || []).length, 2);
        } },
      { name: 'an aperture refused or beyond the lens said beside its field; one within it the rays reach', values: worked, extra: '&real-rays=on',
        check: async () => {
          for (const [text, reached] of [['5', 3.197558], ['-1', null], ['abc', null], ['1,5', null], ['2', 2]]) {
            await page.evaluate(() => { const one = document.querySelector('input[name=aperture]'); one.focus(); one.select(); });
            await page.press('Backspace');
            await page.type(`${text}\n`);
            const [message, outermost] = await page.evaluate(() => [document.getElementById('aperture-message').textContent,
              Math.max(...[...document.querySelectorAll('[data-real-ray]')].map((ray) => Number(ray.dataset.height)))]);
            assert.equal(message === '', text === '2', `"${text}": ${message}`);
            if (reached !== null) assert.ok(Math.abs(outermost - reached) < 1e-6, `"${text}": the rays reach ${outermost}`);
          }
        } },
      { name: 'the glass moved over the object: it goes back to its usual place, and says so', values: worked, object: '-21.29,1',
        check: async () => {
          await page.evaluate(() => { const one = document.querySelector('#values [name=v1]'); one.focus(); one.select(); });
          await page.press('Backspace');
          await page.type('-25\n');
          const [status, at] = await page.evaluate(() => [document.getElementById('status').textContent,
            Number(document.querySelector('[data-object]').dataset.position)]);
          assert.match(status, /The object stood at -21\.29 cm, inside the lens as it is now/);
          assert.ok(at < -25, `the object at ${at}`);
        } },
    ];
    for (const lens of edgeLenses) {
      test(`the explorer at an edge: ${lens.name}`, async () => {
        for (const values of [lens.values, lens.also].filter(Boolean)) {
          for (const object of lens.objects || [lens.object]) {
            await page.open(pagePath, `#input=${encodeURIComponent(values.map((value) => `${value}\n`).join(''))}${'%0A'.repeat(7)}`
              + (object ? `&object=${object}` : '') + (lens.extra || ''));
            await lens.check(await page.evaluate(() => {
              const svg = document.getElementById('figure');
              const x = (cm) => Number(svg.dataset.x0) + Number(svg.dataset.scale) * cm;
              const lens = svg.querySelector('.lens');
              const lensBox = lens ? lens.getBBox() : { width: 0 };
              const label = svg.querySelector('[data-label=image]');
              const rulerLine = svg.querySelector('[data-ruler] line');
              return {
                readout: Object.fromEntries([...document.querySelectorAll('#readout tr[data-quantity]')].map((row) => [row.dataset.quantity,
                  Object.fromEntries([...row.querySelectorAll('td')].map((cell) => [cell.dataset.source, cell.title || cell.textContent]))])),
                rays: [...svg.querySelectorAll('polyline[data-ray]')].map((ray) => ray.dataset.ray),
                rayStarts: [...svg.querySelectorAll('polyline[data-ray]')].map((ray) => Number(ray.getAttribute('points').split(',')[0])),
                realEnds: [...svg.querySelectorAll('[data-real-ray]')].map((ray) => `${ray.dataset.realRay} `).join(''),
                virtualObject: svg.querySelectorAll('[data-virtual-object]').length,
                v1px: x(window.tremovia.lens().v1),
                notes: document.getElementById('figure-notes').textContent,
                status: document.getElementById('status').textContent,
                far: [...svg.querySelectorAll('[data-far]')].map((node) => node.dataset.far),
                lensWidth: lensBox.width,
                lensPath: lens ? lens.getAttribute('d') : '',
                rulerX: Number(rulerLine.getAttribute('x1')),
                rulerLabels: [...svg.querySelectorAll('[data-ruler] text')].map((text) => text.getBBox().x + text.getBBox().width),
                imageLabel: label ? label.textContent : '',
                objectAt: svg.querySelector('[data-object]').dataset.position,
                scale: svg.dataset.scale,
              };
            }));
          }
        }
      });
    }

    // The worked lens with an iris 0.5 cm across at -2: the values the
    // documentation works by hand, the stop and pupils where they stand, the
    // chief ray through the stop's centre, the marginal ray past its edge;
    // then the handle, the chief ray in the derivation's table, and the
    // iris put where each edge is told plainly.
    test('the stop, the pupils and the field', async () => {
      await page.open(pagePath, `#input=${encodeURIComponent(typicalLines.slice(0, 14).join(''))}&stop=-2,0.5`);
      const seen = await page.evaluate(() => {
        const svg = document.getElementById('figure');
        const at = (node) => [Number(node.dataset.position), Number(node.dataset.radius)];
        const cm = (node) => node.getAttribute('points').split(' ').map((point) => point.split(',').map(Number))
          .map(([x, y]) => [(x - Number(svg.dataset.x0)) / Number(svg.dataset.scale), (Number(svg.dataset.y0) - y) / Number(svg.dataset.yscale)]);
        return {
          rows: Object.fromEntries([...document.querySelectorAll('#readout tr[data-row]')]
            .map((row) => [row.dataset.row, row.querySelector('[data-source=textbook]').textContent])),
          marks: ['[data-stop]', '[data-pupil=entrance]', '[data-pupil=exit]', '[data-window=entrance]'].map((one) => at(svg.querySelector(one))),
          chief: cm(svg.querySelector('[data-ray=chief]')),
          marginal: cm(svg.querySelector('[data-ray=marginal]')),
        };
      });
      assert.deepEqual(seen.rows['aperture-stop'], 'the iris');
      assert.deepEqual(['entrance-pupil', 'exit-pupil', 'f-number', 'numerical-aperture'].map((row) => seen.rows[row].match(/-?[0-9]+\.[0-9]{6}/g)),
        [['-2.000000', '0.500000'], ['-2.325581', '0.639535'], ['10.645161', '18.722960'], ['0.025920', '0.026705']]);
      assert.match(seen.rows['field-stop'], /^surface 2's rim; /);
      assert.deepEqual(seen.marks.slice(0, 2), [[-2, 0.5], [-2, 0.5]]);
      assert.ok(Math.abs(seen.marks[2][0] + 100 / 43) < 1e-9 && Math.abs(seen.marks[2][1] - 55 / 86) < 1e-9, `the exit pupil at ${seen.marks[2]}`);
      // Through the stop's plane: the chief ray at its centre, the marginal at its edge.
      const heightAt = (points, x) => {
        const i = points.findIndex((point) => point[0] >= x);
        const [p, q] = [points[i - 1], points[i]];
        return p[1] + (q[1] - p[1]) * (x - p[0]) / (q[0] - p[0]);
      };
      assert.ok(Math.abs(heightAt(seen.chief, -2)) < 0.02 && Math.abs(heightAt(seen.marginal, -2) - 0.5) < 0.02,
        `at the stop: chief ${heightAt(seen.chief, -2)}, marginal ${heightAt(seen.marginal, -2)}`);
      await page.evaluate(() => document.querySelector('[data-handle=stop]').focus());
      await page.press('ArrowRight');
      assert.deepEqual(await page.evaluate(() => [document.querySelector('[data-handle=stop]').getAttribute('aria-valuenow'),
        document.querySelector('input[name=stop-position]').value, /&stop=.*$/.exec(location.hash)[0]]), ['-1.9', '-1.9', '&stop=-1.9,0.5']);
      await page.click('input[name=trace-ray][value=chief]');
      assert.deepEqual(await page.evaluate(() => [...document.querySelectorAll('#trace tbody tr')].map((row) => row.dataset.plane)
        .concat(Math.abs(Number(document.querySelector('#trace tr[data-plane=stop] td[data-y]').textContent)))), ['object', 'stop', 'v1', 'R1', 'v2', 'R2', 0]);
      await page.click('input[name=stop]');
      assert.deepEqual(await page.evaluate(() => [/&stop=.*$/.exec(location.hash)[0], document.querySelectorAll('#figure [data-stop]').length]),
        ['&stop=off,-1.9,0.5', 0]);
      // Each edge told plainly: the iris at FI or FO (a pupil at infinity),
      // at a vertex, wider than the lens; a virtual object.
      const told = [['11.290322580645162,0.5', '', /Telecentric in object space: the entrance pupil is at infinity/],
        ['-10.32258064516129,0.5', '', /Telecentric in image space: the exit pupil is at infinity/],
        ['1,0.5', '', /The iris stands at v2, in the plane of the surface/], ['-2,5', '', /The iris \(radius 5\.000000 cm\) is wider than the lens/],
        ['-2,0.5', '&object=3,1', /The object is virtual/], ['1e308,4.9', '', /The iris stands at 1000.*beyond the figure/]];
      for (const [stop, more, note] of told) {
        await page.open(pagePath, `#input=${encodeURIComponent(typicalLines.slice(0, 14).join(''))}&stop=${stop}${more}`);
        assert.match(await page.evaluate(() => document.getElementById('figure-notes').textContent), note, stop);
      }
    });

    // What a terminal shows after `lines` are typed, by the console program.
    const terminalScreen = (lines) => {
      const console = native(lines.map((line) => `${line}\n`).join(''));
      const waits = [...console.matchAll(/press >ENTER< ?\n|To (?:proceed|summary|end) press >Enter</g)].map((found) => found.index + found[0].length);
      return lines.map((line, i) => console.slice(i === 0 ? 0 : waits[i - 1], waits[i]) + line + '\n').join('')
        + console.slice(waits[lines.length - 1], waits[lines.length]);
    };

    test('the session: pauses kept, a burst of keys one entry, Back after the panel, an ended run kept, the object and -0 kept, a long session reachable', async () => {
      await page.open(pagePath);
      await page.evaluate(() => { HTMLAnchorElement.prototype.click = () => {}; });
      for (const button of ['#save', '#share']) await page.click(button);
      const values = ['1', '1.5', '1', '0', '1', '10', '-10'];
      for (const value of values) await page.type(`${value}\n`);
      const { screen: typical, waits } = expected('typical');
      assert.equal(await screenText(page), values.map((value, i) => typical.slice(i ? waits[i - 1] : 0, waits[i]) + value + '\n').join('')
        + typical.slice(waits[6], waits[7]), 'after Save and Copy link the keys reach the line');
      await page.type('xy\n');  // three pauses answered
      const typed = await state(page);
      await page.evaluate(() => document.querySelector('[data-handle=v2]').focus());
      for (let i = 0; i < 55; i += 1) await page.press('ArrowRight');
      await page.press('ArrowLeft');
      const changed = ['1', '1.5', '1', '0', '6.4', '10', '-10', '', '', ''];
      assert.equal(await screenText(page), terminalScreen(changed), 'the dialogue stays at the pause it had reached');
      // The object two focal lengths before the lens, pinned there.
      const pinned = await page.evaluate(() => document.querySelector('[data-object]').dataset.position);
      assert.ok(Math.abs(Number(pinned) + 660 / 31) < 1e-12, `the object at ${pinned}`);
      assert.equal((await state(page)).address, `#input=${encodeURIComponent(changed.map((line) => `${line}\n`).join(''))}&object=${pinned},1`);
      const back = async (address) => {
        await page.evaluate(() => history.back());
        await page.waitFor((to) => location.hash === to, address);
      };
      // The focus elsewhere ends the burst: the next key opens an entry,
      // and the session typed is still one click away after two changes.
      const burst = await state(page);
      await page.evaluate(() => document.querySelector('[data-handle=s2]').focus());
      await page.evaluate(() => document.querySelector('[data-handle=v2]').focus());
      await page.press('ArrowRight');
      await back(burst.address);
      await page.evaluate(() => document.querySelector('[data-handle=s2]').focus());
      await page.press('ArrowRight');
      await page.click('#typed-session');
      assert.equal((await state(page)).address, typed.address, 'the session typed, one click away');
      await back(burst.address.replace('-10%0A%0A', '-9.9%0A%0A'));
      await back(burst.address);
      await back(typed.address);
      const field = async (name, text) => {
        await page.evaluate((given) => { const one = document.querySelector(`#values [name=${given}]`); one.value = ''; one.focus(); }, name);
        await page.type(`${text}\n`);
      };
      await field('n1', '1.6');
      await back(typed.address);
      await page.click('#end');
      await page.evaluate(() => document.querySelector('[data-handle=s1]').focus());
      await page.press('ArrowRight');
      assert.ok((await state(page)).address.endsWith(`&ended=1&object=${pinned},1`), 'an ended run stays ended');
      assert.equal(await page.evaluate(() => document.getElementById('restart').hidden), false);
      await page.evaluate(() => document.querySelector('[data-handle=object]').focus());
      await page.press('ArrowRight');
      await page.reload();
      assert.equal(await page.evaluate(() => document.querySelector('[data-object]').dataset.position), String(Number((Number(pinned) + 0.1).toPrecision(15))),
        'the object over a reload');
      await field('v1', '-0');
      assert.match((await state(page)).address, /^#input=1%0A1\.5%0A1%0A-0%0A/, '-0 kept');
      // A session too long for a link, changed, is there again after Back.
      await page.click('#restart');
      for (const value of values) await page.type(`${value}\n`);
      // Over 1 MiB: held by the page, not by the history entry.
      await page.evaluate(() => { document.getElementById('line').value = 'x'.repeat(1100000); });
      await page.press('Enter');
      const long = await screenText(page);
      await page.evaluate(() => document.querySelector('[data-handle=v2]').focus());
      await page.press('ArrowRight');
      await back('#too-long-for-a-link');
      assert.equal(await screenText(page), long);
      assert.equal((await state(page)).status, 'This session is too long for a link: Save keeps it as text. The run has ended. Run again starts a new one.');
    });

    test('a handle dragged and a value typed into the panel replay the dialogue for the new values', async () => {
      const typed = ['1', '1.5', '1', '0', '1', '10', '-10', ...Array(7).fill('')];
      await page.open(pagePath, `#input=${encodeURIComponent(typed.map((line) => `${line}\n`).join(''))}`);
      if (engine === 'chromium') {
        // A pointer drag of v2 to 1.5 cm, by the scale the figure had.
        const [from, to] = await page.evaluate(() => {
          const svg = document.getElementById('figure');
          const handle = svg.querySelector('[data-handle=v2]');
          const box = handle.getBoundingClientRect();
          const toScreen = svg.getScreenCTM();
          const x = Number(svg.dataset.x0) + Number(svg.dataset.scale) * 1.5;
          return [[box.x + box.width / 2, box.y + box.height / 2], [toScreen.a * x + toScreen.e, box.y + box.height / 2]];
        });
        await page.raw.mouse.move(...from);
        await page.raw.mouse.down();
        await page.raw.mouse.move(to[0], to[1], { steps: 4 });
        await page.raw.mouse.up();
      } else {
        await page.evaluate(() => document.querySelector('[data-handle=v2]').focus());
        for (let i = 0; i < 5; i += 1) await page.press('ArrowRight');
        assert.equal(await page.evaluate(() => document.activeElement.getAttribute('data-handle')), 'v2', 'the focus stays on the handle');
      }
      typed[4] = '1.5';
      await page.evaluate(() => { document.querySelector('#values [name=n1]').value = ''; document.querySelector('#values [name=n1]').focus(); });
      await page.type('1.6 \n');
      typed[1] = '1.6';
      const session = typed.map((line) => `${line}\n`).join('');
      assert.equal(await screenText(page), terminalScreen(typed));
      // The object that followed the lens stays where it stood.
      const pinned = await page.evaluate(() => document.querySelector('[data-object]').dataset.position);
      assert.ok(Math.abs(Number(pinned) + 660 / 31) < 1e-12, `the object at ${pinned}`);
      const address = `#input=${encodeURIComponent(session)}&object=${pinned},1`;
      assert.equal((await state(page)).address, address);
      await page.evaluate(() => { document.querySelector('#values [name=s2]').value = '1,5'; document.querySelector('#values [name=s2]').focus(); });
      await page.press('Enter');
      assert.deepEqual(await page.evaluate(() => [document.querySelector('#values [name=s2]').getAttribute('aria-invalid'), location.hash]),
        ['true', address], 'a value that is not a number changes nothing');
    });

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
      // Its figure whole: an address holding "#" unescaped would end it.
      await page.waitFor(() => [...document.querySelector('#documentation iframe').contentDocument.images].some((image) => image.complete));
      assert.ok(await page.evaluate(() => [...document.querySelector('#documentation iframe').contentDocument.images]
        .every((image) => image.naturalWidth > 0)), 'the documentation\'s figure shows');
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
      await page.waitFor(() => !document.getElementById('documentation').open && document.activeElement.id === 'line');
      await page.type('1,5\n');
      assert.match(await screenText(page), /\n1\n.*\n1,5\n.*n1 = 1\.000000.*n2 = 5\.000000.*vervex and press >ENTER< \n$/s,
        'keys reach the line after the documentation');
      assert.match((await state(page)).status, /the program read n1 as "1", n2 as "5": .*the decimal separator is a point/);
      for (const [line, read] of [['1.5cm', /read v1 as "1\.5", no number for v2:/], ['abc', /read no number for s1, no number for s2:/]]) {
        await page.type(`${line}\n`);
        assert.match((await state(page)).status, read, line);
      }
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
      const whole = `${screen.slice(0, waits[0])}${'\n'.repeat(100000)}1\n${screen.slice(waits[0], waits[1])}`;
      assert.equal((await saved(page))[1], whole);
      assert.equal(await page.evaluate(() => document.querySelectorAll('.folded').length), 0, 'short lines are not folded');
      await page.reload();
      assert.equal(await screenText(page), whole, 'the tab keeps the session');
      assert.equal((await state(page)).status, 'This session is too long for a link: Save keeps it as text.');
    });

    if (engine === 'chromium') {
      test('the figure takes the phone\'s width and half a desktop\'s, its text at least 11 px high', async () => {
        await page.open(pagePath, `#input=${encodeURIComponent(typicalLines.slice(0, 14).join(''))}`);
        await page.waitFor(() => !document.getElementById('figure-box').hidden);
        const room = () => page.evaluate(() => {
          const svg = document.getElementById('figure');
          const heights = [...svg.querySelectorAll('text')].map((text) => parseFloat(getComputedStyle(text).fontSize) * svg.getScreenCTM().a);
          return [svg.getBoundingClientRect().width / window.innerWidth, Math.min(...heights)];
        });
        const [phoneShare, phoneText] = await room();
        assert.ok(phoneShare > 0.9 && phoneText >= 11, `${phoneShare} of the width, text ${phoneText} px`);
        // Leaving a phone's viewport reloads the page.
        await page.raw.setViewport({ width: 1280, height: 800 });
        await page.waitFor(() => window.tremovia && !document.getElementById('figure-box').hidden);
        const [desktopShare, desktopText] = await room();
        await page.raw.setViewport({ width: 390, height: 844, isMobile: true, hasTouch: true });
        assert.ok(desktopShare >= 0.5 && desktopText >= 11, `${desktopShare} of the width, text ${desktopText} px`);
      });

      test('on a phone: examples from the first screen, opened only when chosen; labels on their lines; the readout within the page', async () => {
        await page.open(pagePath);
        const examples = await page.evaluate(() => document.getElementById('examples').getBoundingClientRect().toJSON());
        assert.ok(examples.height > 0 && examples.bottom <= 844, 'the examples on the first screen');
        await page.evaluate(() => document.getElementById('examples').focus());
        for (const key of ['ArrowDown', 'ArrowDown']) await page.press(key);
        assert.equal((await state(page)).address, '#input=', 'browsing the list opens nothing');
        await page.press('Tab');
        assert.equal(await page.evaluate(() => document.getElementById('examples').value), '', 'the list shows what is open');
        await page.evaluate(() => document.getElementById('examples').focus());
        for (const key of ['ArrowDown', 'ArrowDown']) await page.press(key);
        await page.press('Enter');
        assert.equal((await state(page)).address, `#input=${encodeURIComponent('1\n1.52\n1.33\n0\n1.2\n8\n-12\n\n\n\n\n\n\n\n')}`);
        assert.match(await screenText(page), /To end press >Enter<$/, 'an example stops at the last wait');
        // A lens of numbers 1e300 wide: shortened, whole in their titles,
        // and nothing wider than the screen.
        await page.open(pagePath, `#input=${encodeURIComponent('1\n1.5\n1\n0\n1\n1e300\n-10\n')}`);
        await page.click('input[name=rays][value=program]');
        assert.match(await page.evaluate(() => document.getElementById('figure-notes').textContent), /program's rays are drawn once its four points are on the screen/);
        await page.open(pagePath, `#input=${encodeURIComponent(`1\n1.5\n1\n0\n1\n1e300\n-10\n${'\n'.repeat(7)}`)}`);
        await page.click('input[name=rays][value=program]');
        const fits = await page.evaluate(() => {
          const box = document.getElementById('figure-box');
          const cells = [...document.querySelectorAll('#readout td[title], #trace td[title]')];
          return {
            wider: box.scrollWidth - box.clientWidth,
            shortened: cells.length > 0 && cells.every((cell) => cell.title.length > cell.textContent.length && /…e/.test(cell.textContent)),
            lines: [...box.querySelectorAll('label'), ...document.querySelectorAll('footer label')].filter((label) => label.getBoundingClientRect().height > 40).length,
          };
        });
        assert.deepEqual(fits, { wider: 0, shortened: true, lines: 0 });
      });

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
        // One change in the explorer, from the start of a frame to that
        // frame drawn (a task after the frame's rendering): an arrow key on
        // v2's handle, which replays the session and changes the dialogue,
        // the readout, the derivation's table and the figure; the real rays
        // turned on; a key with them on.
        await page.open(pagePath, `#input=${encodeURIComponent(typicalLines.slice(0, 14).join(''))}`);
        const frames = await page.evaluate(async () => {
          const frame = () => new Promise((done) => requestAnimationFrame(done));
          const toFrame = async (count, change, before = () => {}) => {
            const times = [];
            for (let i = 0; i < count; i += 1) {
              before();
              await frame();
              times.push(await new Promise((done) => requestAnimationFrame(() => {
                const start = performance.now();
                change(i);
                setTimeout(() => done(performance.now() - start));
              })));
            }
            times.sort((a, b) => a - b);
            return `median ${times[count >> 1].toFixed(1)} ms, slowest ${times[count - 1].toFixed(1)} ms`;
          };
          const key = (i) => document.querySelector('[data-handle=v2]')
            .dispatchEvent(new KeyboardEvent('keydown', { key: i % 2 ? 'ArrowLeft' : 'ArrowRight', bubbles: true }));
          const fan = document.querySelector('input[name=real-rays]');
          const keys = await toFrame(81, key);
          const turnedOn = await toFrame(21, () => fan.click(), () => fan.checked && fan.click());
          const keysWithFan = await toFrame(81, key);
          fan.click();
          // A page before the iris has none: it gives its key time again.
          const iris = document.querySelector('input[name=stop]');
          if (iris) iris.click();
          const keysWithIris = await toFrame(81, key);
          return [keys, turnedOn, keysWithFan, keysWithIris];
        });
        console.log(`# from a change in the explorer at a frame's start to that frame drawn: a key on a handle ${frames[0]}; `
          + `the real rays turned on ${frames[1]}; a key with them on ${frames[2]}; a key with the iris in ${frames[3]}`);
      });

      test('screenshots of the worked lens at its summary, with real rays, on a desktop and a phone', { skip: !screenshotPath }, async () => {
        await page.open(pagePath, `#input=${encodeURIComponent(typicalLines.slice(0, 14).join(''))}`);
        await page.evaluate(() => document.querySelector('input[name=real-rays]').click());
        await page.evaluate(() => document.getElementById('figure-box').scrollIntoView());
        await page.raw.screenshot({ path: screenshotPath.replace('.png', '-phone.png') });
        await page.raw.setViewport({ width: 1280, height: 800 });
        await page.waitFor(() => window.tremovia && !document.getElementById('figure-box').hidden);
        assert.ok(await page.evaluate(() => document.querySelector('input[name=real-rays]').checked), 'the address keeps the real rays');
        await page.raw.screenshot({ path: screenshotPath });
      });
    }

    const actions = Number(option('actions') || (engine === 'chromium' ? 300 : 100));
    const seed = Number(option('seed') || 1);
    test(`random use: seed ${seed}, ${actions} actions`, () => randomUse(page, pagePath, { seed: seed, count: actions }));

    test('the page reported no errors', () => assert.deepEqual(page.errors, []));
  });
}

// No rule of axe-core broken, nothing wider than the phone's screen, and the
// input line in view.
async function checkLayout(page, moment) {
  await page.raw.addScriptTag({ path: axeScript });
  // Not inside the documentation's frame, whose origin is its own.
  const { violations } = await page.evaluate(() => window.axe.run(document, { iframes: false }));
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
