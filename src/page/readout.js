// The explorer's two tables: the readout of each source's points, focal
// lengths, nodal points, image and real rays (table#readout), and the
// derivation's matrices carrying one ray, plane by plane (table#trace). They
// show what the program computed (window.tremovia.explore and realRays),
// each number as the dialogue prints it, a long one shortened with the
// whole of it in its cell's title; each cell is written only where it
// changed.
import { shortenedNumbers } from './numbers.js';

// The readout's rows: a quantity, what it is, a cell for each source.
const quantities = {
  FI: 'FI, image focal point', FO: 'FO, objective focal point', HI: 'HI, image principal plane',
  HO: 'HO, objective principal plane', fI: 'fI = FI \u2212 HI, image focal length',
  fO: 'fO = HO \u2212 FO, objective focal length', NI: 'NI, image nodal point', NO: 'NO, objective nodal point',
  image: 'image of the object', magnification: 'magnification',
  'marginal-focus': 'marginal focus, where the outermost real ray crosses the axis',
  'spherical-aberration': 'spherical aberration, that crossing \u2212 FI',
  'paraxial-height': 'paraxial height, the largest whose real ray crosses within 1% of fI from FI',
};
// The derivation's table: a row for each plane the ray reaches.
const planes = {
  object: 'at the object\'s tip', v1: 'arriving at v1', R1: 'after R1', v2: 'after T12, arriving at v2', R2: 'after R2, leaving',
};
const rayNames = { parallel: 'parallel to the axis', focal: 'aimed at FO', nodal: 'aimed at NO' };

// A quantity the page computes: as the dialogue prints a number, or, where
// it is none, in words; "nan" and "inf" are what the program prints of its
// own values only.
const quantityText = (format, x) => (Number.isFinite(x) ? format(x) : Number.isNaN(x) ? 'none (not a number)'
  : `${x < 0 ? 'minus ' : ''}infinity`);

const setText = (cell, text) => {
  const short = shortenedNumbers(text);
  if (cell.textContent !== short) cell.textContent = short;
  if (short === text) cell.removeAttribute('title');
  else cell.title = text;
};

