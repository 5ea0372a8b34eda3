// The page used at random, as a student might: a seeded sequence of
// actions, and after each the promises that must hold whatever came before.
//   await randomUse(page, pagePath, { seed, actions })
// A failure names its seed and the action's index; --seed=S --actions=N
// replays it up to there.
import assert from 'node:assert/strict';

// A generator of numbers in [0, 1) from a seed (mulberry32).
const generator = (seed) => () => {
  seed = (seed + 0x6d2b79f5) | 0;
  let t = Math.imul(seed ^ (seed >>> 15), 1 | seed);
  t = (t + Math.imul(t ^ (t >>> 7), 61 | t)) ^ t;
  return ((t ^ (t >>> 14)) >>> 0) / 4294967296;
};

const extremes = ['1e-9', '1e9', '1e308', '-0', '0', '-3', 'nan', 'inf', '1,5', 'abc'];
const valueNames = ['n0', 'n1', 'n2', 'v1', 'v2', 's1', 's2'];

// What the page shows, read in it: everything the promises speak of; in
// another tab, what a link to it shows.
const snapshot = () => {
  const figure = document.getElementById('figure');
  const drawn = !document.getElementById('figure-box').hidden;
  const box = (node) => node.getBBox();
  const client = (node) => node.getBoundingClientRect().toJSON();
  // A marker's painted box: its geometry and half its stroke. Firefox's own
  // box for a stroked shape is wider than what it paints.
  const painted = (node) => {
    const b = node.getBBox();
    const m = node.getScreenCTM();
    const half = parseFloat(getComputedStyle(node).strokeWidth) / 2 || 0;
    const left = m.a * (b.x - half) + m.e;
    const top = m.d * (b.y - half) + m.f;
    const width = m.a * (b.width + 2 * half);
    const height = m.d * (b.height + 2 * half);
    return { x: left, y: top, width, height, left, top, right: left + width, bottom: top + height };
  };
  const cells = [...document.querySelectorAll('#readout td, #trace td')];
  const texts = [...figure.querySelectorAll('#figure-drawing text')];
  const media = [...figure.querySelectorAll('rect.medium')].map(box);
  const rulerLine = figure.querySelector('[data-ruler] line');
  const lens = window.tremovia.lens();
  const attributes = [...document.querySelectorAll('*')].flatMap((node) => [...node.attributes]
    .filter((a) => /NaN|Infinity/.test(a.value)).map((a) => `${node.localName} ${a.name}="${a.value.slice(0, 80)}"`));
  return {
    address: location.hash,
    screen: document.getElementById('screen').textContent,
    status: document.getElementById('status').textContent,
    reports: (window.pageReports || []).splice(0),
    pushes: window.historyPushes,
    inputs: ['n0', 'n1', 'n2', 'v1', 'v2', 's1', 's2'].map((name) => lens[name]),
    record: { program: lens.program, textbook: lens.textbook },
    choices: {
      rays: document.querySelector('input[name=rays]:checked').value,
      trace: document.querySelector('input[name=trace-ray]:checked').value,
      realRays: document.querySelector('input[name=real-rays]').checked,
      aperture: document.querySelector('input[name=aperture]').getAttribute('aria-invalid') === 'true' ? null
        : document.querySelector('input[name=aperture]').value,
      stop: [document.querySelector('input[name=stop]').checked].concat(['stop-position', 'stop-radius']
        .map((name) => document.querySelector(`input[name=${name}]`)).map((field) => (field.dataset.edited ? null : field.value))),
    },
    drawn: drawn,
    attributes: attributes,
    object: drawn ? ['position', 'height'].map((name) => figure.querySelector('[data-object]').dataset[name]) : null,
    handles: [...figure.querySelectorAll('[data-handle]')].filter((node) => node.getAttribute('display') !== 'none')
      .map((node) => ({ name: node.dataset.handle, rect: client(node) })),
    // A stop's, pupil's or window's jaws, each apart.
    markers: [...figure.querySelectorAll('[data-point]:not(line), .centre, [data-image], [data-stop] *, [data-pupil] *, [data-window] *')].map(painted),
    plot: drawn ? { left: rulerLine ? Number(rulerLine.getAttribute('x1')) : 0, right: 400,
      top: Math.min(...media.map((m) => m.y)), bottom: Math.max(...media.map((m) => m.y + m.height)) } : null,
    height: figure.viewBox.baseVal.height,
    rays: [...figure.querySelectorAll('#figure-drawing polyline')].map((node) => ({
      name: node.dataset.ray || node.dataset.realRay || node.getAttribute('class'),
      points: node.getAttribute('points').split(' ').map((point) => point.split(',').map(Number)),
    })),
    labels: texts.map((node) => {
      const { x, y, width, height } = box(node);
      return { text: node.textContent, index: node.classList.contains('index'), far: /^C[12] at /.test(node.textContent),
        x: x, y: y, width: width, height: height };
    }),
    unit: figure.getBoundingClientRect().width / figure.viewBox.baseVal.width,
    near: ['object', 'image'].map((name) => {
      const label = figure.querySelector(`[data-label=${name}]:not(.legend)`);
      const what = figure.querySelector(name === 'object' ? '[data-object]' : '[data-image]');
      return label && what && !/ at /.test(label.textContent) ? { name: name, label: client(label), what: client(what) } : null;
    }).filter(Boolean),
    cells: cells.map((cell) => ({ text: cell.textContent, title: cell.title, source: cell.dataset.source || '',
      quantity: cell.closest('tr').dataset.quantity || '', plane: cell.closest('tr').dataset.plane || '',
      matrix: cell.hasAttribute('data-matrix') })),
    crossings: [...figure.querySelectorAll('[data-real-ray]')].map((node) => node.dataset.crossing).join(' '),
    fanReadout: ['marginal-focus', 'spherical-aberration', 'paraxial-height']
      .map((name) => document.querySelector(`[data-quantity=${name}] [data-source=textbook]`).textContent).join(' | '),
    imageReadout: [...document.querySelectorAll('[data-quantity=image] td, [data-quantity=magnification] td')]
      .map((cell) => cell.textContent).join(' | '),
  };
};

