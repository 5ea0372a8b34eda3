// The lens in the figure's scene: the media and the lens's material each
// shaded by its index, its outline (each surface an arc about its centre of
// curvature, in cm), its centres, and the points of each source.
import { shortened } from './numbers.js';

// A medium's shade deepens with its index, from 1 (white) to 2.5.
const shade = (index) => {
  const depth = Number.isFinite(index) ? Math.min(Math.max(index - 1, 0), 1.5) / 1.5 : 0;
  return `hsl(205, 60%, ${(97 - 32 * depth).toFixed(1)}%)`;
};

const readableWidth = 3;  // a lens drawn narrower than this (px) is not readable

export const media = (lens, middle, layout, elements) => {
  const split = Math.min(Math.max(middle, 0), layout.width);
  const height = layout.rulerY - layout.mediaTop - 6;
  elements.push({ kind: 'rect', px: [0, layout.mediaTop, split, height], class: 'medium', fill: shade(lens.n0) });
  elements.push({ kind: 'rect', px: [split, layout.mediaTop, layout.width - split, height], class: 'medium', fill: shade(lens.n2) });
};

export const indexLabels = (lens, middle, layout, printed) => [
  { text: `n0 = ${shortened(printed(lens.n0))}`, x: 4, anchor: 'start' },
  { text: `n2 = ${shortened(printed(lens.n2))}`, x: layout.width - 4, anchor: 'end' },
  { text: `n1 = ${shortened(printed(lens.n1))}`, x: Math.min(Math.max(middle, 0), layout.width) },
].map((label) => Object.assign(label, { rows: layout.indexRows, class: label.anchor ? `index ${label.anchor}` : 'index' }));

// The lens from its top edge (`half` cm above the axis) to its bottom, the
// vertices' planes dotted on where rays meet them beyond it (out to
// `reach`), and its centres, an arrow at the edge for one `far` off.
export const lensOutline = (view, at, half, reach, far, layout, elements, labels, notes) => {
  const { lens, format: printed } = view;
  const x = (cm) => at.x0 + at.scale * cm;
  if (lens.v1 > lens.v2) notes.push('v1 > v2: the lens\'s thickness is negative, and it is drawn as given, its surfaces crossed.');
  for (const [number, v, s] of [[1, lens.v1, lens.s1], [2, lens.v2, lens.s2]]) {
    if (s === v) {
      notes.push(`s${number} = v${number}: surface ${number} is flat, for the program and the textbook alike (the `
        + 'program\'s product is zero there; the textbook\'s quotient would divide by zero, and is taken as zero too).');
    } else if (!Number.isFinite(s)) {
      notes.push(`s${number} is ${printed(s)}: surface ${number} is flat for the textbook, and gives the program `
        + `${shortened(printed(number === 1 ? lens.program.R121 : lens.program.R221))} for its term.`);
    } else if (far[number]) {
      notes.push(`C${number} is far off, at ${shortened(printed(s))} cm: nearly flat for the textbook, but not for the program, `
        + 'whose flat surface is typed s = v.');
    }
  }
  // A lens too thin to see at the scale is drawn wider about its middle,
  // its shape kept: its sags widen with its thickness.
  const gap = Math.abs(x(lens.v2) - x(lens.v1));
  const middle = lens.v1 / 2 + lens.v2 / 2;
  const drawn = { kind: 'lens', surfaces: [[lens.v1, lens.s1], [lens.v2, lens.s2]], half: half, middle: middle, stretch: 1,
    class: 'lens', fill: shade(lens.n1) };
  if (gap === 0) {
    notes.push('The lens has no thickness: it is drawn as a thin slab.');
    const slab = readableWidth / 2 / at.scale;
    drawn.surfaces = [[middle - slab, middle - slab], [middle + slab, middle + slab]];
  } else if (gap < readableWidth) {
    drawn.stretch = readableWidth / gap;
    notes.push(`Scaled to fit every point, the lens is too thin to see: it is drawn ${shortened(printed(drawn.stretch))} times as wide as it is.`);
  }
  elements.push(drawn);
  // Where the rays meet the vertices' planes beyond the glass, the matrices
  // still bend them there.
  if (reach > half) {
    for (const v of [lens.v1, lens.v2]) {
      for (const sign of [1, -1]) elements.push({ kind: 'line', cm: [[v, sign * half], [v, sign * reach]], class: 'beyond' });
    }
    notes.push(`The rays meet the vertices' planes farther from the axis than the lens reaches (${shortened(printed(half))} cm): `
      + 'the matrices bend them there all the same (dotted).');
  }
  for (const [number, s] of [[1, lens.s1], [2, lens.s2]]) {
    if (!Number.isFinite(x(s)) && Number.isFinite(s)) continue;
    if (far[number] || !Number.isFinite(s)) {
      // An arrow at the edge, towards the centre.
      if (Number.isNaN(s)) continue;
      const toRight = s > lens.v1;
      elements.push({ kind: 'edge-arrow', side: toRight ? 1 : -1, px: [toRight ? layout.width - 6 : 6, layout.axisY], length: 2,
        class: 'centre', data: { 'data-far': printed(s) } });
      labels.push({ text: `C${number} at ${shortened(printed(s))}`, x: toRight ? layout.width - 4 : 4, anchor: toRight ? 'end' : 'start',
        rows: layout.belowRows, bold: true, class: `centre-label ${toRight ? 'end' : 'start'}` });
      continue;
    }
    const cx = Math.min(Math.max(x(s), 4), layout.width - 4);
    elements.push({ kind: 'mark', symbol: 'cross', px: [cx, layout.axisY], class: 'centre' });
    labels.push({ text: `C${number}`, x: cx, rows: layout.belowRows, bold: true, class: 'centre-label' });
  }
};

// The points of one source, `points` by name ({ value, text }); returns what
// the description says of them.
export const sourcePoints = (source, points, at, layout, elements, labels, notes) => {
  const program = source === 'program';
  const drawn = [];
  const missing = [];
  for (const name of Object.keys(points)) {
    const value = points[name].value;
    if (Number.isFinite(value)) drawn.push({ name: name, x: at.x0 + at.scale * value, value: value, text: points[name].text });
    else missing.push(`${name} (${points[name].text})`);
  }
  if (missing.length) notes.push(`Not drawn, not being finite: the ${source}'s ${missing.join(', ')}.`);
  const symbols = { F: program ? 'disc' : 'diamond', N: 'node', H: 'plane' };
  const classes = { F: `focal ${source}`, N: `nodal-point ${source}`, H: `plane ${source}` };
  for (const point of drawn) {
    const kind = point.name[0];
    elements.push({ kind: 'mark', symbol: symbols[kind], cm: [point.value, 0], class: classes[kind],
      data: { 'data-point': point.name, 'data-source': source, 'data-value': point.text } });
    labels.push({ text: point.name, x: point.x, rows: program ? layout.aboveRows.concat(layout.belowRows) : layout.belowRows.concat(layout.aboveRows),
      bold: true, class: `point-label ${source}` });
  }
  return drawn.map((point) => `${point.name} = ${point.text} cm`);
};