export const makeReadout = (format) => {
  const readout = document.getElementById('readout');
  const trace = document.getElementById('trace');
  const traceCaption = trace.querySelector('caption');
  const rowsOf = (table, names, key, cells) => {
    for (const name of Object.keys(names)) {
      const row = table.tBodies[0].insertRow();
      row.dataset[key] = name;
      const heading = document.createElement('th');
      heading.scope = 'row';
      heading.textContent = names[name];
      row.appendChild(heading);
      for (const cell of cells) row.insertCell().setAttribute(cell[0], cell[1]);
    }
  };
  rowsOf(readout, quantities, 'quantity', [['data-source', 'program'], ['data-source', 'textbook']]);
  rowsOf(trace, planes, 'plane', [['data-matrix', ''], ['data-y', ''], ['data-u', '']]);
  for (const row of trace.tBodies[0].rows) row.tabIndex = 0;
  const systemRow = trace.tFoot.rows[0];
  const cell = (quantity, source) => readout.querySelector(`[data-quantity="${quantity}"] [data-source="${source}"]`);
  const quantity = (x) => quantityText(format, x);

  // The readout for each source: the program's four points as the dialogue
  // printed them (`shown`), its other rows once all four are on screen; an
  // afocal source's focal points, planes and lengths as what they are.
  const fill = ({ shown, lens, optics, fan }) => {
    const programShown = Object.keys(shown).length === 4;
    for (const name of ['program', 'textbook']) {
      const program = name === 'program';
      const showing = !program || programShown;
      const source = optics[name];
      const afocal = showing && source.afocal;
      for (const point of ['FI', 'FO', 'HI', 'HO']) {
        const text = program ? shown[point] || '' : afocal ? 'none' : quantity(lens[name][point]);
        setText(cell(point, name), afocal ? `${text} (afocal: no focal points)` : text);
      }
      for (const derived of ['fI', 'fO', 'NI', 'NO']) {
        const none = derived[0] === 'N' ? 'none (afocal)' : 'infinite (afocal)';
        setText(cell(derived, name), !showing ? '' : afocal ? none : quantity(source[derived]));
      }
      const image = source.image;
      let imageText = '';
      if (showing) {
        imageText = image.atInfinity ? 'at infinity' : !Number.isFinite(image.position) ? quantity(image.position)
          : `${format(image.position)} (${image.virtual ? 'virtual' : 'real'}), ${quantity(image.height)} high`;
      }
      setText(cell('image', name), imageText);
      setText(cell('magnification', name), showing && !image.atInfinity && Number.isFinite(image.position) ? quantity(image.magnification) : '');
    }
    setText(cell('marginal-focus', 'textbook'), !fan ? '' : fan.reason ? `none: ${fan.reason}`
      : fan.leavesParallel ? 'at infinity: the rays leave parallel to the axis'
        : Number.isFinite(fan.marginalFocus) ? format(fan.marginalFocus) : 'none: no real ray leaves the lens');
    setText(cell('spherical-aberration', 'textbook'), fan && Number.isFinite(fan.sphericalAberration) ? format(fan.sphericalAberration) : fan ? 'none' : '');
    setText(cell('paraxial-height', 'textbook'), fan && Number.isFinite(fan.paraxialHeight) ? format(fan.paraxialHeight)
      : fan ? `none${optics.textbook.afocal ? ' (afocal: no FI)' : ''}` : '');
    for (const fanRow of ['marginal-focus', 'spherical-aberration', 'paraxial-height']) setText(cell(fanRow, 'program'), '');
  };

  // The dialogue prints a matrix's constant ones and zeros as 1 and 0.
  const matrixText = (plane) => {
    const entries = plane.entries.map((entry, i) => (plane.constant[i] ? String(entry) : format(entry)));
    return `${plane.matrix} = |${entries[0]} ${entries[1]}; ${entries[2]} ${entries[3]}|`;
  };

  // The derivation's matrices on the traced ray of `source` (its name and
  // what the program computed of it): each plane's height and slope, and the
  // matrix that took the ray there; then S on the ray at v1.
  const fillTrace = (name, source, record, traced) => {
    const ray = source && (source.rays.find((one) => one.name === traced) || source.rays.find((one) => one.name === 'parallel'));
    traceCaption.textContent = ray ? `The ray ${rayNames[ray.name]} from the object's tip, carried by the ${name}'s matrices`
      : 'The matrices carry a ray once the rays are drawn.';
    for (const row of trace.tBodies[0].rows) {
      const plane = ray ? ray.planes.find((one) => one.plane === row.dataset.plane) : null;
      setText(row.cells[1], plane && plane.matrix ? matrixText(plane) : '');
      setText(row.cells[2], plane ? quantityText(format, plane.y) : '');
      setText(row.cells[3], plane ? quantityText(format, plane.u) : '');
    }
    setText(systemRow.cells[1], ray ? `S = |${format(record.S11)} ${format(record.S12)}; ${format(record.S21)} ${format(record.S22)}|` : '');
    setText(systemRow.cells[2], ray ? quantityText(format, ray.system.y) : '');
    setText(systemRow.cells[3], ray ? quantityText(format, ray.system.u) : '');
  };

  return {
    fill: fill,
    fillTrace: fillTrace,
    // The readout as lines of text, for the saved figure.
    lines: () => [...readout.querySelectorAll('tbody tr')].map((row) => {
      const cells = [...row.children].map((one) => one.title || one.textContent);
      return cells[1] || cells[2] ? `${cells[0].split(',')[0]}: ${cells[1] ? `this program ${cells[1]}; ` : ''}textbook ${cells[2]}` : '';
    }),
  };
};
