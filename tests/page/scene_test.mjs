// The figure's scene and the address, in node, without a browser:
//   node --test tests/page/scene_test.mjs
// The scene is given what the program computes of a lens (here worked by
// hand for the worked lens, 1, 1.5, 1, 0, 1, 10, -10) and must draw each
// thing where its value puts it, inside the drawing, labelled apart.
import assert from 'node:assert/strict';
import { test } from 'node:test';

import { addressOf, defaultChoices, readAddress } from '../../src/page/address.js';
import { boxOf } from '../../src/page/labels.js';
import { fromPicture, toPicture } from '../../src/page/scales.js';
import { layout, lensScene } from '../../src/page/scene.js';

// Six decimals, as the dialogue prints; the tests need no tie.
const format = (x) => (Number.isNaN(x) ? 'nan' : !Number.isFinite(x) ? (x < 0 ? '-inf' : 'inf') : x.toFixed(6));

// The worked lens's records: the textbook's exactly (FI = 350/31, ...),
// the program's as its dialogue prints them.
const worked = (s2 = -10) => {
  const inputs = { n0: 1, n1: 1.5, n2: 1, v1: 0, v2: 1, s1: 10, s2: s2 };
  const R221 = s2 === 1 ? 0 : -0.5 / (1 - s2);
  const textbook = Object.assign({ N01: 2 / 3, N12: 1.5, R121: -1 / 30, R122: 2 / 3, R221: R221, R222: 1.5, T1212: 1 }, inputs);
  textbook.S11 = 29 / 30;
  textbook.S12 = 2 / 3;
  textbook.S21 = textbook.S11 * R221 - 0.05;
  textbook.S22 = (2 / 3) * R221 + 1;
  textbook.FI = 1 - textbook.S11 / textbook.S21;
  textbook.FO = textbook.S22 / textbook.S21;
  textbook.HI = 1 + (1 - textbook.S11) / textbook.S21;
  textbook.HO = textbook.S12 + ((1 - textbook.S11) * textbook.S22) / textbook.S21;
  const program = Object.assign({ FI: 1.297872, FO: -0.340426, HI: 1.425532, HO: -0.468085 }, inputs);
  return Object.assign({ program: program, textbook: textbook, aperture: 3.197558 }, inputs);
};

// What the program computes of a record: the rays from a tip aimed at the
// axis at `aims`, carried through R1, T12 and R2.
const opticsOf = (m, object) => {
  const NO = m.v1 - (1 - m.S22) / m.S21;
  const rays = Object.entries({ parallel: null, focal: m.FO, nodal: NO }).map(([name, aim]) => {
    const u = aim === null ? 0 : -object.h / (aim - object.x);
    const y1 = object.h + (m.v1 - object.x) * u;
    const u1 = m.R121 * y1 + m.R122 * u;
    const y2 = y1 + m.T1212 * u1;
    const u2 = m.R221 * y2 + m.R222 * u1;
    return { name: name, system: { y: y2, u: u2 }, planes: [
      { plane: 'object', x: object.x, y: object.h, u: u }, { plane: 'v1', x: m.v1, y: y1, u: u },
      { plane: 'R1', x: m.v1, y: y1, u: u1 }, { plane: 'v2', x: m.v2, y: y2, u: u1 }, { plane: 'R2', x: m.v2, y: y2, u: u2 }] };
  });
  const L = m.v1 - object.x;
  const d = -(m.S11 * L + m.S12) / (m.S21 * L + m.S22);
  return { afocal: false, stops: { found: false }, fI: m.FI - m.HI, fO: m.HO - m.FO, NO: NO, NI: m.v2 - (m.S11 * (m.v1 - NO) + m.S12), rays: rays,
    image: { position: m.v2 + d, height: object.h * (m.S11 + d * m.S21), magnification: m.S11 + d * m.S21, virtual: d < 0, atInfinity: false } };
};

const shownAll = { FI: '1.297872', FO: '-0.340426', HI: '1.425532', HO: '-0.468085' };
const sceneOf = (changes = {}) => {
  const lens = changes.lens || worked();
  const object = changes.object || { x: -21.29, h: 1 };
  return lensScene(Object.assign({
    lens: lens, shown: shownAll, optics: { textbook: opticsOf(lens.textbook, object), program: opticsOf(lens.textbook, object) },
    object: object, source: 'textbook', chosen: 'textbook', traced: 'parallel', fan: null, kept: null, frozen: null, format: format,
  }, changes, { lens: lens, object: object }));
};

// Every element of a scene, groups opened, with its points in the picture.
const flat = (scene) => scene.elements.flatMap((element) => (element.kind === 'group' ? element.children : [element]));
const pointsOf = (scene, element) => {
  const cm = element.cm ? (Array.isArray(element.cm[0]) ? element.cm : [element.cm]) : null;
  return cm ? cm.map((point) => toPicture(scene.at, point)) : element.px ? (Array.isArray(element.px[0]) ? element.px : [element.px]) : [];
};
const data = (element, name) => element.data && element.data[name];

