// The figure as a scene: a pure function of the lens's records (and what
// the program computes of them), the object and the view's choices, which
// says what is drawn, in cm where it stands for something on the axis and
// in the picture's units where it is laid out (labels, rulers, handles),
// and the one transform between them. The drawing (drawing.js) turns it into
// SVG; the tests read it in node.
//
// What the figure shows: the lens on its axis, its media, its surfaces
// about their centres, the four points as the program computes them (filled
// discs, solid lines) and as the textbook does (hollow diamonds, dashed
// lines), each once its section is on screen; an object, the principal rays
// from its tip traced by one source's matrices, that source's nodal points
// and image; real rays through the textbook's lens if asked; and the handles
// that move the lens's values and the object. Every number it prints is
// written by the program's own formatter. A centre far beyond the rest
// (more than a thousand times its span away) is an arrow at the edge, and so
// is an image beyond the edge.
import { boxOf, fitted, fontSize, overlap, placeLabels } from './labels.js';
import { shortestText } from './numbers.js';
import { fitAlong, fromPicture, holdScales, ticksFor, toPicture } from './scales.js';
import { indexLabels, lensOutline, media, sourcePoints } from './scene_lens.js';
import { objectAndRays, rayLegend, realRays } from './scene_rays.js';
import { stopsAndField } from './scene_stops.js';

const rows = (first, step, count) => Array.from({ length: count }, (_, i) => first + step * i);
// The legend's three rows, then the media, the axis, the rulers and the
// handles' lanes, from the top.
const legendHeight = 54;
const axisY = 181;
const rulerY = 288;
const indexRows = rows(68, 15, 2);
export const layout = {
  width: 400,
  height: 368,
  axisY: axisY,
  mediaTop: legendHeight + 2,
  drawnAbove: 95,      // the lens or the object may reach this far from the axis
  objectAbove: 70,     // and the object this far
  rulerX: 22,          // where the vertical ruler stands, or right of its widest label
  rightMargin: 24,
  rulerY: rulerY,
  lanes: [324, 352],   // the handles that move a value along the axis
  handleRadius: 13.5,  // 25 CSS px across on a phone
  // Where labels may stand: index labels under the legend, the program's
  // points above the axis, the textbook's and the centres below it, each a
  // row further out where a nearer one is taken.
  indexRows: indexRows,
  aboveRows: rows(axisY - 9, -15, 6),
  belowRows: rows(axisY + 20, 15, 6),
};
const farOff = 1000;  // a centre this many spans of the scene away is off the scale

// The program's four points as the dialogue prints them: on the screen once
// each section is, the value after its label.
const sections = {
  FI: ' Image focal point FI=v2-(S11/S21) = ',
  FO: ' Image focal point FO=v1+(S22/S21) = ',
  HI: ' Image plane HI = v2+((1-S11)/S21) = ',
  HO: ' Objective plane HO = v1+S12+((S22*(1-S11))/S21) = ',
};
const valuesIn = 'Relative refractive index N01 is ';
export const showsValues = (screen) => screen.indexOf(valuesIn) >= 0;
export const printedPoints = (screen) => {
  const found = {};
  for (const name of Object.keys(sections)) {
    const start = screen.indexOf(sections[name]);
    const end = start < 0 ? -1 : screen.indexOf(' cm', start + sections[name].length);
    if (end >= 0) found[name] = screen.slice(start + sections[name].length, end);
  }
  return found;
};

// The vertical ruler's ticks, and where its line stands: right of its
// widest label, so that it strikes through none.
const verticalRuler = (at) => {
  const top = indexRows[indexRows.length - 1] + 8;
  const bottom = rulerY - 10;
  const ticks = ticksFor((at.y0 - bottom) / at.yscale, (at.y0 - top) / at.yscale, 6, (value, text) => {
    const label = { text: text, x: 0, y: at.y0 - at.yscale * value + 4, anchor: 'end', class: 'end', data: { 'data-tick': text } };
    return Object.assign(label, { box: boxOf(label) });
  }, (a, b) => !overlap(a.box, b.box));
  const widest = Math.max(0, ...ticks.map((tick) => tick.box.right - tick.box.left));
  const x = Math.max(layout.rulerX, Math.ceil(widest) + 6);
  return { x: x, top: top, bottom: bottom, ticks: ticks.map((tick) => fitted(Object.assign(tick, { x: x - 3 }), layout.width)) };
};

