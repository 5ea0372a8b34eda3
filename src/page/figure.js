'use strict';

// The figure beside the dialogue: the lens on its axis, with its media, its
// surfaces as arcs about their centres, and the four points as the program
// computes them (filled discs, solid lines) and as the textbook does (hollow
// diamonds, dashed lines). It follows the screen: the lens once the seven
// values are in, each point once its section is on screen. Every number it
// prints is written by the program's own formatter. For tests, svg#figure
// carries data-x0 and data-scale (a point at x cm is drawn at x0 + scale * x),
// each point's marker or line carries data-point, data-source and
// data-value, and each scale label data-tick, the value it names.
// Once the seven values are in it also draws an object, three principal
// rays from its tip traced by one source's matrices, and that source's
// image, with handles that move the lens's values and the object: a height
// of h cm is drawn at y0 - yscale * h (data-y0, data-yscale).
// (No shorthand properties: Debian's emscripten minifies them wrongly.)
const lensFigure = (() => {
  const svgNamespace = 'http://www.w3.org/2000/svg';
  const width = 400;
  const height = 280;
  const axisY = 150;
  const margin = 24;
  const aperture = 56;      // the lens's half height, where its surfaces allow
  const smallestArc = 4;    // a radius drawn smaller than this is drawn flat
  const largestArc = 1e5;   // and so is one larger than this: it looks flat
  const readableWidth = 3;  // a lens drawn narrower than this is not readable
  const longestNumber = 14; // a number printed longer than this is shortened
  // Where labels may stand: index labels under the legend, the program's
  // points above the axis, the textbook's and the centres below it, each a
  // row further out where a nearer one is taken.
  const rows = (first, step, count) => Array.from({ length: count }, (_, i) => first + step * i);
  const indexRows = rows(37, 15, 2);
  const aboveRows = rows(axisY - 9, -15, 6);
  const belowRows = rows(axisY + 20, 15, 6);
  const scaleY = axisY + 106;
  const mediaHeight = scaleY - 40;
  // What the screen shows once the seven values are in, and once each
  // point's section is on it; the value follows, as the dialogue prints it.
  const valuesIn = 'Relative refractive index N01 is ';
  const sections = {
    FI: ' Image focal point FI=v2-(S11/S21) = ',
    FO: ' Image focal point FO=v1+(S22/S21) = ',
    HI: ' Image plane HI = v2+((1-S11)/S21) = ',
    HO: ' Objective plane HO = v1+S12+((S22*(1-S11))/S21) = ',
  };
  const fontSize = 12;
  // Heights: the object is drawn half as high as the lens, the image at
  // most this high.
  const objectDrawn = aperture / 2;
  const highestDrawn = 78;
  const rayNames = ['parallel', 'focal', 'nodal'];
  const caption = 'The program multiplies where textbooks divide, (1\u2212N)(v\u2212s) against (1\u2212N)/(v\u2212s), so their points differ.';

  const figure = document.getElementById('figure');
  // BigInt by call: Debian's emscripten cannot print BigInt literals.
  const zero = BigInt(0);
  const bigOne = BigInt(1);
  const box = document.getElementById('figure-box');
  const notesLine = document.getElementById('figure-notes');
  const styleSheet = figure.querySelector('style');

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

  const draw = (name, attributes, text) => {
    const made = document.createElementNS(svgNamespace, name);
    for (const key of Object.keys(attributes)) made.setAttribute(key, attributes[key]);
    if (text !== undefined) made.textContent = text;
    figure.appendChild(made);
    return made;
  };

  // The box a label's text takes, from generous widths of its characters.
  const boxOf = (label) => {
    const wide = label.text.length * label.size * (label.bold ? 0.72 : 0.64);
    const left = label.anchor === 'start' ? label.x : label.x - (label.anchor === 'end' ? wide : wide / 2);
    return { left: left, right: left + wide, top: label.y - label.size * 0.8, bottom: label.y + label.size * 0.25 };
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

  // Places labels at the first of their rows where they overlap no label
  // placed before, moved in from the figure's edges; draws them.
  const placeLabels = (placed, labels) => {
    for (const label of labels) {
      let chosen = null;
      for (const y of label.rows) {
        const candidate = fitted(Object.assign({}, label, { y: y }));
        chosen = candidate;
        if (!placed.some((other) => overlap(other.box, candidate.box))) break;
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
    if (finite.length === 0) return { x0: width / 2, scale: 1 };
    const low = Math.min(...finite);
    const high = Math.max(...finite);
    const middle = low / 2 + high / 2;
    const half = Math.max(high / 2 - low / 2, Math.abs(middle) * 1e-9, 1e-6);
    const scale = (width / 2 - margin) / 1.08 / half;
    return { x0: width / 2 - scale * middle, scale: scale };
  };

  // The exact decimal text of digits * 10^power (digits a BigInt), plain
  // and with an exponent.
  const decimalText = (digits, power) => {
    if (digits === zero) return { plain: '0', scientific: '0' };
    const sign = digits < zero ? '-' : '';
    let significant = (digits < zero ? -digits : digits).toString();
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

  // Ticks 1, 2 or 5 times a power of ten apart, at most 8, each labelled
  // with the exact value at which it stands (with exponents where one would
  // be long), no two labels touching.
  const ticksFor = (at) => {
    // The figure's edges may lie beyond the largest double.
    const left = Math.max((margin - at.x0) / at.scale, -Number.MAX_VALUE);
    const right = Math.min((width - margin - at.x0) / at.scale, Number.MAX_VALUE);
    let chosen = [];
    for (let power = Math.floor(Math.log10(right / 2 - left / 2)) - 2; power <= 310; power += 1) {
      for (const multiple of [1, 2, 5].map(BigInt)) {
        const step = Number(multiple) * 10 ** power;
        const values = [];
        let k = BigInt(Math.ceil(left / step));
        for (let tries = 0; tries < 12 && values.length <= 8; tries += 1, k += bigOne) {
          const texts = decimalText(k * multiple, power);
          const value = Number(texts.plain);
          if (value > right) break;
          if (value >= left) values.push(Object.assign({ value: value }, texts));
        }
        const plain = values.every((tick) => tick.plain.length <= 12);
        const ticks = values.map((tick) => {
          const text = plain ? tick.plain : tick.scientific;
          return fitted({ text: text, x: at.x0 + at.scale * tick.value, y: scaleY + 16, size: fontSize, class: 'scale',
            data: { 'data-tick': text } });
        });
        if (ticks.length > 8) continue;
        if (ticks.length === 0) return chosen;
        if (ticks.every((tick, i) => i === 0 || !overlap(ticks[i - 1].box, tick.box))) chosen = ticks;
        if (chosen.length >= 2 || ticks.length === 1) return chosen;
      }
    }
    return chosen;
  };

  const drawAxisAndScale = (at, placed) => {
    draw('line', { class: 'axis', x1: 0, y1: axisY, x2: width, y2: axisY });
    draw('line', { class: 'tick', x1: margin, y1: scaleY, x2: width - margin, y2: scaleY });
    const ticks = ticksFor(at);
    for (const tick of ticks) draw('line', { class: 'tick', x1: at2(tick.at), y1: scaleY, x2: at2(tick.at), y2: scaleY + 4 });
    placeLabels(placed, ticks.map((tick) => Object.assign({ rows: [tick.y] }, tick))
      .concat([{ text: 'cm', x: width - 4, rows: [scaleY - 4], size: fontSize, anchor: 'end', class: 'end' }]));
    return ticks;
  };

  // A medium's shade deepens with its index, from 1 (white) to 2.5.
  const shade = (index) => {
    const depth = Number.isFinite(index) ? Math.min(Math.max(index - 1, 0), 1.5) / 1.5 : 0;
    return `hsl(205, 60%, ${(97 - 32 * depth).toFixed(1)}%)`;
  };

  const drawMedia = (lens, middle) => {
    const split = Math.min(Math.max(middle, 0), width);
    draw('rect', { class: 'medium', x: 0, y: 24, width: at2(split), height: mediaHeight, fill: shade(lens.n0) });
    draw('rect', { class: 'medium', x: at2(split), y: 24, width: at2(width - split), height: mediaHeight, fill: shade(lens.n2) });
  };

  const indexLabels = (lens, middle) => [
    { text: `n0 = ${shortened(printed(lens.n0))}`, x: 4, anchor: 'start' },
    { text: `n2 = ${shortened(printed(lens.n2))}`, x: width - 4, anchor: 'end' },
    { text: `n1 = ${shortened(printed(lens.n1))}`, x: Math.min(Math.max(middle, 0), width) },
  ].map((label) => Object.assign(label, { rows: indexRows, size: fontSize, class: label.anchor ? `index ${label.anchor}` : 'index' }));

  // The path of one surface from the lens's edge at y to the other edge: an
  // arc about the centre through the vertex, or a straight line.
  const surfacePath = (vertex, centre, halfHeight, downward) => {
    const radius = Math.abs(vertex - centre);
    const toY = axisY + (downward ? halfHeight : -halfHeight);
    if (!(radius >= Math.max(smallestArc, halfHeight) && radius <= largestArc)) {
      return { edge: vertex, path: `L ${at2(vertex)} ${at2(toY)}` };
    }
    const side = vertex > centre ? 1 : -1;
    const edge = centre + side * Math.sqrt(radius * radius - halfHeight * halfHeight);
    const sweep = (side > 0) === downward ? 1 : 0;
    return { edge: edge, path: `A ${at2(radius)} ${at2(radius)} 0 0 ${sweep} ${at2(edge)} ${at2(toY)}` };
  };

  const drawLens = (lens, at, notes, labels) => {
    let v1 = at.x0 + at.scale * lens.v1;
    let v2 = at.x0 + at.scale * lens.v2;
    if (lens.v1 > lens.v2) notes.push('v1 > v2: the lens\'s thickness is negative, and it is drawn as given, its surfaces crossed.');
    if (Math.abs(v2 - v1) < readableWidth) {
      const middle = v1 / 2 + v2 / 2;
      const sign = v2 >= v1 ? 1 : -1;
      v1 = middle - sign * readableWidth / 2;
      v2 = middle + sign * readableWidth / 2;
      notes.push('Scaled to fit every point, the lens is too thin to see: it is drawn wider than it is.');
    }
    const surfaces = [[1, v1, lens.v1, lens.s1], [2, v2, lens.v2, lens.s2]].map((given) => ({
      number: given[0], vertex: given[1], centre: at.x0 + at.scale * given[3], v: given[2], s: given[3],
    }));
    let halfHeight = aperture;
    for (const one of surfaces) {
      const radius = Math.abs(one.vertex - one.centre);
      if (!Number.isFinite(one.s)) {
        notes.push(`s${one.number} is ${printed(one.s)}: surface ${one.number} is drawn flat.`);
      } else if (one.s === one.v) {
        notes.push(`s${one.number} = v${one.number}: surface ${one.number} is flat for the program, its term zero `
          + '(the textbook\'s quotient divides by zero there), and is drawn flat.');
      } else if (Math.abs(one.s - one.v) >= 1000) {
        notes.push(`s${one.number} is far from v${one.number}: flat for the textbook, but not for the program, `
          + 'whose flat surface is typed s = v.');
      } else if (radius < smallestArc) {
        notes.push(`Surface ${one.number}'s radius is too small to draw at this scale: it is drawn flat.`);
      } else if (radius <= largestArc) {
        halfHeight = Math.min(halfHeight, radius);
      }
    }
    // Lower, until the surfaces no longer cross before the lens's edge.
    const direction = v2 >= v1 ? 1 : -1;
    let down;
    let up;
    for (;;) {
      down = surfacePath(surfaces[0].vertex, surfaces[0].centre, halfHeight, true);
      up = surfacePath(surfaces[1].vertex, surfaces[1].centre, halfHeight, false);
      if (direction * (up.edge - down.edge) >= 1 || halfHeight < 8) break;
      halfHeight *= 0.9;
    }
    // Down the first surface, across the bottom, up the second: the lens's
    // material, in its index's shade, inside this outline only.
    draw('path', {
      class: 'lens',
      d: `M ${at2(down.edge)} ${at2(axisY - halfHeight)} ${down.path} L ${at2(up.edge)} ${at2(axisY + halfHeight)} ${up.path} Z`,
      fill: shade(lens.n1),
    });
    for (const one of surfaces) {
      if (!Number.isFinite(one.centre)) continue;
      const x = Math.min(Math.max(one.centre, 4), width - 4);
      draw('path', { class: 'centre', d: `M ${at2(x - 4)} ${axisY - 4} l 8 8 m 0 -8 l -8 8` });
      labels.push({ text: `C${one.number}`, x: x, rows: belowRows, size: fontSize, bold: true, class: 'centre-label' });
    }
  };

  // The points of one source; returns what the description says of them.
  const drawPoints = (source, shown, at, notes, labels) => {
    const program = source === 'program';
    const drawn = [];
    const missing = [];
    for (const name of Object.keys(shown)) {
      const value = shown[name].value;
      if (Number.isFinite(value)) drawn.push({ name: name, x: at.x0 + at.scale * value, text: shown[name].text });
      else missing.push(`${name} (${shown[name].text})`);
    }
    if (missing.length) notes.push(`Not drawn, not being finite: the ${source}'s ${missing.join(', ')}.`);
    for (const point of drawn) {
      const x = at2(point.x);
      const given = { 'data-point': point.name, 'data-source': source, 'data-value': point.text };
      const focal = point.name[0] === 'F';
      if (focal && program) {
        draw('circle', Object.assign({ class: 'focal program', cx: x, cy: axisY, r: 4.5 }, given));
      } else if (focal) {
        draw('path', Object.assign({ class: 'focal textbook', d: `M ${x} ${axisY - 6} l 6 6 l -6 6 l -6 -6 Z` }, given));
      } else {
        draw('line', Object.assign({ class: `plane ${source}`, x1: x, x2: x, y1: axisY - 72, y2: axisY + 72 }, given));
      }
      labels.push({ text: point.name, x: point.x, rows: program ? aboveRows : belowRows, size: fontSize, bold: true,
        class: `point-label ${source}` });
    }
    return drawn.map((point) => `${point.name} = ${point.text} cm`);
  };

  const drawLegend = (placed) => {
    draw('rect', { class: 'legend-box', x: 0, y: 0, width: width, height: 22 });
    draw('circle', { class: 'focal program', cx: 10, cy: 11, r: 4.5 });
    draw('line', { class: 'plane program', x1: 21, x2: 21, y1: 4, y2: 18 });
    draw('path', { class: 'focal textbook', d: 'M 196 5 l 6 6 l -6 6 l -6 -6 Z' });
    draw('line', { class: 'plane textbook', x1: 209, x2: 209, y1: 4, y2: 18 });
    placeLabels(placed, [
      { text: 'program (products)', x: 27, rows: [15], size: fontSize, anchor: 'start', class: 'legend start' },
      { text: 'textbook (quotients)', x: 215, rows: [15], size: fontSize, anchor: 'start', class: 'legend start' },
    ]);
  };

  const clear = () => {
    while (figure.lastChild !== styleSheet) figure.removeChild(figure.lastChild);
    figure.removeAttribute('data-x0');
    figure.removeAttribute('data-scale');
    notesLine.textContent = '';
    box.hidden = true;
  };

  // An arrow from the axis up (or down) to `tip`, in the figure's units.
  const arrow = (tip) => {
    const head = tip[1] <= axisY ? 6 : -6;
    return `M ${at2(tip[0])} ${axisY} V ${at2(tip[1])} m -4 ${head} l 4 ${-head} l 4 ${head}`;
  };

  // The object, the chosen source's rays and image; returns what the
  // description says of them.
  const drawRays = (view, at, place) => {
    const object = view.object;
    const tip = place(object.x, object.h);
    const says = [`The object stands at ${printed(object.x)} cm, ${printed(object.h)} cm high.`];
    draw('path', { class: 'object', 'data-object': '', 'data-position': String(object.x), 'data-height': String(object.h),
      d: arrow(tip) });
    const source = view.source;
    if (!source) return says;
    const image = source.image;
    const rightEdge = (width - at.x0) / at.scale;
    // Far off the figure a ray is cut short along its own line.
    const farthest = 2000 / view.yscale;
    for (const name of rayNames) {
      const ray = source.rays[name];
      const exit = ray.points[2];
      let end = [rightEdge, exit[1] + ray.slope * (rightEdge - exit[0])];
      if (Math.abs(end[1]) > farthest) {
        const x = exit[0] + (Math.sign(end[1]) * farthest - exit[1]) / ray.slope;
        end = [x, exit[1] + ray.slope * (x - exit[0])];
      }
      const path = ray.points.concat([end]);
      if (!path.every((point) => Math.abs(point[1]) <= farthest * 1.000001 && Number.isFinite(point[0]))) continue;
      const drawnPoints = path.map((point) => place(point[0], point[1])).map((point) => `${at2(point[0])},${at2(point[1])}`).join(' ');
      draw('polyline', { class: `ray ${name}`, 'data-ray': name, 'data-source': source.name, points: drawnPoints });
      if (image.virtual) {
        const backY = exit[1] + ray.slope * (image.position - exit[0]);
        const back = place(image.position, backY);
        if (Math.abs(backY) <= farthest && back.every(Number.isFinite)) {
          draw('polyline', { class: `extension ${name}`, 'data-extension': name, 'data-source': source.name,
            points: `${drawnPoints.split(' ')[2]} ${at2(back[0])},${at2(back[1])}` });
        }
      }
    }
    const imageTip = image.atInfinity ? null : place(image.position, image.height);
    if (imageTip && imageTip.every(Number.isFinite)) {
      draw('path', { class: 'image', 'data-image': '', 'data-source': source.name, 'data-position': String(image.position),
        'data-height': String(image.height), 'data-virtual': String(image.virtual),
        d: arrow(imageTip) });
      says.push(`The ${source.name}'s image stands at ${printed(image.position)} cm, ${image.virtual ? 'virtual' : 'real'}, `
        + `magnified ${printed(image.magnification)} times.`);
    } else if (image.atInfinity) {
      says.push(`The object stands at the ${source.name}'s focal point: its image is at infinity.`);
    } else {
      says.push(`The ${source.name}'s image is not drawn: it is not finite.`);
    }
    return says;
  };

  // A handle that moves a value: focusable, a slider for assistive
  // technology, at (x, y) in the figure.
  const drawHandle = (name, value, x, y, label) => {
    if (![x, y].every(Number.isFinite)) return;
    draw('circle', { class: 'handle', 'data-handle': name, role: 'slider', tabindex: 0, 'aria-label': label,
      'aria-valuenow': String(value), 'aria-valuetext': `${name === 'object-height' ? 'h' : name === 'object' ? 'x' : name} = ${value} cm`,
      cx: at2(Math.min(Math.max(x, 0), width)), cy: at2(y), r: 6 });
  };

  // Draws what `screen` (the program's output so far) shows of `lens` (the
  // run's record from window.tremovia.lens()); nothing before the seven
  // values are in. `view` holds the object ({ x, h }), the source whose
  // rays are drawn (`source`: its name, rays and image, or null) and, while
  // a handle is dragged, the scale to keep (`frozen`). Returns the scales.
  const show = (screen, lens, view) => {
    clear();
    if (screen.indexOf(valuesIn) < 0) return null;
    box.hidden = false;
    const program = {};
    const textbook = {};
    const inFigure = [lens.v1, lens.v2, lens.s1, lens.s2, view.object.x];
    const shown = printedPoints(screen);
    for (const name of Object.keys(shown)) {
      const text = shown[name];
      program[name] = { value: lens.program[name], text: text };
      textbook[name] = { value: lens.textbook[name], text: printed(lens.textbook[name]) };
      inFigure.push(lens.program[name], lens.textbook[name]);
    }
    const image = view.source ? view.source.image : { atInfinity: true };
    if (!image.atInfinity) inFigure.push(image.position);
    const notes = [];
    const at = view.frozen || Object.assign(fit(inFigure), {
      y0: axisY,
      yscale: Math.min(objectDrawn / Math.abs(view.object.h), image.atInfinity ? Infinity : highestDrawn / Math.abs(image.height)),
    });
    if (!(at.yscale > 0 && Number.isFinite(at.yscale))) at.yscale = 1;
    const place = (x, y) => [at.x0 + at.scale * x, axisY - at.yscale * y];
    figure.setAttribute('data-x0', String(at.x0));
    figure.setAttribute('data-scale', String(at.scale));
    figure.setAttribute('data-y0', String(axisY));
    figure.setAttribute('data-yscale', String(at.yscale));
    draw('title', {}, 'The lens on its axis, with its focal points and principal planes, an object and its image');
    const description = draw('desc', {}, '');
    draw('rect', { class: 'background', x: 0, y: 0, width: width, height: height });
    const lensDrawn = Number.isFinite(lens.v1) && Number.isFinite(lens.v2);
    const middle = lensDrawn ? at.x0 + at.scale * (lens.v1 / 2 + lens.v2 / 2) : width / 2;
    drawMedia(lens, middle);
    const placed = [];
    drawLegend(placed);
    placeLabels(placed, indexLabels(lens, middle));
    const ticks = drawAxisAndScale(at, placed);
    for (const name of ['n0', 'n1', 'n2', 'v1', 'v2']) {
      if (!Number.isFinite(lens[name])) notes.push(`${name} is ${printed(lens[name])}.`);
    }
    const labels = [];
    if (lensDrawn) drawLens(lens, at, notes, labels);
    else notes.push('The lens is not drawn: a vertex is not a number.');
    const programSays = drawPoints('program', program, at, notes, labels);
    const textbookSays = drawPoints('textbook', textbook, at, notes, labels);
    const raysSay = drawRays(Object.assign({ yscale: at.yscale }, view), at, place);
    placeLabels(placed, labels.sort((a, b) => a.x - b.x));
    const handleY = axisY + aperture + 10;
    drawHandle('v1', lens.v1, place(lens.v1, 0)[0], handleY, 'Left vertex v1');
    drawHandle('v2', lens.v2, place(lens.v2, 0)[0], handleY, 'Right vertex v2');
    drawHandle('s1', lens.s1, place(lens.s1, 0)[0], axisY, 'First centre of curvature s1');
    drawHandle('s2', lens.s2, place(lens.s2, 0)[0], axisY, 'Second centre of curvature s2');
    const tip = place(view.object.x, view.object.h);
    drawHandle('object', view.object.x, tip[0], axisY, 'Object position');
    drawHandle('object-height', view.object.h, tip[0], tip[1], 'Object height');
    description.textContent = [
      `Indices n0 = ${printed(lens.n0)}, n1 = ${printed(lens.n1)}, n2 = ${printed(lens.n2)}; `
        + `vertices v1 = ${printed(lens.v1)} cm and v2 = ${printed(lens.v2)} cm; `
        + `centres of curvature s1 = ${printed(lens.s1)} cm and s2 = ${printed(lens.s2)} cm.`,
      programSays.length ? `The program: ${programSays.join(', ')}.` : '',
      textbookSays.length ? `The textbook: ${textbookSays.join(', ')}.` : '',
      ticks.length ? `The scale's ticks stand at ${ticks.map((tick) => tick.text).join(', ')} cm.` : '',
    ].concat(raysSay, notes).filter((line) => line !== '').join(' ');
    notesLine.textContent = notes.join(' ');
    return at;
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
  // the notes and the readout (`readout`, lines of text) under it.
  const file = (readout) => {
    const copy = figure.cloneNode(true);
    for (const handle of copy.querySelectorAll('[data-handle]')) handle.remove();
    const lines = [caption, notesLine.textContent].filter((text) => text).flatMap((text) => wrap(text, 66)).concat(readout);
    const fullHeight = height + 6 + 14 * lines.length;
    copy.setAttribute('viewBox', `0 0 ${width} ${fullHeight}`);
    copy.setAttribute('width', String(2 * width));
    copy.setAttribute('height', String(2 * fullHeight));
    const background = copy.querySelector('.background');
    if (background) background.setAttribute('height', String(fullHeight));
    lines.forEach((text, i) => {
      const made = document.createElementNS(svgNamespace, 'text');
      made.setAttribute('class', 'caption start');
      made.setAttribute('x', '4');
      made.setAttribute('y', String(height + 14 * (i + 1)));
      made.textContent = text;
      copy.appendChild(made);
    });
    return new XMLSerializer().serializeToString(copy);
  };

  // The program's points that `screen` shows, as printed, by name.
  const printedPoints = (screen) => {
    const points = {};
    for (const name of Object.keys(sections)) {
      const text = printedValue(screen, sections[name]);
      if (text !== null) points[name] = text;
    }
    return points;
  };

  return { show: show, clear: clear, file: file, printedPoints: printedPoints, valuesIn: (screen) => screen.indexOf(valuesIn) >= 0 };
})();
