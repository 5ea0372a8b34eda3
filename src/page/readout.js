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
// The stops' rows: what limits the rays that get through.
const stopRows = {
  'aperture-stop': 'aperture stop: the stop whose image subtends the smallest angle from the axial object point',
  'entrance-pupil': 'entrance pupil: the aperture stop imaged into object space (position, radius)',
  'exit-pupil': 'exit pupil: the aperture stop imaged into image space (position, radius)',
  'f-number': 'f-number N = fI / (2 r_EP), for an object at infinity; working f-number 1 / (2 NA\u2032)',
  'numerical-aperture': 'numerical aperture n0 |u| of the marginal ray; on the image side n2 |u\u2032|',
  'field-stop': 'field stop, and its images: the entrance and exit windows (position, radius)',
  'field-of-view': 'field of view: half-angle slopes from the entrance pupil\'s centre',
};
// The derivation's table: a row for each plane the ray reaches.
const planes = {
  object: 'at the object\'s tip', v1: 'arriving at v1', R1: 'after R1', v2: 'after T12, arriving at v2', R2: 'after R2, leaving',
};
const rayNames = { parallel: 'parallel to the axis', focal: 'aimed at FO', nodal: 'aimed at NO',
  chief: 'aimed at the entrance pupil\'s centre, the chief ray,' };

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
  rowsOf(readout, stopRows, 'row', [['data-source', 'program'], ['data-source', 'textbook']]);
  rowsOf(trace, Object.assign({ stop: 'at the iris' }, planes), 'plane', [['data-matrix', ''], ['data-y', ''], ['data-u', '']]);
  for (const row of trace.tBodies[0].rows) row.tabIndex = 0;
  // The iris's row stands in the table where the ray meets the iris.
  const stopRow = trace.tBodies[0].rows[0];
  stopRow.remove();
  const systemRow = trace.tFoot.rows[0];
  // Each cell by its row and source, found once.
  const cells = new Map([...readout.querySelectorAll('td[data-source]')]
    .map((one) => [`${one.parentElement.dataset.quantity || one.parentElement.dataset.row} ${one.dataset.source}`, one]));
  const cell = (quantity, source) => cells.get(`${quantity} ${source}`);
  const quantity = (x) => quantityText(format, x);

  // The readout for each source: the program's four points as the dialogue
  // printed them (`shown`), its other rows once all four are on screen; an
  // afocal source's focal points, planes and lengths as what they are; the
  // stops' rows where an iris is in use (`iris`).
  const stopRowsShown = [...readout.querySelectorAll('tr[data-row]')];
  const fill = ({ shown, lens, optics, fan, iris }) => {
    // The stops' rows show with the iris, as the figure's stops do; filled
    // all the same, as the rims alone give them.
    for (const row of stopRowsShown) if (row.hidden !== !iris) row.hidden = !iris;
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
      fillStops(name, showing ? source.stops : null);
    }
    setText(cell('marginal-focus', 'textbook'), !fan ? '' : fan.reason ? `none: ${fan.reason}`
      : fan.leavesParallel ? 'at infinity: the rays leave parallel to the axis'
        : Number.isFinite(fan.marginalFocus) ? format(fan.marginalFocus) : 'none: no real ray leaves the lens');
    setText(cell('spherical-aberration', 'textbook'), fan && Number.isFinite(fan.sphericalAberration) ? format(fan.sphericalAberration) : fan ? 'none' : '');
    setText(cell('paraxial-height', 'textbook'), fan && Number.isFinite(fan.paraxialHeight) ? format(fan.paraxialHeight)
      : fan ? `none${optics.textbook.afocal ? ' (afocal: no FI)' : ''}` : '');
    for (const fanRow of ['marginal-focus', 'spherical-aberration', 'paraxial-height']) setText(cell(fanRow, 'program'), '');
  };

  // What the stops let through, for the source `name`.
  const fillStops = (name, stops) => {
    const found = stops && stops.found;
    const place = (image) => (image.atInfinity ? 'at infinity (telecentric)' : `${quantity(image.position)}, radius ${quantity(image.radius)}`);
    const texts = !found ? {} : {
      'aperture-stop': stops.aperture.name,
      'entrance-pupil': place(stops.entrance),
      'exit-pupil': place(stops.exit),
      'f-number': `${Number.isNaN(stops.fNumber) ? 'afocal' : quantity(stops.fNumber)}; working ${quantity(stops.workingFNumber)}`,
      'numerical-aperture': `${quantity(stops.numericalAperture)}; image side ${quantity(stops.imageNumericalAperture)}`,
      'field-stop': stops.hasField ? `${stops.field.name}; entrance window ${place(stops.entranceWindow)}; exit window ${place(stops.exitWindow)}`
        : 'none: no other stop',
      'field-of-view': !stops.hasField ? 'none: no field stop'
        : Number.isNaN(stops.fieldOfView.halfVignetted) ? 'none: a pupil or window at infinity'
          : `unvignetted ${Number.isNaN(stops.fieldOfView.unvignetted) ? 'none' : quantity(stops.fieldOfView.unvignetted)}, `
            + `half-vignetted ${quantity(stops.fieldOfView.halfVignetted)}, fully vignetted ${quantity(stops.fieldOfView.fullyVignetted)}`,
    };
    for (const row of Object.keys(stopRows)) setText(cell(row, name), stops ? texts[row] || 'none: no stop reaches the rays' : '');
  };

  // The dialogue prints a matrix's constant ones and zeros as 1 and 0.
  const matrixText = (plane) => {
    const entries = plane.entries.map((entry, i) => ((plane.constant >> i) & 1 ? String(entry) : format(entry)));
    return `${plane.matrix} = |${entries[0]} ${entries[1]}; ${entries[2]} ${entries[3]}|`;
  };

  // The derivation's matrices on the traced ray of `source` (its name and
  // what the program computed of it): each plane's height and slope, and the
  // matrix that took the ray there; then S on the ray at v1.
  const fillTrace = (name, source, record, traced) => {
    const rays = source ? source.rays.concat(source.stops.found ? source.stops.rays.filter((one) => one.name === 'chief') : []) : [];
    const ray = rays.find((one) => one.name === traced) || rays.find((one) => one.name === 'parallel');
    const caption = ray ? `The ray ${rayNames[ray.name]} from the object's tip, carried by the ${name}'s matrices`
      : 'The matrices carry a ray once the rays are drawn.';
    if (traceCaption.textContent !== caption) traceCaption.textContent = caption;
    const stopAt = ray ? ray.planes.findIndex((one) => one.plane === 'stop') : -1;
    const rows = [...trace.tBodies[0].rows].filter((row) => row !== stopRow);
    if (stopAt < 0) stopRow.remove();
    else if (trace.tBodies[0].rows[stopAt] !== stopRow) trace.tBodies[0].insertBefore(stopRow, rows[stopAt] || null);
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
      return cells[1] || cells[2] ? `${cells[0].split(/[,:;]/)[0]}: ${cells[1] ? `this program ${cells[1]}; ` : ''}textbook ${cells[2]}` : '';
    }),
  };
};