// The axis, the horizontal ruler under the drawing and the vertical one at
// its left edge, both in cm.
const rulers = (at, ruler, leftMargin, placed, elements) => {
  const { width, rightMargin } = layout;
  elements.push({ kind: 'line', px: [[0, axisY], [width, axisY]], class: 'axis' });
  elements.push({ kind: 'line', px: [[leftMargin, rulerY], [width - rightMargin, rulerY]], class: 'tick' });
  const apart = (a, b) => !overlap(a.box, b.box);
  // The labels leave room for the unit at the ruler's end.
  const ticks = ticksFor((leftMargin - at.x0) / at.scale, (width - rightMargin - at.x0) / at.scale, 8, (value, text) => fitted({
    text: text, x: at.x0 + at.scale * value, y: rulerY + 16, class: 'scale', data: { 'data-tick': text },
  }, width - 20), apart);
  for (const tick of ticks) elements.push({ kind: 'line', px: [[tick.at, rulerY], [tick.at, rulerY + 4]], class: 'tick' });
  const labels = placeLabels(placed, ticks.map((tick) => Object.assign({ rows: [tick.y], fixed: true }, tick))
    .concat([{ text: 'cm', x: width - 2, rows: [rulerY + 16], anchor: 'end', class: 'end', fixed: true }]), width);
  elements.push(...labels.map(textElement));
  const lines = [{ kind: 'line', px: [[ruler.x, ruler.top], [ruler.x, ruler.bottom]], class: 'tick' }];
  for (const tick of ruler.ticks) lines.push({ kind: 'line', px: [[ruler.x, tick.y - 4], [ruler.x + 4, tick.y - 4]], class: 'tick' });
  lines.push(...placeLabels(placed, ruler.ticks.map((tick) => Object.assign({ rows: [tick.y], fixed: true }, tick)), width).map(textElement));
  elements.push({ kind: 'group', data: { 'data-ruler': '' }, children: lines });
  return ticks;
};

const textElement = (label) => ({ kind: 'text', px: [label.x, label.y], text: label.text, class: label.class, data: label.data || {} });

const legend = (placed, rays, elements) => {
  elements.push({ kind: 'rect', px: [0, 0, layout.width, legendHeight], class: 'legend-box' });
  elements.push({ kind: 'mark', symbol: 'disc', px: [10, 11], class: 'focal program' });
  elements.push({ kind: 'line', px: [[21, 4], [21, 18]], class: 'plane program' });
  elements.push({ kind: 'mark', symbol: 'diamond', px: [196, 11], class: 'focal textbook' });
  elements.push({ kind: 'line', px: [[209, 4], [209, 18]], class: 'plane textbook' });
  const labels = [
    { text: 'program (products)', x: 27, rows: [15], anchor: 'start', class: 'legend start' },
    { text: 'textbook (quotients)', x: 215, rows: [15], anchor: 'start', class: 'legend start' },
  ];
  // Each ray by its line as well as its colour, in two rows.
  let x = 4;
  let y = 33;
  for (const name of rays) {
    const text = rayLegend(name);
    const wide = 19 + text.length * fontSize * 0.64;
    if (x + wide > layout.width - 4) [x, y] = [4, y + 16];
    elements.push({ kind: 'line', px: [[x, y - 4], [x + 16, y - 4]], class: `ray ${name}` });
    labels.push({ text: text, x: x + 19, rows: [y], anchor: 'start', class: 'legend start', data: { 'data-label': name } });
    x += wide + 8;
  }
  elements.push(...placeLabels(placed, labels, layout.width).map(textElement));
};