// Counts the history entries the page pushes, to know where Back may go.
const countPushes = () => {
  window.historyPushes = window.historyPushes || 0;
  if (history.pushState.counted) return;
  const push = history.pushState;
  history.pushState = function counted(...parts) {
    window.historyPushes += 1;
    return push.apply(history, parts);
  };
  history.pushState.counted = true;
};

// A text that shows nan or inf where the program prints it for that value:
// the program's points as the dialogue printed them, an index or a centre
// typed so, a matrix of the record that holds it.
const allowedNotANumber = (item, now) => {
  const printsIt = (record) => Object.values(record).some((value) => !Number.isFinite(value));
  if (item.cell) {
    return (item.source === 'program' && ['FI', 'FO', 'HI', 'HO'].includes(item.quantity))
      || (item.matrix && (printsIt(now.record.program) || printsIt(now.record.textbook)));
  }
  return (item.index || item.far) && now.inputs.some((value) => !Number.isFinite(value));
};

const within = (rect, area, slack) => rect.x >= area.left - slack && rect.x + rect.width <= area.right + slack
  && rect.y >= area.top - slack && rect.y + rect.height <= area.bottom + slack;
const apart = (a, b, slack) => a.right <= b.left + slack || b.right <= a.left + slack || a.bottom <= b.top + slack || b.bottom <= a.top + slack;

// The promises that hold after every action; `before` is what was seen
// before it, `action` its name.
const check = (now, before, action) => {
  assert.deepEqual(now.reports, [], 'the page reported errors or warnings');
  assert.deepEqual(now.attributes, [], 'an attribute holds NaN or Infinity');
  const shown = now.cells.map((cell) => Object.assign({ cell: true, shows: cell.text }, cell))
    .concat(now.cells.filter((cell) => cell.title).map((cell) => Object.assign({ cell: true, shows: cell.title }, cell)))
    .concat(now.labels.map((label) => Object.assign({ shows: label.text }, label)));
  for (const item of shown) {
    if (/(^|[^a-z])(nan|inf)([^a-z]|$)/.test(item.shows)) {
      const where = item.cell ? `the ${item.source} cell of ${item.quantity || item.plane}` : 'a label';
      assert.ok(allowedNotANumber(item, now), `${where}, "${item.shows}", shows a value that is not a number where the program prints none`);
    }
  }
  if (!now.drawn) return;
  for (const ray of now.rays) {
    for (const [x, y] of ray.points) {
      assert.ok(x >= now.plot.left - 0.02 && x <= now.plot.right + 0.02 && y >= now.plot.top - 0.02 && y <= now.plot.bottom + 0.02,
        `the ray ${ray.name} leaves the drawing at ${x}, ${y}`);
    }
  }
  const figureArea = { left: 0, right: 400, top: 0, bottom: now.height };
  now.labels.forEach((label, i) => {
    assert.ok(within(label, figureArea, 0.5), `the label "${label.text}" leaves the figure`);
    const a = { left: label.x, right: label.x + label.width, top: label.y, bottom: label.y + label.height };
    for (const other of now.labels.slice(i + 1)) {
      const b = { left: other.x, right: other.x + other.width, top: other.y, bottom: other.y + other.height };
      assert.ok(apart(a, b, 0.5), `the labels "${label.text}" and "${other.text}" overlap`);
    }
  });
  // In the figure's own units: a wide screen draws it larger.
  for (const { name, label, what } of now.near) {
    const gap = Math.max(label.left - what.right, what.left - label.right, label.top - what.bottom, what.top - label.bottom, 0) / now.unit;
    assert.ok(gap <= 30, `the label "${name}" stands ${gap} units from what it names`);
  }
  now.handles.forEach(({ name, rect }, i) => {
    assert.ok(rect.width >= 24 && rect.height >= 24, `the handle ${name} is ${rect.width} by ${rect.height} px`);
    for (const other of now.handles.slice(i + 1).map((one) => one.rect).concat(now.markers)) {
      assert.ok(apart(rect, other, 0), `the handle ${name} covers a marker or a handle: ${JSON.stringify([rect, other])}`);
    }
  });
  // What is computed of a lens does not change with the view alone.
  const sameLens = before && before.drawn && now.inputs.every((value, i) => Object.is(value, before.inputs[i]));
  if (sameLens && now.choices.realRays && before.choices.realRays && now.choices.aperture === before.choices.aperture) {
    assert.equal(now.crossings, before.crossings, `the real rays' crossings changed with ${action}`);
    assert.equal(now.fanReadout, before.fanReadout, `the real rays' readout changed with ${action}`);
  }
  if (sameLens && now.object.join() === before.object.join()) {
    assert.equal(now.imageReadout, before.imageReadout, `the image changed with ${action}`);
  }
};

