'use strict';

// The figure beside the dialogue: the lens on its axis, with its media, its
// surfaces as arcs about their centres, and the four points as the program
// computes them (filled discs, solid lines) and as the textbook does (hollow
// diamonds, dashed lines). It follows the screen: the lens once the seven
// values are in, each point once its section is on screen. For tests,
// svg#figure carries data-x0 and data-scale (a point at x cm is drawn at
// x0 + scale * x), and each point's marker or line carries data-point,
// data-source and data-value.
// (No shorthand properties: Debian's emscripten minifies them wrongly.)
const lensFigure = (() => {
  const svgNamespace = 'http://www.w3.org/2000/svg';
  const width = 400;
  const axisY = 132;
  const margin = 24;
  const aperture = 56;      // the lens's half height, where its surfaces allow
  const smallestArc = 4;    // a radius drawn smaller than this is drawn flat
  const largestArc = 1e5;   // and so is one larger than this: it looks flat
  const readableWidth = 3;  // a lens drawn narrower than this is not readable
  // What the screen shows once the seven values are in, and once each
  // point's section is on it; the value follows, as the dialogue prints it.
  const valuesIn = 'Relative refractive index N01 is ';
  const sections = {
    FI: ' Image focal point FI=v2-(S11/S21) = ',
    FO: ' Image focal point FO=v1+(S22/S21) = ',
    HI: ' Image plane HI = v2+((1-S11)/S21) = ',
    HO: ' Objective plane HO = v1+S12+((S22*(1-S11))/S21) = ',
  };

  const figure = document.getElementById('figure');
  const box = document.getElementById('figure-box');
  const notesLine = document.getElementById('figure-notes');
  const styleSheet = figure.querySelector('style');

  // Six decimals, written out in full even from 1e21 on, where toFixed turns
  // to an exponent (every such double is a whole number).
  const sixDecimals = (x) => {
    if (Number.isNaN(x)) return 'nan';
    if (!Number.isFinite(x)) return x < 0 ? '-inf' : 'inf';
    return Math.abs(x) < 1e21 ? x.toFixed(6) : `${BigInt(x)}.000000`;
  };
  const at2 = (x) => x.toFixed(2);

  const draw = (name, attributes, text) => {
    const made = document.createElementNS(svgNamespace, name);
    for (const key of Object.keys(attributes)) made.setAttribute(key, attributes[key]);
    if (text !== undefined) made.textContent = text;
    figure.appendChild(made);
    return made;
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
    const half = Math.max(high / 2 - low / 2, Math.abs(middle) * 1e-9, 1e-6) * 1.08;
    const scale = (width / 2 - margin) / half;
    return { x0: width / 2 - scale * middle, scale: scale };
  };

  // A tick step of 1, 2 or 5 times a power of ten, for at most 8 ticks over
  // twice `halfSpan` (halved, as the span itself may overflow).
  const tickStep = (halfSpan) => {
    const power = 10 ** Math.floor(Math.log10(halfSpan / 4));
    return [1, 2, 5, 10].map((m) => m * power).find((step) => halfSpan / step <= 4);
  };

  const drawAxisAndScale = (at) => {
    draw('line', { class: 'axis', x1: 0, y1: axisY, x2: width, y2: axisY });
    const scaleY = axisY + 108;
    draw('line', { class: 'tick', x1: margin, y1: scaleY, x2: width - margin, y2: scaleY });
    const left = (margin - at.x0) / at.scale;
    const right = (width - margin - at.x0) / at.scale;
    const step = tickStep(right / 2 - left / 2);
    if (!(step > 0 && Number.isFinite(step))) return;
    for (let i = Math.ceil(left / step); i * step <= right; i += 1) {
      const x = at2(at.x0 + at.scale * i * step);
      draw('line', { class: 'tick', x1: x, y1: scaleY, x2: x, y2: scaleY + 4 });
      draw('text', { class: 'scale', x: x, y: scaleY + 15 }, String(Number((i * step).toPrecision(6))));
    }
    draw('text', { class: 'end', x: width - 4, y: scaleY - 4 }, 'cm');
  };

  const drawMedia = (lens, left, right) => {
    const clamp = (x) => Math.min(Math.max(x, 0), width);
    const media = [[0, clamp(left)], [clamp(left), clamp(right)], [clamp(right), width]];
    media.forEach((edges, i) => {
      draw('rect', { class: `medium n${i}`, x: at2(edges[0]), y: 24, width: at2(edges[1] - edges[0]), height: 196 });
    });
    draw('text', { class: 'index start', x: 4, y: 36 }, `n0 = ${sixDecimals(lens.n0)}`);
    draw('text', { class: 'index end', x: width - 4, y: 36 }, `n2 = ${sixDecimals(lens.n2)}`);
    draw('text', { class: 'index', x: at2(Math.min(Math.max((left + right) / 2, 90), width - 90)), y: 36 },
      `n1 = ${sixDecimals(lens.n1)}`);
  };

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
        notes.push(`s${one.number} is ${sixDecimals(one.s)}: surface ${one.number} is drawn flat.`);
      } else if (one.s === one.v) {
        notes.push(`s${one.number} = v${one.number}: surface ${one.number} has no radius and is drawn flat.`);
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
    // Down the first surface, across the bottom, up the second.
    draw('path', {
      class: 'lens',
      d: `M ${at2(down.edge)} ${at2(axisY - halfHeight)} ${down.path} L ${at2(up.edge)} ${at2(axisY + halfHeight)} ${up.path} Z`,
    });
    for (const one of surfaces) {
      if (!Number.isFinite(one.centre)) continue;
      const x = Math.min(Math.max(one.centre, 4), width - 4);
      draw('path', { class: 'centre', d: `M ${at2(x - 4)} ${axisY - 4} l 8 8 m 0 -8 l -8 8` });
      labels.push({ name: `C${one.number}`, x: x, below: true, near: true, class: 'centre-label' });
    }
  };

  // Each label at its place above or below the axis, near it (the focal
  // points, the centres) or at the ends of the planes; one that would
  // overlap another goes a row further out.
  const drawLabels = (labels) => {
    const placed = [];
    for (const label of labels.slice().sort((a, b) => a.x - b.x)) {
      let row = 0;
      const clash = (other) => other.row === row && other.below === label.below && other.near === label.near
        && Math.abs(other.x - label.x) < 22;
      while (placed.some(clash)) row += 1;
      label.row = row;
      placed.push(label);
      const distance = (label.near ? 13 : 80) + 11 * row;
      draw('text', { class: label.class, x: at2(label.x), y: at2(label.below ? axisY + distance + 8 : axisY - distance) }, label.name);
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
      labels.push({ name: point.name, x: point.x, below: !program, near: focal, class: `point-label ${source}` });
    }
    return drawn.map((point) => `${point.name} = ${point.text} cm`);
  };

  const drawLegend = () => {
    draw('rect', { class: 'legend-box', x: 0, y: 0, width: width, height: 22 });
    draw('circle', { class: 'focal program', cx: 10, cy: 11, r: 4.5 });
    draw('line', { class: 'plane program', x1: 21, x2: 21, y1: 4, y2: 18 });
    draw('text', { class: 'legend start', x: 27, y: 15 }, 'the program (products)');
    draw('path', { class: 'focal textbook', d: 'M 206 5 l 6 6 l -6 6 l -6 -6 Z' });
    draw('line', { class: 'plane textbook', x1: 219, x2: 219, y1: 4, y2: 18 });
    draw('text', { class: 'legend start', x: 225, y: 15 }, 'the textbook (quotients)');
  };

  const clear = () => {
    while (figure.lastChild !== styleSheet) figure.removeChild(figure.lastChild);
    figure.removeAttribute('data-x0');
    figure.removeAttribute('data-scale');
    notesLine.textContent = '';
    box.hidden = true;
  };

  // Draws what `screen` (the program's output so far) shows of `lens` (the
  // run's record from window.tremovia.lens()); nothing before the seven
  // values are in.
  const show = (screen, lens) => {
    clear();
    if (screen.indexOf(valuesIn) < 0) return;
    box.hidden = false;
    const program = {};
    const textbook = {};
    const inFigure = [lens.v1, lens.v2, lens.s1, lens.s2];
    for (const name of Object.keys(sections)) {
      const text = printedValue(screen, sections[name]);
      if (text === null) continue;
      program[name] = { value: lens.program[name], text: text };
      textbook[name] = { value: lens.textbook[name], text: sixDecimals(lens.textbook[name]) };
      inFigure.push(lens.program[name], lens.textbook[name]);
    }
    const notes = [];
    const at = fit(inFigure);
    figure.setAttribute('data-x0', String(at.x0));
    figure.setAttribute('data-scale', String(at.scale));
    draw('title', {}, 'The lens on its axis, with its focal points and principal planes');
    const description = draw('desc', {}, '');
    const lensDrawn = Number.isFinite(lens.v1) && Number.isFinite(lens.v2);
    const v1 = lensDrawn ? at.x0 + at.scale * lens.v1 : width / 2;
    const v2 = lensDrawn ? at.x0 + at.scale * lens.v2 : width / 2;
    drawMedia(lens, Math.min(v1, v2), Math.max(v1, v2));
    drawAxisAndScale(at);
    for (const name of ['n0', 'n1', 'n2', 'v1', 'v2']) {
      if (!Number.isFinite(lens[name])) notes.push(`${name} is ${sixDecimals(lens[name])}.`);
    }
    const labels = [];
    if (lensDrawn) drawLens(lens, at, notes, labels);
    else notes.push('The lens is not drawn: a vertex is not a number.');
    const programSays = drawPoints('program', program, at, notes, labels);
    const textbookSays = drawPoints('textbook', textbook, at, notes, labels);
    drawLabels(labels);
    drawLegend();
    description.textContent = [
      `Indices n0 = ${sixDecimals(lens.n0)}, n1 = ${sixDecimals(lens.n1)}, n2 = ${sixDecimals(lens.n2)}; `
        + `vertices v1 = ${sixDecimals(lens.v1)} cm and v2 = ${sixDecimals(lens.v2)} cm; `
        + `centres of curvature s1 = ${sixDecimals(lens.s1)} cm and s2 = ${sixDecimals(lens.s2)} cm.`,
      programSays.length ? `The program: ${programSays.join(', ')}.` : '',
      textbookSays.length ? `The textbook: ${textbookSays.join(', ')}.` : '',
    ].concat(notes).filter((line) => line !== '').join(' ');
    notesLine.textContent = notes.join(' ');
  };

  // The figure as a file of its own, as Save figure downloads it.
  const file = () => new XMLSerializer().serializeToString(figure);

  return { show: show, clear: clear, file: file };
})();