// Handles that move a value: those that move one along the axis stand in
// lanes under the ruler, each at its value, or a lane lower where that place
// is taken, or beside it in the last lane; one that moves a height (`y`
// given) at the nearest of the places around its own, right of the ruler
// (`plotLeft`), where it covers no marker (`markers`, boxes in the picture),
// label or other handle, else at its own. One whose value is no number is
// hidden.
// Places around a handle's own, nearest first, as far as the drawing reaches:
// a crowded figure may leave room only far off.
const handleSteps = (() => {
  const step = 2 * layout.handleRadius + 2;
  const reach = Math.ceil(layout.width / step);
  const around = [];
  for (let i = -reach; i <= reach; i += 1) for (let j = -reach; j <= reach; j += 1) around.push([i * step, j * step]);
  return around.sort((a, b) => Math.hypot(...a) - Math.hypot(...b));
})();
const placeHandles = (handles, placed, markers, plotLeft) => {
  const { lanes, handleRadius: radius, width } = layout;
  const taken = lanes.map(() => []);
  const apart = 2 * radius + 1;
  const boxAt = (x, y) => ({ left: x - radius, right: x + radius, top: y - radius, bottom: y + radius });
  const free = (lane, x) => x >= radius && x <= width - radius && taken[lane].every((other) => Math.abs(other - x) >= apart);
  const covered = [];
  return handles.map((handle) => {
    let x = Math.min(Math.max(handle.x, radius), width - radius);
    let y = handle.y;
    if (y === undefined && Number.isFinite(x)) {
      let lane = taken.findIndex((_, i) => free(i, x));
      if (lane < 0) {
        lane = lanes.length - 1;
        for (let step = 1; !free(lane, x) && step < width; step += 1) {
          const candidate = [x + step, x - step].find((one) => free(lane, one));
          if (candidate !== undefined) x = candidate;
        }
      }
      taken[lane].push(x);
      y = lanes[lane];
    } else if (Number.isFinite(x) && Number.isFinite(y)) {
      // Clear of the markers, the handles and the labels placed so far.
      const others = markers.concat(covered, placed.map((label) => label.box));
      const clear = (box) => box.top >= layout.mediaTop && box.bottom <= rulerY - 6 && box.left >= plotLeft && box.right <= width
        && !others.some((other) => other.left < box.right && box.left < other.right && other.top < box.bottom && box.top < other.bottom);
      const found = handleSteps.map(([dx, dy]) => [x + dx, y + dy]).find(([one, two]) => clear(boxAt(one, two)));
      if (found) [x, y] = found;
    }
    const shown = Number.isFinite(x) && Number.isFinite(y);
    if (shown) {
      placed.push({ box: boxAt(x, y) });
      covered.push(boxAt(x, y));
    }
    return Object.assign({ kind: 'handle', px: shown ? [x, y] : [0, 0], shown: shown, valueText: shortestText(handle.value) }, handle);
  });
};

// The boxes, in the picture, of the markers that stand for something on the
// axis: points, centres, the image, stops, pupils and windows; no handle may
// cover one. A box holds the marker's stroke too: a diamond's corners and an
// arrow's tip reach past their path.
const markerBoxes = (elements, at) => elements.flatMap((element) => {
  if (element.kind === 'mark' && element.cm && element.symbol !== 'plane' && element.symbol !== 'ray-end') {
    const [x, y] = toPicture(at, element.cm);
    return [{ left: x - 7.5, right: x + 7.5, top: y - 7.5, bottom: y + 7.5 }];
  }
  if (element.kind === 'arrow' && element.class === 'image') {
    const [x, y] = toPicture(at, element.cm);
    return [{ left: x - 6, right: x + 6, top: Math.min(y, at.y0) - 3, bottom: Math.max(y, at.y0) + 3 }];
  }
  // A stop's, pupil's or window's jaws.
  if (element.kind === 'group' && element.children.every((child) => child.cm)) {
    return element.children.map((child) => {
      const points = child.cm.map((point) => toPicture(at, point));
      const xs = points.map((point) => point[0]);
      const ys = points.map((point) => point[1]);
      return { left: Math.min(...xs) - 2, right: Math.max(...xs) + 2, top: Math.min(...ys), bottom: Math.max(...ys) };
    });
  }
  return [];
});