// The actions a student takes, each with its weight; `now` is what the page
// shows, `pick` and `chance` the random choices.
const actions = [
  ['a handle\'s keys', 20, async (page, now, pick, chance) => {
    if (!now.handles.length) return;
    const name = pick(now.handles).name;
    await page.evaluate((handle) => document.querySelector(`[data-handle="${handle}"]`).focus(), name);
    for (let i = 1 + Math.floor(chance() * 3); i > 0; i -= 1) {
      await page.press(`${chance() < 0.3 ? 'Shift+' : ''}${pick(['ArrowLeft', 'ArrowRight', 'ArrowUp', 'ArrowDown'])}`);
    }
  }],
  ['a drag', 6, async (page, now, pick, chance) => {
    if (!now.handles.length) return;
    const name = pick(now.handles).name;
    const along = Math.round((chance() - 0.5) * 120);
    await page.drag(`[data-handle="${name}"]`, name === 'object-height' ? 0 : along, name === 'object-height' ? along : 0);
  }],
  ['a value in the panel', 12, async (page, now, pick, chance) => {
    if (!now.drawn) return;
    const name = pick(valueNames);
    const ordinary = name[0] === 'n' ? pick(['1', '1.33', '1.5', '1.7', '2.4']) : String(Math.round((chance() - 0.5) * 4000) / 100);
    await page.evaluate((field) => { const one = document.querySelector(`#values [name=${field}]`); one.focus(); one.select(); }, name);
    await page.press('Backspace');
    await page.type(`${chance() < 0.3 ? pick(extremes) : ordinary}\n`);
  }],
  ['an example', 5, async (page, now, pick) => {
    await page.evaluate((index) => {
      const list = document.getElementById('examples');
      list.dispatchEvent(new Event('pointerdown'));
      list.value = list.options[index].value;
      list.dispatchEvent(new Event('change'));
    }, pick([1, 2, 3, 4, 5, 6]));
  }],
  ['the ray source', 5, (page, now, pick) => now.drawn && page.click(`input[name=rays][value=${pick(['textbook', 'program', 'none'])}]`)],
  ['the traced ray', 5, (page, now, pick) => now.drawn && page.click(`input[name=trace-ray][value=${pick(['parallel', 'focal', 'nodal', 'chief'])}]`)],
  ['the real rays', 6, (page, now) => now.drawn && page.click('input[name=real-rays]')],
  ['an aperture', 5, async (page, now, pick, chance) => {
    if (!now.drawn) return;
    await page.evaluate(() => { const one = document.querySelector('input[name=aperture]'); one.focus(); one.select(); });
    await page.press('Backspace');
    await page.type(`${chance() < 0.3 ? pick(extremes) : chance() < 0.2 ? '' : String(Math.round(chance() * 400) / 100)}\n`);
  }],
  ['a line', 8, async (page, now, pick, chance) => {
    if (!now.waiting) return;
    await page.evaluate(() => document.getElementById('line').focus());
    await page.type(`${chance() < 0.3 ? pick(extremes) : pick(['1', '1.5', '0', '1', '10', '-10', ''])}\n`);
  }],
  ['Enter', 6, async (page, now) => {
    if (!now.waiting) return;
    await page.evaluate(() => document.getElementById('line').focus());
    await page.press('Enter');
  }],
  ['End input', 2, (page, now) => now.waiting && page.click('#end')],
  ['Run again', 2, (page, now) => !now.waiting && page.click('#restart')],
  ['the iris', 5, (page, now) => now.drawn && page.click('input[name=stop]')],
  ['the iris\'s place or size', 5, async (page, now, pick, chance) => {
    if (!now.drawn) return;
    const name = pick(['stop-position', 'stop-radius']);
    await page.evaluate((field) => { const one = document.querySelector(`input[name=${field}]`); one.focus(); one.select(); }, name);
    await page.press('Backspace');
    await page.type(`${chance() < 0.3 ? pick(extremes) : String(Math.round((chance() - (name === 'stop-radius' ? 0 : 0.5)) * 800) / 100)}\n`);
  }],
  ['Back', 6, (page) => page.evaluate(traverse, -1)],
  ['Forward', 3, (page) => page.evaluate(traverse, 1)],
  ['a reload', 3, (page) => page.reload()],
  ['Save figure', 2, (page, now) => now.drawn && page.evaluate(() => {
    HTMLAnchorElement.prototype.click = () => {};
    document.getElementById('save-figure').click();
  })],
  ['Copy link', 2, (page) => page.evaluate(() => {
    Object.defineProperty(navigator, 'clipboard', { configurable: true, value: { writeText: async () => {} } });
    document.getElementById('share').click();
  })],
];

