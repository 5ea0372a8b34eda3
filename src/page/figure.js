'use strict';

// The figure beside the dialogue: the lens on its axis, with its media, its
// surfaces about their centres, and the four points as the program computes
// them (filled discs, solid lines) and as the textbook does (hollow
// diamonds, dashed lines), each once its section is on screen; an object,
// the principal rays from its tip traced by one source's matrices, that
// source's nodal points and image; real rays through the textbook's lens
// if asked; and the handles that move the lens's values and the object.
// Every number it prints is written by the program's own formatter.
//
// A point at x cm stands at data-x0 + data-scale * x, a height of y cm at
// data-y0 - data-yscale * y; the rulers say both scales in cm. The scale
// fits the lens, its points and the object; a centre far beyond them (more
// than a thousand times their span away) is an arrow at the edge
// ([data-far]), and so is an image beyond the edge. Each point's marker or
// line has data-point, data-source and data-value; each ruler label
// data-tick; the labels of rays, object and image data-label.
const lensFigure = (() => {
  const width = 400;
  const height = 352;
  const axisY = 165;
  const drawnAbove = 95;     // the lens or the object may reach this far from the axis
  const objectAbove = 70;    // and the object this far
  const leftMargin = 34;     // room for the vertical ruler
  const rightMargin = 24;
  const rulerX = 22;
  const rulerY = 272;
  const lanes = [308, 336];       // the handles that move a value along the axis
  const handleRadius = 13.5;      // 25 CSS px across on a phone
  const readableWidth = 3;   // a lens drawn narrower than this is not readable
  const flatAt = 1e5;        // a surface drawn with a radius larger than this looks flat
  const farOff = 1000;       // a centre this many spans of the scene away is off the scale
  const longestNumber = 14;  // a number printed longer than this is shortened
  const fontSize = 12;
  // Where labels may stand: index labels under the legend, the program's
  // points above the axis, the textbook's and the centres below it, each a
  // row further out where a nearer one is taken.
  const rows = (first, step, count) => Array.from({ length: count }, (_, i) => first + step * i);
  const indexRows = rows(52, 15, 2);
  const aboveRows = rows(axisY - 9, -15, 6);
  const belowRows = rows(axisY + 20, 15, 6);
  const mediaTop = 40;
  // Rows from `y` outwards, `up` or down, inside the drawing.
  const rowsFrom = (y, up) => rows(y, up ? -15 : 15, 5).filter((row) => row >= indexRows[1] + 14 && row <= rulerY - 10)
    .concat(up ? aboveRows : belowRows);
  // What the screen shows once the seven values are in, and once each
  // point's section is on it; the value follows, as the dialogue prints it.
  const valuesIn = 'Relative refractive index N01 is ';
  const sections = {
    FI: ' Image focal point FI=v2-(S11/S21) = ',
    FO: ' Image focal point FO=v1+(S22/S21) = ',
    HI: ' Image plane HI = v2+((1-S11)/S21) = ',
    HO: ' Objective plane HO = v1+S12+((S22*(1-S11))/S21) = ',
  };
  const rayNames = { parallel: 'parallel', focal: 'through FO', nodal: 'through NO' };
  const caption = 'The program multiplies where textbooks divide, (1\u2212N)(v\u2212s) against (1\u2212N)/(v\u2212s), so their points differ.';

  const figure = document.getElementById('figure');
  const drawing = document.getElementById('figure-drawing');
  const handleLayer = document.getElementById('figure-handles');
  const description = document.getElementById('figure-description');
  const box = document.getElementById('figure-box');
  const notesLine = document.getElementById('figure-notes');

  const printed = (x) => window.tremovia.format(x);
  // A printed number too long for a label: its first digits, as printed,
  // and its power of ten. The description has it whole.
  const shortened = (text) => {
    if (text.length <= longestNumber) return text;
    const sign = text[0] === '-' ? '-' : '';
    const digits = text.slice(sign.length, text.indexOf('.'));
    return `${sign}${digits[0]}.${digits.slice(1, 6)}\u2026e${digits.length - 1}`;
  };
  // Coordinates with two decimals, never in exponent form.
  const at2 = (x) => Math.min(Math.max(x, -1e9), 1e9).toFixed(2);
  const pointsText = (points) => points.map((p) => `${at2(p[0])},${at2(p[1])}`).join(' ');

  // The figure is first described, element by element, then the elements
  // drawn before are changed to match, each only where it differs: a change
  // of the lens lays out only what moved.
  let out = [];
  const draw = (name, attributes, text) => {
    out.push({ name: name, attributes: attributes, text: text === undefined ? '' : String(text), children: null });
  };
  const group = (attributes, drawChildren) => {
    const outer = out;
    out = [];
    drawChildren();
    outer.push({ name: 'g', attributes: attributes, text: null, children: out });
    out = outer;
  };
  const svgNamespace = 'http://www.w3.org/2000/svg';
  const patch = (parent, wanted) => {
    wanted.forEach((element, i) => {
      let node = parent.childNodes[i];
      if (!node || node.localName !== element.name) {
        const made = document.createElementNS(svgNamespace, element.name);
        if (node) parent.replaceChild(made, node);
        else parent.appendChild(made);
        node = made;
        node.drawn = {};
      }
      for (const key of Object.keys(element.attributes)) {
        const value = String(element.attributes[key]);
        if (node.drawn[key] !== value) node.setAttribute(key, value);
      }
      for (const key of Object.keys(node.drawn)) {
        if (!(key in element.attributes)) node.removeAttribute(key);
      }
      node.drawn = Object.assign({}, element.attributes);
      if (element.children) patch(node, element.children);
      else if (node.textContent !== element.text) node.textContent = element.text;
    });
    while (parent.childNodes.length > wanted.length) parent.removeChild(parent.lastChild);
  };

  // The box a label's text takes, from generous widths of its characters.
  const boxOf = (label) => {
    const wide = label.text.length * fontSize * (label.bold ? 0.72 : 0.64);
    const left = label.anchor === 'start' ? label.x : label.x - (label.anchor === 'end' ? wide : wide / 2);
    return { left: left, right: left + wide, top: label.y - fontSize * 0.95, bottom: label.y + fontSize * 0.25 };
  };
  const overlap = (a, b) => a.left < b.right + 2 && b.left < a.right + 2 && a.top < b.bottom && b.top < a.bottom;

  // A label moved in from the figure's edges, with its box.
  const fitted = (label) => {
    const first = boxOf(label);
    const x = label.x + Math.max(1 - first.left, 0) - Math.max(first.right - (width - 1), 0);
    const moved = Object.assign({}, label, { x: x, at: label.x });
    moved.box = boxOf(moved);
    return moved;
  };

  // Places labels at the first of their rows where they overlap nothing
  // placed before, moved in from the figure's edges, or else a label's width
  // to one side unless `fixed`; draws them.
  const placeLabels = (placed, labels) => {
    for (const label of labels) {
      let chosen = null;
      const wide = boxOf(label).right - boxOf(label).left + 4;
      search: for (const shift of label.fixed ? [0] : [0, wide, -wide, 2 * wide, -2 * wide]) {
        for (const y of label.rows) {
          const candidate = fitted(Object.assign({}, label, { x: label.x + shift, y: y }));
          chosen = chosen || candidate;
          if (!placed.some((other) => overlap(other.box, candidate.box))) {
            chosen = candidate;
            break search;
          }
        }
      }
      placed.push(chosen);
      draw('text', Object.assign({ class: chosen.class, x: at2(chosen.x), y: chosen.y }, chosen.data || {}), chosen.text);
    }
  };

  // The value after `label` on the screen, up to its unit, or null.
  const printedValue = (screen, label) => {
    const start = screen.indexOf(label);
    if (start < 0) return null;
    const end = screen.indexOf(' cm', start + label.length);
    return end < 0 ? null : screen.slice(start + label.length, end);
  };

  // The scale that fits every finite value, found from halves so that no sum
  // overflows, and never so fine that a coordinate could.
  const fit = (values) => {
    const finite = values.filter(Number.isFinite);
    const usable = (width - leftMargin - rightMargin) / 2;
    const centre = leftMargin + usable;
    if (finite.length === 0) return { x0: centre, scale: 1 };
    const low = Math.min(...finite);
    const high = Math.max(...finite);
    const middle = low / 2 + high / 2;
    const half = Math.max(high / 2 - low / 2, Math.abs(middle) * 1e-9, 1e-6);
    const scale = usable / 1.08 / half;
    return { x0: centre - scale * middle, scale: scale };
  };

  // The exact decimal text of digits * 10^power (digits a BigInt), plain
  // and with an exponent.
  const decimalText = (digits, power) => {
    if (digits === 0n) return { plain: '0', scientific: '0' };
    const sign = digits < 0n ? '-' : '';
    let significant = (digits < 0n ? -digits : digits).toString();
    let exponent = power;
    while (significant.endsWith('0')) {
      significant = significant.slice(0, -1);
      exponent += 1;
    }
    let plain = significant + '0'.repeat(Math.max(exponent, 0));
    if (exponent < 0) {
      const padded = significant.padStart(1 - exponent, '0');
      plain = `${padded.slice(0, padded.length + exponent)}.${padded.slice(padded.length + exponent)}`;
    }
    const leading = significant.length > 1 ? `${significant[0]}.${significant.slice(1)}` : significant;
    const scientific = `${leading}e${significant.length - 1 + exponent}`;
    return { plain: sign + plain, scientific: sign + scientific };
  };

  // Ticks 1, 2 or 5 times a power of ten apart between `low` and `high`,
  // at most `most`, each labelled (by `label`) with the exact value at which
  // it stands, with exponents where one would be long; no two labels touch.
  const ticksFor = (low, high, most, label) => {
    // The figure's edges may lie beyond the largest double.
    const left = Math.max(low, -Number.MAX_VALUE);
    const right = Math.min(high, Number.MAX_VALUE);
    let chosen = [];
    for (let power = Math.floor(Math.log10(right / 2 - left / 2)) - 2; power <= 310; power += 1) {
      for (const multiple of [1, 2, 5].map(BigInt)) {
        const step = Number(multiple) * 10 ** power;
        const values = [];
        let k = BigInt(Math.ceil(left / step));
        for (let tries = 0; tries < most + 4 && values.length <= most; tries += 1, k += 1n) {
          const texts = decimalText(k * multiple, power);
          const value = Number(texts.plain);
          if (value > right) break;
          if (value >= left) values.push(Object.assign({ value: value }, texts));
        }
        const plain = values.every((tick) => tick.plain.length <= 12);
        const ticks = values.map((tick) => fitted(label(tick.value, plain ? tick.plain : tick.scientific)));
        if (ticks.length > most) continue;
        if (ticks.length === 0) return chosen;
        if (ticks.every((tick, i) => i === 0 || !overlap(ticks[i - 1].box, tick.box))) chosen = ticks;
        if (chosen.length >= 2 || ticks.length === 1) return chosen;
      }
    }
    return chosen;
  };

  // The horizontal ruler under the drawing and the vertical one at its left
  // edge, both in cm.
  const drawRulers = (at, placed) => {
    draw('line', { class: 'axis', x1: 0, y1: axisY, x2: width, y2: axisY });
    draw('line', { class: 'tick', x1: leftMargin, y1: rulerY, x2: width - rightMargin, y2: rulerY });
    const ticks = ticksFor((leftMargin - at.x0) / at.scale, (width - rightMargin - at.x0) / at.scale, 8, (value, text) => ({
      text: text, x: at.x0 + at.scale * value, y: rulerY + 16, class: 'scale', data: { 'data-tick': text },
    }));
    for (const tick of ticks) draw('line', { class: 'tick', x1: at2(tick.at), y1: rulerY, x2: at2(tick.at), y2: rulerY + 4 });
    placeLabels(placed, ticks.map((tick) => Object.assign({ rows: [tick.y], fixed: true }, tick))
      .concat([{ text: 'cm', x: width - 4, rows: [rulerY - 4], anchor: 'end', class: 'end' }]));
    const top = indexRows[indexRows.length - 1] + 8;
    const bottom = rulerY - 10;
    const heights = ticksFor((at.y0 - bottom) / at.yscale, (at.y0 - top) / at.yscale, 6, (value, text) => ({
      text: text, x: rulerX - 3, y: at.y0 - at.yscale * value + 4, anchor: 'end', class: 'end', data: { 'data-tick': text },
    }));
    group({ 'data-ruler': '' }, () => {
      draw('line', { class: 'tick', x1: rulerX, y1: top, x2: rulerX, y2: bottom });
      for (const tick of heights) {
        const y = at2(tick.y - 4);
        draw('line', { class: 'tick', x1: rulerX, y1: y, x2: rulerX + 4, y2: y });
      }
      placeLabels(placed, heights.map((tick) => Object.assign({ rows: [tick.y], fixed: true }, tick)));
    });
    return ticks;
  };

  // A medium's shade deepens with its index, from 1 (white) to 2.5.
  const shade = (index) => {
    const depth = Number.isFinite(index) ? Math.min(Math.max(index - 1, 0), 1.5) / 1.5 : 0;
    return `hsl(205, 60%, ${(97 - 32 * depth).toFixed(1)}%)`;
  };

  const drawMedia = (lens, middle) => {
    const split = Math.min(Math.max(middle, 0), width);
    const mediaHeight = rulerY - mediaTop - 6;
    draw('rect', { class: 'medium', x: 0, y: mediaTop, width: at2(split), height: mediaHeight, fill: shade(lens.n0) });
    draw('rect', { class: 'medium', x: at2(split), y: mediaTop, width: at2(width - split), height: mediaHeight, fill: shade(lens.n2) });
  };

  const indexLabels = (lens, middle) => [
    { text: `n0 = ${shortened(printed(lens.n0))}`, x: 4, anchor: 'start' },
    { text: `n2 = ${shortened(printed(lens.n2))}`, x: width - 4, anchor: 'end' },
    { text: `n1 = ${shortened(printed(lens.n1))}`, x: Math.min(Math.max(middle, 0), width) },
  ].map((label) => Object.assign(label, { rows: indexRows, class: label.anchor ? `index ${label.anchor}` : 'index' }));

  // Where the surface about `centre` through `vertex` stands at height y (cm).
  const surfaceAt = (vertex, centre, y) => {
    const r = centre - vertex;
    if (r === 0 || !Number.isFinite(r)) return vertex;
    const a = Math.abs(r);
    const b = Math.min(Math.abs(y), a);
    return vertex + (y * y) / (r + Math.sign(r) * Math.sqrt((a - b) * (a + b)));
  };

  // The lens from its top edge (`half` cm above the axis) to its bottom:
  // each surface the arc of an ellipse, its circle at the figure's two
  // scales. Returns what the description and notes say of its surfaces.
  const drawLens = (lens, at, half, reach, notes, labels, far) => {
    const x = (cm) => at.x0 + at.scale * cm;
    const y = (cm) => at.y0 - at.yscale * cm;
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
    const left = x(lens.v1);
    const right = x(lens.v2);
    if (Math.abs(right - left) < readableWidth) {
      const middle = left / 2 + right / 2;
      notes.push('Scaled to fit every point, the lens is too thin to see: it is drawn wider than it is.');
      draw('rect', { class: 'lens', x: at2(middle - readableWidth / 2), y: at2(y(half)), width: readableWidth,
        height: at2(2 * half * at.yscale), fill: shade(lens.n1) });
    } else {
      const arc = (vertex, centre, from, to) => {
        const radius = Math.abs(centre - vertex);
        const end = `${at2(x(surfaceAt(vertex, centre, to)))} ${at2(y(to))}`;
        if (!(radius * Math.max(at.scale, at.yscale) < flatAt) || radius === 0) return `L ${end}`;
        // Through the vertex, the short way round.
        const sweep = (centre > vertex) === (to < from) ? 0 : 1;
        return `A ${at2(radius * at.scale)} ${at2(radius * at.yscale)} 0 0 ${sweep} ${end}`;
      };
      const start = `${at2(x(surfaceAt(lens.v1, lens.s1, half)))} ${at2(y(half))}`;
      // Down the first surface, across the bottom, up the second: the lens's
      // material, in its index's shade, inside this outline only.
      draw('path', {
        class: 'lens', fill: shade(lens.n1),
        d: `M ${start} ${arc(lens.v1, lens.s1, half, -half)} L ${at2(x(surfaceAt(lens.v2, lens.s2, -half)))} ${at2(y(-half))} `
          + `${arc(lens.v2, lens.s2, -half, half)} Z`,
      });
    }
    // Where the rays meet the vertices' planes beyond the glass, the
    // matrices still bend them there.
    if (reach > half) {
      for (const v of [lens.v1, lens.v2]) {
        for (const sign of [1, -1]) {
          draw('line', { class: 'beyond', x1: at2(x(v)), x2: at2(x(v)), y1: at2(y(sign * half)), y2: at2(y(sign * reach)) });
        }
      }
      notes.push(`The rays meet the vertices' planes farther from the axis than the lens reaches (${shortened(printed(half))} cm): `
        + 'the matrices bend them there all the same (dotted).');
    }
    for (const [number, s] of [[1, lens.s1], [2, lens.s2]]) {
      if (!Number.isFinite(at.x0 + at.scale * s) && Number.isFinite(s)) continue;
      if (far[number] || !Number.isFinite(s)) {
        // An arrow at the edge, towards the centre.
        if (Number.isNaN(s)) continue;
        const toRight = s > lens.v1;
        const edge = toRight ? width - 6 : 6;
        const head = toRight ? -7 : 7;
        draw('path', { class: 'centre', 'data-far': printed(s), d: `M ${edge + 2 * head} ${axisY} H ${edge} l ${head} -4 m ${-head} 4 l ${head} 4` });
        labels.push({ text: `C${number} at ${shortened(printed(s))}`, x: toRight ? width - 4 : 4, anchor: toRight ? 'end' : 'start',
          rows: belowRows, bold: true, class: `centre-label ${toRight ? 'end' : 'start'}` });
        continue;
      }
      const cx = Math.min(Math.max(x(s), 4), width - 4);
      draw('path', { class: 'centre', d: `M ${at2(cx - 4)} ${axisY - 4} l 8 8 m 0 -8 l -8 8` });
      labels.push({ text: `C${number}`, x: cx, rows: belowRows, bold: true, class: 'centre-label' });
    }
  };

  // The points of one source, `points` by name; returns what the
  // description says of them.
  const drawPoints = (source, points, at, notes, labels) => {
    const program = source === 'program';
    const drawn = [];
    const missing = [];
    for (const name of Object.keys(points)) {
      const value = points[name].value;
      if (Number.isFinite(value)) drawn.push({ name: name, x: at.x0 + at.scale * value, text: points[name].text });
      else missing.push(`${name} (${points[name].text})`);
    }
    if (missing.length) notes.push(`Not drawn, not being finite: the ${source}'s ${missing.join(', ')}.`);
    for (const point of drawn) {
      const x = at2(point.x);
      const given = { 'data-point': point.name, 'data-source': source, 'data-value': point.text };
      const kind = point.name[0];
      if (kind === 'F' && program) {
        draw('circle', Object.assign({ class: 'focal program', cx: x, cy: axisY, r: 4.5 }, given));
      } else if (kind === 'F') {
        draw('path', Object.assign({ class: 'focal textbook', d: `M ${x} ${axisY - 6} l 6 6 l -6 6 l -6 -6 Z` }, given));
      } else if (kind === 'N') {
        draw('circle', Object.assign({ class: `nodal-point ${source}`, cx: x, cy: axisY, r: 3.5 }, given));
      } else {
        draw('line', Object.assign({ class: `plane ${source}`, x1: x, x2: x, y1: axisY - 72, y2: axisY + 72 }, given));
      }
      labels.push({ text: point.name, x: point.x, rows: program ? aboveRows.concat(belowRows) : belowRows.concat(aboveRows), bold: true,
        class: `point-label ${source}` });
    }
    return drawn.map((point) => `${point.name} = ${point.text} cm`);
  };

  const drawLegend = (placed, rays) => {
    draw('rect', { class: 'legend-box', x: 0, y: 0, width: width, height: 38 });
    draw('circle', { class: 'focal program', cx: 10, cy: 11, r: 4.5 });
    draw('line', { class: 'plane program', x1: 21, x2: 21, y1: 4, y2: 18 });
    draw('path', { class: 'focal textbook', d: 'M 196 5 l 6 6 l -6 6 l -6 -6 Z' });
    draw('line', { class: 'plane textbook', x1: 209, x2: 209, y1: 4, y2: 18 });
    const labels = [
      { text: 'program (products)', x: 27, rows: [15], anchor: 'start', class: 'legend start' },
      { text: 'textbook (quotients)', x: 215, rows: [15], anchor: 'start', class: 'legend start' },
    ];
    // Each ray by its line as well as its colour.
    let x = 4;
    for (const name of rays) {
      const text = rayNames[name] || 'real rays';
      draw('line', { class: `ray ${name}`, x1: x, x2: x + 16, y1: 29, y2: 29 });
      labels.push({ text: text, x: x + 19, rows: [33], anchor: 'start', class: 'legend start', data: { 'data-label': name } });
      x += 19 + text.length * fontSize * 0.64 + 8;
    }
    placeLabels(placed, labels);
  };

  // An arrow from the axis up (or down) to `tip`, in the figure's units.
  const arrow = (tip) => {
    const head = tip[1] <= axisY ? 6 : -6;
    return `M ${at2(tip[0])} ${axisY} V ${at2(tip[1])} m -4 ${head} l 4 ${-head} l 4 ${head}`;
  };

  // The object, the chosen source's rays, the ray the derivation traces in
  // stretches, and the image; returns what the description says of them.
  const drawRays = (view, at, place, edges, labels, notes) => {
    const object = view.object;
    const tip = place(object.x, object.h);
    const says = [`The object stands at ${printed(object.x)} cm, ${printed(object.h)} cm high.`];
    draw('path', { class: 'object', 'data-object': '', 'data-position': String(object.x), 'data-height': String(object.h), d: arrow(tip) });
    labels.push({ text: 'object', x: tip[0], rows: rowsFrom(tip[1] + (object.h >= 0 ? -20 : 28), object.h >= 0),
      class: 'label', data: { 'data-label': 'object' } });
    const source = view.source;
    if (!source) return says;
    const image = source.image;
    // Far off the figure a ray is cut short along its own line.
    const farthest = 2000 / at.yscale;
    const behind = object.x > source.record.v1;
    if (behind) notes.push('The object stands behind v1: a virtual object, on which the rays converge from the left; past v1 they are dashed.');
    for (const name of Object.keys(source.rays)) {
      const planes = source.rays[name].planes;
      const [, atV1, , atV2, leaving] = planes;
      const first = [source.record.v1, atV1.y];
      const second = [source.record.v2, atV2.y];
      // A virtual object's rays come from the left edge, aimed at its tip.
      const start = behind ? [edges.left, atV1.y + atV1.u * (edges.left - source.record.v1)] : [object.x, object.h];
      let end = [edges.right, second[1] + leaving.u * (edges.right - second[0])];
      if (Math.abs(end[1]) > farthest) {
        const x = second[0] + (Math.sign(end[1]) * farthest - second[1]) / leaving.u;
        end = [x, second[1] + leaving.u * (x - second[0])];
      }
      const path = [start, first, second, end];
      if (!path.every((point) => Math.abs(point[1]) <= farthest * 1.000001 && Number.isFinite(point[0]))) continue;
      const drawnPath = path.map((point) => place(point[0], point[1]));
      draw('polyline', { class: `ray ${name}`, 'data-ray': name, 'data-source': source.name, points: pointsText(drawnPath) });
      if (behind) {
        draw('polyline', { class: `extension ${name}`, 'data-virtual-object': name, points: pointsText([drawnPath[1], tip]) });
      }
      if (image.virtual && Number.isFinite(image.position)) {
        const backY = second[1] + leaving.u * (image.position - second[0]);
        const back = place(image.position, backY);
        if (Math.abs(backY) <= farthest && back.every(Number.isFinite)) {
          draw('polyline', { class: `extension ${name}`, 'data-extension': name, 'data-source': source.name,
            points: pointsText([drawnPath[2], back]) });
        }
      }
      if (name === view.traced) {
        // The stretches of the traced ray, one a row of the derivation's table.
        const stretches = { object: [drawnPath[0], drawnPath[0]], v1: drawnPath.slice(0, 2), R1: [drawnPath[1], drawnPath[1]],
          v2: drawnPath.slice(1, 3), R2: drawnPath.slice(2) };
        for (const plane of Object.keys(stretches)) {
          draw('polyline', { class: 'stretch', 'data-stretch': plane, points: pointsText(stretches[plane]) });
        }
      }
    }
    if (image.atInfinity) {
      says.push(`The object stands at the ${source.name}'s focal point: its image is at infinity.`);
      return says;
    }
    const imageTip = place(image.position, image.height);
    if (!imageTip.every(Number.isFinite)) {
      says.push(`The ${source.name}'s image is not drawn: its position is not a finite number.`);
      return says;
    }
    const given = { 'data-image': '', 'data-source': source.name, 'data-position': String(image.position),
      'data-height': String(image.height), 'data-virtual': String(image.virtual) };
    const kind = image.virtual ? 'virtual' : 'real';
    says.push(`The ${source.name}'s image stands at ${printed(image.position)} cm, ${kind}, magnified ${printed(image.magnification)} times.`);
    const offSide = imageTip[0] < rulerX ? -1 : imageTip[0] > width - 6 ? 1 : 0;
    if (offSide) {
      // Beyond the edge: an arrow there, with its position.
      const edge = offSide > 0 ? width - 6 : rulerX + 6;
      const head = -7 * offSide;
      draw('path', Object.assign({ class: 'image', d: `M ${edge + 3 * head} ${axisY - 10} H ${edge} l ${head} -4 m ${-head} 4 l ${head} 4` }, given));
      labels.push({ text: `image at ${shortened(printed(image.position))} cm`, x: offSide > 0 ? width - 4 : rulerX + 4,
        anchor: offSide > 0 ? 'end' : 'start', rows: aboveRows.slice(1), class: `label ${offSide > 0 ? 'end' : 'start'}`, data: { 'data-label': 'image' } });
      return says;
    }
    const top = mediaTop + 4;
    const bottom = rulerY - 8;
    const clipped = [imageTip[0], Math.min(Math.max(imageTip[1], top), bottom)];
    draw('path', Object.assign({ class: 'image', d: arrow(clipped) }, given));
    if (clipped[1] !== imageTip[1]) notes.push(`The ${source.name}'s image, ${shortened(printed(image.height))} cm high, reaches beyond the figure.`);
    labels.push({ text: 'image', x: clipped[0], rows: rowsFrom(clipped[1] + (image.height >= 0 ? -8 : 16), image.height >= 0),
      class: 'label', data: { 'data-label': 'image' } });
    return says;
  };

  // Real rays through the textbook's lens, traced by the program's code;
  // each ends where it fails, marked. Returns the fan.
  const drawRealRays = (view, at, place, edges, notes) => {
    const fan = window.tremovia.realRays(view.fan.count, view.fan.aperture, edges.left, edges.right);
    const failed = {};
    for (const ray of fan.rays) {
      if (!ray.points.length) continue;
      const drawn = ray.points.map((point) => place(point[0], point[1]));
      draw('polyline', { class: 'ray real', 'data-real-ray': ray.end, 'data-height': String(ray.height),
        'data-crossing': Number.isFinite(ray.crossing) ? String(ray.crossing) : 'none', points: pointsText(drawn) });
      if (ray.end !== 'through') {
        failed[ray.end] = (failed[ray.end] || 0) + 1;
        const last = drawn[drawn.length - 1];
        draw('path', { class: 'ray-end', 'data-real-ray-end': ray.end, d: `M ${at2(last[0] - 3)} ${at2(last[1] - 3)} l 6 6 m 0 -6 l -6 6` });
      }
    }
    if (fan.rays.some((ray) => ray.end === 'no lens')) {
      notes.push('No real rays: they need indices that are positive numbers.');
    }
    const said = { 'missed first': 'pass beside surface 1', 'missed second': 'pass beside surface 2',
      'reflected first': 'are totally reflected at surface 1', 'reflected second': 'are totally reflected at surface 2' };
    for (const end of Object.keys(failed)) {
      notes.push(`${failed[end]} of ${fan.rays.length} real rays ${said[end]} and end there (\u00d7).`);
    }
    return fan;
  };

  // Handles that move a value: focusable, sliders for assistive technology.
  // Those that move a value along the axis stand in lanes under the ruler,
  // each at its value, or a lane lower where that place is taken, or
  // beside it in the last lane; the object's height at the tip of its
  // arrow, clear of the axis's markers. Each keeps its element, and with it
  // the focus, from one drawing to the next; one with no place is hidden.
  const drawHandles = (handles, placed) => {
    const taken = lanes.map(() => []);
    const apart = 2 * handleRadius + 1;
    const free = (lane, x) => x >= handleRadius && x <= width - handleRadius && taken[lane].every((other) => Math.abs(other - x) >= apart);
    for (const handle of handles) {
      let x = Math.min(Math.max(handle.x, handleRadius), width - handleRadius);
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
      }
      const shown = Number.isFinite(x) && Number.isFinite(y);
      if (!shown) x = y = 0;
      const given = { class: 'handle', 'data-handle': handle.name, role: 'slider', tabindex: shown ? 0 : -1, 'aria-label': handle.label,
        'aria-valuetext': `${handle.text} = ${shortestText(handle.value)} cm` };
      if (Number.isFinite(handle.value)) given['aria-valuenow'] = handle.value;
      if (!shown) given.display = 'none';
      group(given, () => {
        draw('circle', { class: 'hit', cx: at2(x), cy: at2(y), r: handleRadius });
        draw('circle', { class: 'thumb', cx: at2(x), cy: at2(y), r: 10 });
        draw('text', { class: 'handle-name', x: at2(x), y: at2(y + 4) }, handle.text);
      });
      if (shown) placed.push({ box: { left: x - handleRadius, right: x + handleRadius, top: y - handleRadius, bottom: y + handleRadius } });
    }
  };

  // The scales of the last drawing.
  let kept = null;
  const clear = () => {
    kept = null;
    drawing.textContent = '';
    handleLayer.textContent = '';
    for (const name of ['x0', 'scale', 'y0', 'yscale']) figure.removeAttribute(`data-${name}`);
    notesLine.textContent = '';
    box.hidden = true;
  };

  // Draws what `view.screen` (the program's output so far) shows of
  // `view.lens` (the run's records from window.tremovia.lens()); nothing
  // before the seven values are in. `view` also holds the object ({ x, h }),
  // the source whose rays are drawn (its name, record, derived values and
  // principal rays) or null, which source was chosen, the ray the
  // derivation traces (`traced`), the real rays asked for (`fan`: count
  // and aperture, or null) and, while a handle is dragged, the scales to
  // keep (`frozen`). Returns the scales and the fan of real rays.
  const show = (view) => {
    const lens = view.lens;
    const screen = view.screen;
    out = [];
    if (screen.indexOf(valuesIn) < 0) {
      clear();
      return null;
    }
    box.hidden = false;
    const notes = [];
    const shown = printedPoints(screen);
    const points = { program: {}, textbook: {} };
    // Room for an object two textbook focal lengths before the lens, and
    // for its image: however the object moves near them, the scale stays.
    const textbook = lens.textbook;
    const scene = [lens.v1, lens.v2, view.object.x, textbook.FO - (textbook.HO - textbook.FO), textbook.FI + (textbook.FI - textbook.HI)];
    for (const name of Object.keys(shown)) {
      points.program[name] = { value: lens.program[name], text: shown[name] };
      points.textbook[name] = { value: lens.textbook[name], text: printed(lens.textbook[name]) };
      scene.push(lens.program[name], lens.textbook[name]);
    }
    const source = view.source;
    if (source && !source.derived.afocal) {
      for (const name of ['NO', 'NI']) {
        points[source.name][name] = { value: source.derived[name], text: printed(source.derived[name]) };
        scene.push(source.derived[name]);
      }
    }
    for (const one of [lens.program, lens.textbook]) {
      if (lensOptics.isAfocal(one) && (one === lens.textbook || Object.keys(shown).length === 4)) {
        notes.push(`The ${one === lens.program ? 'program\'s' : 'textbook\'s'} S21 is zero: afocal: no focal points, both focal lengths infinite.`);
      }
    }
    if (view.chosen === 'program' && !source) {
      notes.push('The program\'s rays are drawn once its four points are on the screen: answer the pauses up to HO.');
    }
    // The centres, unless far beyond the rest of the scene.
    const finite = scene.filter(Number.isFinite);
    const span = finite.length ? Math.max(Math.max(...finite) / 2 - Math.min(...finite) / 2, 1e-300) * 2 : 1;
    const far = {
      1: Math.abs(lens.s1 - lens.v1) > farOff * span || !Number.isFinite(lens.s1),
      2: Math.abs(lens.s2 - lens.v2) > farOff * span || !Number.isFinite(lens.s2),
    };
    if (!far[1]) scene.push(lens.s1);
    if (!far[2]) scene.push(lens.s2);
    // The lens reaches as far from the axis as its surfaces let it, and at
    // least as far as the rays meet its vertices' planes.
    const aperture = lens.aperture > 0 && Number.isFinite(lens.aperture) ? lens.aperture : Math.max(Math.abs(view.object.h), 1);
    let reach = aperture;
    if (source) {
      for (const name of Object.keys(source.rays)) {
        const planes = source.rays[name].planes;
        reach = Math.max(reach, Math.abs(planes[1].y), Math.abs(planes[3].y));
      }
    }
    const fresh = Object.assign(fit(scene), { y0: axisY, yscale: Math.min(drawnAbove / reach, objectAbove / Math.abs(view.object.h)) });
    if (!(fresh.yscale > 0 && Number.isFinite(fresh.yscale))) fresh.yscale = 1;
    // The scales drawn before stay while everything still fits them and
    // fills most of the figure, so that a step moves what it changes only.
    const loose = 1.6;
    const stays = kept && scene.every((value) => !Number.isFinite(value)
        || Math.abs(kept.x0 + kept.scale * value - (leftMargin + width - rightMargin) / 2) <= (width - leftMargin - rightMargin) / 2)
      && kept.scale * loose >= fresh.scale && kept.yscale <= fresh.yscale && kept.yscale * loose >= fresh.yscale;
    const at = view.frozen || (stays ? kept : fresh);
    kept = at;
    const place = (x, y) => [at.x0 + at.scale * x, at.y0 - at.yscale * y];
    for (const name of ['x0', 'scale', 'y0', 'yscale']) figure.setAttribute(`data-${name}`, String(at[name]));
    const edges = { left: (rulerX - at.x0) / at.scale, right: (width - at.x0) / at.scale };
    const lensDrawn = Number.isFinite(lens.v1) && Number.isFinite(lens.v2);
    const middle = lensDrawn ? at.x0 + at.scale * (lens.v1 / 2 + lens.v2 / 2) : width / 2;
    draw('rect', { class: 'background', x: 0, y: 0, width: width, height: height });
    drawMedia(lens, middle);
    const placed = [];
    const rays = source ? Object.keys(source.rays) : [];
    if (view.fan) rays.push('real');
    drawLegend(placed, rays);
    placeLabels(placed, indexLabels(lens, middle));
    const ticks = drawRulers(at, placed);
    for (const name of ['n0', 'n1', 'n2', 'v1', 'v2']) {
      if (!Number.isFinite(lens[name])) notes.push(`${name} is ${printed(lens[name])}.`);
    }
    const labels = [];
    if (lensDrawn) drawLens(lens, at, aperture, reach, notes, labels, far);
    else notes.push('The lens is not drawn: a vertex is not a number.');
    const programSays = drawPoints('program', points.program, at, notes, labels);
    const textbookSays = drawPoints('textbook', points.textbook, at, notes, labels);
    const fan = view.fan && lensDrawn ? drawRealRays(view, at, place, edges, notes) : null;
    const raysSay = drawRays(view, at, place, edges, labels, notes);
    const handles = [
      { name: 'v1', value: lens.v1, text: 'v1', label: 'Left vertex v1' },
      { name: 'v2', value: lens.v2, text: 'v2', label: 'Right vertex v2' },
      { name: 's1', value: lens.s1, text: 's1', label: 'First centre of curvature s1' },
      { name: 's2', value: lens.s2, text: 's2', label: 'Second centre of curvature s2' },
      { name: 'object', value: view.object.x, text: 'x', label: 'Object position' },
    ].map((handle) => Object.assign(handle, { x: place(handle.value, 0)[0] }));
    const tip = place(view.object.x, view.object.h);
    const clearOfAxis = 2 * handleRadius;
    const tipY = Math.abs(tip[1] - axisY) >= clearOfAxis ? tip[1] : axisY + (view.object.h < 0 ? clearOfAxis : -clearOfAxis);
    handles.push({ name: 'object-height', value: view.object.h, text: 'h', label: 'Object height', x: tip[0], y: tipY });
    const drawn = out;
    out = [];
    drawHandles(handles, placed);
    patch(handleLayer, out);
    out = drawn;
    placeLabels(placed, labels.sort((a, b) => a.x - b.x));
    patch(drawing, out);
    out = [];
    description.textContent = [
      `Indices n0 = ${printed(lens.n0)}, n1 = ${printed(lens.n1)}, n2 = ${printed(lens.n2)}; `
        + `vertices v1 = ${printed(lens.v1)} cm and v2 = ${printed(lens.v2)} cm; `
        + `centres of curvature s1 = ${printed(lens.s1)} cm and s2 = ${printed(lens.s2)} cm.`,
      programSays.length ? `The program: ${programSays.join(', ')}.` : '',
      textbookSays.length ? `The textbook: ${textbookSays.join(', ')}.` : '',
      ticks.length ? `The scale's ticks stand at ${ticks.map((tick) => tick.text).join(', ')} cm; heights are drawn `
        + `${printed(at.yscale / at.scale)} times as large as lengths along the axis.` : '',
    ].concat(raysSay, notes).filter((line) => line !== '').join(' ');
    notesLine.textContent = notes.join(' ');
    return { at: at, fan: fan };
  };

  // Text cut into lines of at most `longest` characters, at spaces.
  const wrap = (text, longest) => text.split(' ').reduce((lines, word) => {
    const last = lines.length - 1;
    if (last >= 0 && lines[last].length + 1 + word.length <= longest) lines[last] += ` ${word}`;
    else lines.push(word);
    return lines;
  }, []);

  // The figure as a file of its own, as Save figure downloads it: on white,
  // twice the size it is drawn at, without its handles, with the caption,
  // the notes and the readout (`readout`, lines of text) under its ruler,
  // every line wrapped to its width.
  const file = (readout) => {
    const copy = figure.cloneNode(true);
    for (const node of copy.querySelectorAll('[data-handle], [data-stretch]')) node.remove();
    // Under the ruler: the handles' lanes are left out.
    const top = rulerY + 26;
    const lines = [caption, notesLine.textContent].concat(readout).filter((text) => text).flatMap((text) => wrap(text, 56));
    const fullHeight = top + 6 + 14 * lines.length;
    copy.setAttribute('viewBox', `0 0 ${width} ${fullHeight}`);
    copy.setAttribute('width', String(2 * width));
    copy.setAttribute('height', String(2 * fullHeight));
    const background = copy.querySelector('.background');
    if (background) background.setAttribute('height', String(fullHeight));
    out = [];
    lines.forEach((text, i) => draw('text', { class: 'caption start', x: 4, y: top + 14 * (i + 1) }, text));
    patch(copy.appendChild(document.createElementNS(svgNamespace, 'g')), out);
    out = [];
    return new XMLSerializer().serializeToString(copy);
  };

  // The program's points that `screen` shows, as printed, by name.
  const printedPoints = (screen) => {
    const found = {};
    for (const name of Object.keys(sections)) {
      const text = printedValue(screen, sections[name]);
      if (text !== null) found[name] = text;
    }
    return found;
  };

  return {
    show: show, clear: clear, file: file, printedPoints: printedPoints, shortened: shortened,
    valuesIn: (screen) => screen.indexOf(valuesIn) >= 0,
  };
})();