// The scene `view` shows, or null before the seven values are in. `view`
// holds the lens's records (window.tremovia.lens()), `shown` (the program's
// points on the screen, as printed), `optics` (each source's, from
// window.tremovia.explore), the object ({ x, h }), `source` (whose rays are
// drawn, or null) and `chosen` (the choice made), the ray the derivation's
// table carries (`traced`), the real rays (`fan`, or null), the iris in use
// (`iris`: { position, radius }, or null) and how far from the axis the
// lens's rims stand (`clearRadius`), the scales drawn before (`kept`) and
// those a drag holds (`frozen`), and the program's formatter (`format`).
export const lensScene = (view) => {
  const { lens, optics, object, format: printed } = view;
  const elements = [];
  const notes = [];
  const points = { program: {}, textbook: {} };
  const programShown = Object.keys(view.shown).length === 4;
  // An afocal source has no focal points: whatever its record holds for
  // them, in double, is not drawn.
  const drawnPoints = { program: !optics.program.afocal, textbook: !optics.textbook.afocal };
  for (const name of ['program', 'textbook']) {
    if (!optics[name].afocal || (name === 'program' && !programShown)) continue;
    notes.push(`The ${name}'s S21 is zero within the rounding of its terms: afocal: no focal points, both focal lengths `
      + 'infinite; its FI, FO, HI and HO are not drawn.');
  }
  // Room for an object two textbook focal lengths before the lens, and for
  // its image: however the object moves near them, the scale stays.
  const textbook = lens.textbook;
  const values = [lens.v1, lens.v2, object.x];
  if (drawnPoints.textbook) values.push(textbook.FO - (textbook.HO - textbook.FO), textbook.FI + (textbook.FI - textbook.HI));
  for (const name of Object.keys(view.shown)) {
    for (const source of ['program', 'textbook']) {
      if (!drawnPoints[source]) continue;
      points[source][name] = { value: lens[source][name], text: source === 'program' ? view.shown[name] : printed(textbook[name]) };
      values.push(lens[source][name]);
    }
  }
  const source = view.source ? optics[view.source] : null;
  if (source && !source.afocal) {
    for (const name of ['NO', 'NI']) {
      points[view.source][name] = { value: source[name], text: printed(source[name]) };
      values.push(source[name]);
    }
  }
  if (view.chosen === 'program' && !source) {
    notes.push('The program\'s rays are drawn once its four points are on the screen: answer the pauses up to HO.');
  }
  // The centres, unless far beyond the rest of the scene.
  const finite = values.filter(Number.isFinite);
  const span = finite.length ? Math.max(Math.max(...finite) / 2 - Math.min(...finite) / 2, 1e-300) * 2 : 1;
  const far = {
    1: Math.abs(lens.s1 - lens.v1) > farOff * span || !Number.isFinite(lens.s1),
    2: Math.abs(lens.s2 - lens.v2) > farOff * span || !Number.isFinite(lens.s2),
  };
  if (!far[1]) values.push(lens.s1);
  if (!far[2]) values.push(lens.s2);
  // The iris too, unless as far off.
  if (view.iris && !(Math.abs(view.iris.position - lens.v1) > farOff * span)) values.push(view.iris.position);
  // Heights fit the lens, as far from the axis as its surfaces let it, and
  // the object; the vertices' planes are drawn on as far as the rays meet
  // them, and the rays are cut where they leave the drawing.
  const half = lens.aperture > 0 && Number.isFinite(lens.aperture) ? lens.aperture : Math.max(Math.abs(object.h), 1);
  const highest = view.iris && view.iris.radius > half && Number.isFinite(view.iris.radius) ? view.iris.radius : half;
  let reach = half;
  if (source) {
    for (const ray of source.rays) {
      for (const plane of ray.planes) if (plane.plane === 'v1' || plane.plane === 'v2') reach = Math.max(reach, Math.abs(plane.y));
    }
  }
  const { width, rightMargin } = layout;
  const vertical = { y0: axisY, yscale: Math.min(layout.drawnAbove / highest, layout.objectAbove / Math.abs(object.h)) };
  if (!(vertical.yscale > 0 && Number.isFinite(vertical.yscale))) vertical.yscale = 1;
  const leftMargin = verticalRuler(vertical).x + 12;
  const fresh = Object.assign(fitAlong(values, leftMargin, width - rightMargin), vertical);
  const at = view.frozen || holdScales(view.kept, fresh, values, leftMargin, width - rightMargin);
  const ruler = verticalRuler(at);
  const [left, top] = fromPicture(at, [ruler.x, layout.mediaTop]);
  const [right, bottom] = fromPicture(at, [width, rulerY - 6]);
  const box = { left: left, right: right, top: top, bottom: bottom };
  const lensDrawn = Number.isFinite(lens.v1) && Number.isFinite(lens.v2);
  const middle = lensDrawn ? at.x0 + at.scale * (lens.v1 / 2 + lens.v2 / 2) : width / 2;
  elements.push({ kind: 'rect', px: [0, 0, width, layout.height], class: 'background' });
  media(lens, middle, layout, elements);
  const placed = [];
  const rays = source ? source.rays.map((ray) => ray.name) : [];
  const stopsDrawn = Boolean(source && view.iris && source.stops.found);
  if (stopsDrawn) rays.push(...['chief', 'marginal'].filter((one) => source.stops.rays.some((ray) => ray.name === one)));
  if (view.fan) rays.push('real');
  legend(placed, rays, elements);
  // The rulers' labels stand at their ticks: the indices' find room beside them.
  const ticks = rulers(at, ruler, leftMargin, placed, elements);
  elements.push(...placeLabels(placed, indexLabels(lens, middle, layout, printed), width).map(textElement));
  for (const name of ['n0', 'n1', 'n2', 'v1', 'v2']) {
    if (!Number.isFinite(lens[name])) notes.push(`${name} is ${printed(lens[name])}.`);
  }
  const labels = [];
  if (lensDrawn) lensOutline(view, at, half, Math.min(reach, Math.max(Math.abs(top), Math.abs(bottom))), far, layout, elements, labels, notes);
  else notes.push('The lens is not drawn: a vertex is not a number.');
  const programSays = sourcePoints('program', points.program, at, layout, elements, labels, notes);
  const textbookSays = sourcePoints('textbook', points.textbook, at, layout, elements, labels, notes);
  if (view.fan) realRays(view.fan, box, elements, notes);
  const nearLabels = [];
  const raysSay = objectAndRays(view, at, box, Object.assign({}, layout, { rulerX: ruler.x }), elements, nearLabels, notes)
    .concat(view.iris ? stopsAndField(view, at, box, elements, nearLabels, notes) : []);
  const place = (x) => at.x0 + at.scale * x;
  const handles = [
    { name: 'v1', value: lens.v1, text: 'v1', label: 'Left vertex v1' },
    { name: 'v2', value: lens.v2, text: 'v2', label: 'Right vertex v2' },
    { name: 's1', value: lens.s1, text: 's1', label: 'First centre of curvature s1' },
    { name: 's2', value: lens.s2, text: 's2', label: 'Second centre of curvature s2' },
    { name: 'object', value: object.x, text: 'x', label: 'Object position' },
  ].concat(view.iris ? [{ name: 'stop', value: view.iris.position, text: 'st', label: 'Iris position' }] : [])
    .map((handle) => Object.assign(handle, { x: place(handle.value) }));
  const tip = [place(object.x), at.y0 - at.yscale * object.h];
  const clearOfAxis = 2 * layout.handleRadius;
  const tipY = Math.abs(tip[1] - axisY) >= clearOfAxis ? tip[1] : axisY + (object.h < 0 ? clearOfAxis : -clearOfAxis);
  handles.push({ name: 'object-height', value: object.h, text: 'h', label: 'Object height', x: tip[0], y: tipY });
  const placedHandles = placeHandles(handles, placed, markerBoxes(elements, at), ruler.x);
  // The object's and the image's labels first, beside what they name; then
  // the points', each in its rows.
  const region = { top: indexRows[indexRows.length - 1] + 14, bottom: rulerY - 10 };
  elements.push(...placeLabels(placed, nearLabels.concat(labels.sort((a, b) => a.x - b.x)), width, region).map(textElement));
  const description = [
    `Indices n0 = ${printed(lens.n0)}, n1 = ${printed(lens.n1)}, n2 = ${printed(lens.n2)}; `
      + `vertices v1 = ${printed(lens.v1)} cm and v2 = ${printed(lens.v2)} cm; `
      + `centres of curvature s1 = ${printed(lens.s1)} cm and s2 = ${printed(lens.s2)} cm.`,
    programSays.length ? `The program: ${programSays.join(', ')}.` : '',
    textbookSays.length ? `The textbook: ${textbookSays.join(', ')}.` : '',
    ticks.length ? `The scale's ticks stand at ${ticks.map((tick) => tick.text).join(', ')} cm; heights are drawn `
      + `${printed(at.yscale / at.scale)} times as large as lengths along the axis.` : '',
  ].concat(raysSay, notes).filter((line) => line !== '').join(' ');
  return { at: at, elements: elements, handles: placedHandles, notes: notes, description: description };
};