// Back or Forward, once the page has taken the entry up.
const traverse = (step) => new Promise((done) => {
  addEventListener('popstate', () => setTimeout(done), { once: true });
  history.go(step);
});

// The choices a page shows, where a field refused or being edited (null)
// shows what is in use elsewhere (`other`): the text is the student's, not
// the session's.
const applied = (choices, other) => Object.assign({}, choices, {
  aperture: choices.aperture === null ? other.aperture : choices.aperture,
  stop: choices.stop.map((value, i) => (value === null ? other.stop[i] : value)),
});

const settle = (page) => page.evaluate(() => new Promise((done) => requestAnimationFrame(() => requestAnimationFrame(() => done()))));

export const randomUse = async (page, pagePath, { seed, count }) => {
  const chance = generator(seed);
  const pick = (list) => list[Math.floor(chance() * list.length)];
  const total = actions.reduce((sum, action) => sum + action[1], 0);
  const choose = () => {
    let at = chance() * total;
    return actions.find((action) => (at -= action[1]) < 0) || actions[0];
  };
  await page.open(pagePath);
  await page.evaluate(countPushes);
  const look = async () => Object.assign(await page.evaluate(snapshot), { waiting: await page.evaluate(() => !document.getElementById('line').disabled) });
  let now = await look();
  const seen = new Set([`${now.address}\n${now.screen}`]);
  // Where in its history the page stands, and how far Forward goes.
  let position = 0;
  let top = 0;
  let pushes = now.pushes;
  const done = [];
  for (let index = 0; index < count; index += 1) {
    let [name, , act] = choose();
    if ((name === 'Back' && position === 0) || (name === 'Forward' && position === top)) name = 'a reload', act = (one) => one.reload();
    done.push(name);
    try {
      await act(page, now, pick, chance);
      if (name === 'Back' || name === 'Forward') position += name === 'Back' ? -1 : 1;
      if (name === 'a reload' || name === 'Back' || name === 'Forward') await page.evaluate(countPushes);
      await settle(page);
      const before = now;
      now = await look();
      if (name === 'a reload') pushes = 0;
      if (now.pushes > pushes) {
        position += now.pushes - pushes;
        top = position;
      }
      pushes = now.pushes;
      const state = `${now.address}\n${now.screen}`;
      if (name === 'Back' || name === 'Forward') assert.ok(seen.has(state), `${name} led to a state never seen: ${now.address.slice(0, 200)}`);
      // A reload brings back exactly what was on the screen, and the choices.
      if (name === 'a reload') assert.deepEqual([state, now.choices], [`${before.address}\n${before.screen}`, applied(before.choices, now.choices)]);
      seen.add(state);
      check(now, name === 'Back' || name === 'Forward' || name === 'a reload' ? null : before, name);
      if (now.address !== '#too-long-for-a-link') {
        // The dialogue, the seven values, the object and the choices.
        const there = await page.elsewhere(pagePath, now.address, snapshot);
        const here = { screen: now.screen, inputs: now.inputs, object: now.object, choices: applied(now.choices, there.choices) };
        for (const part of Object.keys(here)) {
          assert.deepEqual(there[part], here[part], `the address, opened in a new tab, shows another ${part}`);
        }
      }
    } catch (error) {
      error.message = `random use, seed ${seed}, action ${index} (${name}); replay with --seed=${seed} --actions=${index + 1}\n`
        + `the last actions: ${done.slice(-12).join(', ')}\naddress: ${now.address.slice(0, 300)}\n${error.message}`;
      throw error;
    }
  }
};