test('each point where its value puts it, NO and NI among them, and each ray named in the legend by its own name', () => {
  const scene = sceneOf();
  const lens = worked();
  const optics = opticsOf(lens.textbook, { x: -21.29, h: 1 });
  const marked = Object.fromEntries(flat(scene).filter((element) => data(element, 'data-point'))
    .map((element) => [`${data(element, 'data-source')} ${data(element, 'data-point')}`, element.cm[0]]));
  assert.deepEqual(marked, {
    'program FI': 1.297872, 'program FO': -0.340426, 'program HI': 1.425532, 'program HO': -0.468085,
    'textbook FI': lens.textbook.FI, 'textbook FO': lens.textbook.FO, 'textbook HI': lens.textbook.HI,
    'textbook HO': lens.textbook.HO, 'textbook NO': optics.NO, 'textbook NI': optics.NI,
  });
  const legend = Object.fromEntries(flat(scene).filter((element) => element.kind === 'text' && /legend/.test(element.class)
    && data(element, 'data-label')).map((element) => [data(element, 'data-label'), element.text]));
  assert.deepEqual(legend, { parallel: 'parallel', focal: 'through FO', nodal: 'through NO' });
});

test('a centre far off is an arrow at the edge towards it', () => {
  for (const [s2, side] of [[1e9, 1], [-1e9, -1]]) {
    const arrows = flat(sceneOf({ lens: worked(s2) })).filter((element) => data(element, 'data-far'));
    assert.deepEqual(arrows.map((element) => element.side), [side], `s2 = ${s2}`);
  }
});

test('every ray, label and marker inside the drawing, no two labels overlapping, nothing that is not a number', () => {
  const views = [{}, { object: { x: -10.3, h: 1 } }, { object: { x: -1e308, h: 1 } }, { object: { x: 3, h: 1 } },
    { object: { x: -5, h: 40 } }, { traced: 'focal' }];
  for (const view of views) {
    const scene = sceneOf(view);
    const elements = flat(scene);
    const box = { left: 0, right: layout.width, top: 0, bottom: layout.height };
    for (const element of elements) {
      for (const [x, y] of pointsOf(scene, element)) {
        assert.ok(Number.isFinite(x) && Number.isFinite(y), `${element.class}: ${x}, ${y}`);
        if (element.cm && (element.kind === 'path' || element.kind === 'mark')) {
          const plot = fromPicture(scene.at, [x, y]);
          assert.ok(x >= layout.rulerX - 0.01 && x <= layout.width + 0.01 && y >= layout.mediaTop - 0.01
            && y <= layout.rulerY - 5.99, `${element.class} at ${x}, ${y} (${plot}) leaves the drawing in ${JSON.stringify(view)}`);
        }
      }
    }
    const labels = elements.filter((element) => element.kind === 'text').map((element) => Object.assign(boxOf({
      text: element.text, x: element.px[0], y: element.px[1], anchor: /start/.test(element.class) ? 'start' : /end/.test(element.class) ? 'end' : 'middle',
      bold: /label/.test(element.class) }), { text: element.text }));
    labels.forEach((label, i) => {
      assert.ok(label.left >= 0 && label.right <= box.right, `"${label.text}" leaves the figure in ${JSON.stringify(view)}`);
      labels.slice(i + 1).forEach((other) => assert.ok(label.right <= other.left || other.right <= label.left
        || label.bottom <= other.top || other.bottom <= label.top, `"${label.text}" overlaps "${other.text}" in ${JSON.stringify(view)}`));
    });
  }
});

test('an object stepped past FO keeps both scales', () => {
  let kept = null;
  const scales = [];
  for (const x of [-10.6, -10.5, -10.4, -10.3, -10.2]) {
    const scene = sceneOf({ object: { x: x, h: 1 }, kept: kept });
    kept = scene.at;
    scales.push([scene.at.scale, scene.at.yscale]);
  }
  assert.ok(scales.every((pair) => pair[0] === scales[0][0] && pair[1] === scales[0][1]), JSON.stringify(scales));
});

// Sessions drawn at random from what the page writes: each address reads
// back as the session it was written from.
test('every address the page writes reads back the same', () => {
  let seed = 12345;
  const random = () => {
    seed = (seed * 1103515245 + 12345) % 2147483648;
    return seed / 2147483648;
  };
  const pick = (list) => list[Math.floor(random() * list.length)];
  const numbers = [0, -0, 1.5, -21.29, 1e-9, 1e308, -1e308, 5e-324, 0.1 + 0.2];
  for (let i = 0; i < 500; i += 1) {
    const session = {
      text: Array.from({ length: Math.floor(random() * 6) }, () => pick(['1\n', '1,5\n', '%&#=\n', 'é\n', '\n', 'abc', ' '])).join(''),
      ended: random() < 0.5,
      object: random() < 0.5 ? { x: pick(numbers), h: pick(numbers) } : null,
      choices: {
        rays: pick(['textbook', 'program', 'none']), trace: pick(['parallel', 'focal', 'nodal', 'chief']), realRays: random() < 0.5,
        aperture: random() < 0.5 ? null : Math.abs(pick(numbers)) || 1, stop: random() < 0.5 ? null
          : { on: random() < 0.5, position: pick(numbers), radius: Math.abs(pick(numbers)) || 2 },
      },
    };
    const read = readAddress(addressOf(session));
    assert.deepEqual(read, Object.assign({ problems: [] }, session), addressOf(session));
  }
  assert.deepEqual(readAddress('#input=1%0A'), { text: '1\n', ended: false, object: null, choices: defaultChoices, problems: [] });
  assert.deepEqual(readAddress('#input=1%0A&rays=sideways&stop=1,-2&ended=1').problems,
    ['"rays=sideways&stop=1,-2", which this page does not write']);
});
