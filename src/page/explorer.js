'use strict';

// The lens explorer, once the seven values are in: the figure with an
// object, its rays and its image; a readout of each source's points; the
// derivation's matrices carrying one ray; real rays beside the paraxial
// ones; and ways to change any value without retyping it: handles on the
// figure (dragged, or moved by arrow keys), a panel of the seven values and
// examples. Every change goes to the session; the views are drawn anew
// from it.
const makeExplorer = (session, valueNames) => {
  const figure = document.getElementById('figure');
  const form = document.getElementById('values');
  const message = document.getElementById('values-message');
  const examples = document.getElementById('examples');
  const readout = document.getElementById('readout');
  const trace = document.getElementById('trace');
  const traceCaption = trace.querySelector('caption');
  const typedButton = document.getElementById('typed-session');
  const realRays = document.querySelector('input[name=real-rays]');
  const apertureField = document.querySelector('input[name=aperture]');
  const keyStep = 0.1;
  const shiftKeyStep = 1;
  const dragStep = 0.01;
  const fanSize = 7;
  const longestNumber = 14;
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

  let last = null;   // the last drawing: its lens and scales
  let drag = null;   // the handle being dragged, the scales it began with, its burst
  let drags = 0;
  let bursting = null;  // the handle whose keys make the current burst
  let traced = 'parallel';

  const printed = (x) => window.tremovia.format(x);
  const rounded = (x, step) => Number((Math.round(x / step) * step).toPrecision(15));
  // A cell's text with each long number in it shortened, and the whole of
  // it in its title; written only where it changed.
  const setText = (cell, text) => {
    const short = text.replace(/-?[0-9]+\.[0-9]{6}/g, (number) => (number.length > longestNumber ? lensFigure.shortened(number) : number));
    if (cell.textContent !== short) cell.textContent = short;
    if (short === text) cell.removeAttribute('title');
    else cell.title = text;
  };

  // An object about two focal lengths before the lens, 1 cm high.
  const defaultObject = (lens) => {
    const lengths = [lens.textbook.HO - lens.textbook.FO, lens.program.HO - lens.program.FO];
    const f = lengths.find((length) => Number.isFinite(length) && length !== 0);
    const front = Math.min(lens.v1, lens.v2);
    const x = front - 2 * (f === undefined ? Math.max(Math.abs(lens.v2 - lens.v1), 1) : Math.abs(f));
    return { x: Number.isFinite(x) ? rounded(x, dragStep) : 0, h: 1 };
  };
  const objectNow = () => session.object() || defaultObject(session.run().lens);

  // Each source's points, focal lengths, nodal points, image and rays.
  const sources = (lens, object) => ['program', 'textbook'].map((name) => {
    const record = lens[name];
    const derived = lensOptics.derived(record, object);
    return { name: name, record: record, derived: derived, image: derived.image, rays: lensOptics.principalRays(record, object, derived.NO) };
  });

  const fillReadout = (shown, both, programShown, fan) => {
    const cell = (quantity, source) => readout.querySelector(`[data-quantity="${quantity}"] [data-source="${source}"]`);
    for (const source of both) {
      const program = source.name === 'program';
      const showing = !program || programShown;
      const afocal = source.derived.afocal;
      for (const name of ['FI', 'FO', 'HI', 'HO']) {
        const text = program ? shown[name] || '' : printed(source.record[name]);
        setText(cell(name, source.name), showing && afocal && name[0] === 'F' ? `${text} (afocal: no focal points)` : text);
      }
      for (const name of ['fI', 'fO', 'NI', 'NO']) {
        const value = source.derived[name];
        setText(cell(name, source.name), !showing ? '' : afocal && name[0] === 'N' ? 'none (afocal)' : printed(value));
      }
      const image = source.image;
      let imageText = '';
      if (showing) {
        const where = printed(image.position);
        imageText = image.atInfinity ? 'at infinity' : !Number.isFinite(image.position) ? where
          : `${where} (${image.virtual ? 'virtual' : 'real'}), ${printed(image.height)} high`;
      }
      setText(cell('image', source.name), imageText);
      setText(cell('magnification', source.name), showing && !image.atInfinity ? printed(image.magnification) : '');
    }
    const fanValues = { 'marginal-focus': 'marginalFocus', 'spherical-aberration': 'sphericalAberration', 'paraxial-height': 'paraxialHeight' };
    for (const name of Object.keys(fanValues)) {
      setText(cell(name, 'textbook'), fan ? printed(fan[fanValues[name]]) : '');
      setText(cell(name, 'program'), '');
    }
  };

  // The derivation's matrices on the traced ray: each plane's height and
  // slope, and the matrix that took the ray there; then S on the ray at v1.
  const fillTrace = (source) => {
    const ray = source && (source.rays[traced] || source.rays.parallel);
    const names = { parallel: 'parallel to the axis', focal: 'aimed at FO', nodal: 'aimed at NO' };
    traceCaption.textContent = ray ? `The ray ${names[traced in source.rays ? traced : 'parallel']} from the object's tip, carried by the ${source.name}'s matrices`
      : 'The matrices carry a ray once the rays are drawn.';
    const matrix = (name, entries) => (name ? `${name} = |${entries.slice(0, 2).map(entryText).join(' ')}; ${entries.slice(2).map(entryText).join(' ')}|` : '');
    for (const row of trace.tBodies[0].rows) {
      const plane = ray ? ray.planes.find((one) => one.plane === row.dataset.plane) : null;
      const cells = row.cells;
      setText(cells[1], plane ? matrix(plane.matrix, plane.entries) : '');
      setText(cells[2], plane ? printed(plane.y) : '');
      setText(cells[3], plane ? printed(plane.u) : '');
    }
    const m = source ? source.record : null;
    const at = ray ? ray.planes[1] : null;
    setText(systemRow.cells[1], m ? matrix('S', [m.S11, m.S12, m.S21, m.S22]) : '');
    setText(systemRow.cells[2], at ? printed(m.S11 * at.y + m.S12 * at.u) : '');
    setText(systemRow.cells[3], at ? printed(m.S21 * at.y + m.S22 * at.u) : '');
  };
  // The dialogue prints a matrix's constant ones and zeros as 1 and 0.
  const entryText = (entry) => (typeof entry === 'string' ? entry : printed(entry));

  // Each field shows its value, unless the student is editing it.
  const fillPanel = (lens) => {
    for (const name of valueNames) {
      const field = form.elements[name];
      if (!field.dataset.edited) field.value = shortestText(lens[name]);
    }
  };

  // Draws the figure, the readout, the derivation's table and the panel
  // for the session's last run.
  const render = () => {
    const run = session.run();
    const lens = run.lens;
    typedButton.hidden = !session.typed();
    if (!lensFigure.valuesIn(run.program)) {
      lensFigure.clear();
      last = null;
      return;
    }
    const object = objectNow();
    const shown = lensFigure.printedPoints(run.program);
    const programShown = Object.keys(shown).length === 4;
    const both = sources(lens, object);
    const chosen = document.querySelector('input[name=rays]:checked').value;
    const source = both.find((one) => one.name === chosen && (chosen === 'textbook' || programShown)) || null;
    let fan = null;
    if (realRays.checked) {
      const asked = apertureField.value === '' ? null : window.tremovia.readValue(apertureField.value);
      const usable = asked !== null && asked > 0 && asked <= lens.aperture;
      apertureField.setAttribute('aria-invalid', String(asked !== null && !usable || apertureField.value !== '' && asked === null));
      fan = { count: fanSize, aperture: usable ? asked : lens.aperture };
    }
    apertureField.placeholder = printed(lens.aperture);
    const drawn = lensFigure.show({
      screen: run.program, lens: lens, object: object, source: source, chosen: chosen, traced: traced,
      fan: fan, frozen: drag ? drag.at : null,
    });
    // The handles keep their elements, and with them the focus.
    last = { at: drawn.at, lens: lens };
    fillReadout(shown, both, programShown, drawn.fan);
    fillTrace(source);
    fillPanel(lens);
  };

  // The lens with `name` set to `value`, as a new session.
  const setValue = (name, value, handle) => {
    const lens = session.run().lens;
    session.changeLens(valueNames.map((one) => shortestText(one === name ? value : lens[one])), handle, objectNow());
  };

  const handleValue = (name) => {
    const object = objectNow();
    return name === 'object' ? object.x : name === 'object-height' ? object.h : last.lens[name];
  };

  // Moves the handle `name` to `value`, as part of the burst `handle`. The
  // object never enters the glass: a step that would takes it to the
  // vertex before it, or from there across the lens.
  const moveHandle = (name, value, handle) => {
    if (!Number.isFinite(value)) return;
    if (name !== 'object' && name !== 'object-height') {
      setValue(name, value, handle);
      return;
    }
    const object = Object.assign({}, objectNow());
    if (name === 'object-height') {
      object.h = value;
    } else {
      const [low, high] = [Math.min(last.lens.v1, last.lens.v2), Math.max(last.lens.v1, last.lens.v2)];
      const before = object.x;
      object.x = !session.inGlass({ x: value }, last.lens) ? value
        : drag ? (value < low / 2 + high / 2 ? low : high)
          : before <= low ? (before === low ? high : low) : (before === high ? low : high);
    }
    session.moveObject(object, handle);
  };

  figure.addEventListener('keydown', (event) => {
    const name = event.target.getAttribute('data-handle');
    const direction = { ArrowRight: 1, ArrowUp: 1, ArrowLeft: -1, ArrowDown: -1 }[event.key];
    if (!name || !direction || !last) return;
    event.preventDefault();
    bursting = name;
    const step = event.shiftKey ? shiftKeyStep : keyStep;
    moveHandle(name, Number((handleValue(name) + direction * step).toPrecision(15)), `keys ${name}`);
  });
  // A burst of keys ends when the focus goes anywhere else.
  document.addEventListener('focusin', (event) => {
    if (bursting && event.target.getAttribute && event.target.getAttribute('data-handle') !== bursting) {
      bursting = null;
      session.endBurst();
    }
  });
  // A ray chosen in the figure is the one the derivation's table carries.
  figure.addEventListener('click', (event) => {
    const ray = event.target.getAttribute('data-ray');
    if (!ray) return;
    traced = ray;
    trace.parentElement.querySelector(`input[name=trace-ray][value=${ray}]`).checked = true;
    render();
  });

  // A drag keeps the scale it began with, so that the handle stays under the
  // pointer, and moves the value as far as the pointer moves, from wherever
  // the handle stood; the figure fits its contents again when it ends.
  const pointerAt = (event) => new DOMPoint(event.clientX, event.clientY).matrixTransform(figure.getScreenCTM().inverse());
  const pointerValue = (event) => {
    const point = pointerAt(event);
    return drag.value + (drag.name === 'object-height' ? (drag.from.y - point.y) / drag.at.yscale : (point.x - drag.from.x) / drag.at.scale);
  };
  figure.addEventListener('pointerdown', (event) => {
    const handle = event.target.closest('[data-handle]');
    if (!handle || !last) return;
    event.preventDefault();
    handle.focus({ preventScroll: true });
    figure.setPointerCapture(event.pointerId);
    drags += 1;
    const name = handle.getAttribute('data-handle');
    drag = { name: name, pointer: event.pointerId, at: last.at, burst: `drag ${drags}`, from: pointerAt(event), value: handleValue(name) };
  });
  figure.addEventListener('pointermove', (event) => {
    if (!drag || event.pointerId !== drag.pointer) return;
    const value = rounded(pointerValue(event), dragStep);
    if (value !== handleValue(drag.name)) moveHandle(drag.name, value, drag.burst);
  });
  const endDrag = (event) => {
    if (!drag || event.pointerId !== drag.pointer) return;
    drag = null;
    session.endBurst();
    render();
  };
  figure.addEventListener('pointerup', endDrag);
  figure.addEventListener('pointercancel', endDrag);

  // Hovering or focusing a row of the derivation's table lights its stretch
  // of the ray in the figure, and the reverse.
  const light = (plane, on) => {
    for (const node of document.querySelectorAll(`[data-stretch="${plane}"], #trace tr[data-plane="${plane}"]`)) {
      node.classList.toggle('lit', on);
    }
  };
  for (const [target, attribute] of [[trace, 'data-plane'], [figure, 'data-stretch']]) {
    for (const [type, on] of [['mouseover', true], ['mouseout', false], ['focusin', true], ['focusout', false]]) {
      target.addEventListener(type, (event) => {
        const node = event.target.closest && event.target.closest(`[${attribute}]`);
        if (node) light(node.getAttribute(attribute), on);
      });
    }
  }

  // The panel: Enter, or leaving a changed field, applies it; text that is
  // not one number is refused in the field, and nothing else changes.
  const apply = (field) => {
    if (!last || (!field.dataset.edited && field.value === shortestText(last.lens[field.name]))) return;
    const value = window.tremovia.readValue(field.value);
    if (value === null) {
      field.setAttribute('aria-invalid', 'true');
      message.textContent = `${field.name}: "${field.value.slice(0, 40)}" is not a number as the program reads one: `
        + 'one number alone, with a point as its decimal separator (1.5), or inf or nan.';
      return;
    }
    field.removeAttribute('aria-invalid');
    message.textContent = '';
    delete field.dataset.edited;
    if (!Object.is(value, last.lens[field.name])) setValue(field.name, value, null);
    field.value = shortestText(last.lens[field.name]);
  };
  form.addEventListener('input', (event) => { event.target.dataset.edited = 'yes'; });
  form.addEventListener('change', (event) => apply(event.target));
  form.addEventListener('keydown', (event) => {
    if (event.key !== 'Enter') return;
    event.preventDefault();
    apply(event.target);
  });
  form.addEventListener('submit', (event) => event.preventDefault());

  for (const choice of document.querySelectorAll('input[name=rays], input[name=real-rays], input[name=aperture]')) {
    choice.addEventListener('change', () => last && render());
  }
  for (const choice of document.querySelectorAll('input[name=trace-ray]')) {
    choice.addEventListener('change', () => {
      traced = choice.value;
      if (last) render();
    });
  }
  typedButton.addEventListener('click', () => session.returnToTyped());

  // Examples: a lens is opened when it is chosen, by the pointer or by
  // Enter, not while the keys browse the list.
  let browsing = false;
  const openExample = () => {
    browsing = false;
    if (examples.value !== '') session.openExample(examples.value.split(' '));
    examples.value = '';
  };
  examples.addEventListener('keydown', (event) => {
    if (event.key === 'Enter') {
      event.preventDefault();
      openExample();
    } else {
      browsing = true;
    }
  });
  examples.addEventListener('pointerdown', () => { browsing = false; });
  examples.addEventListener('change', () => {
    if (!browsing) openExample();
  });

  return {
    render: render,
    // The readout as lines of text, for the saved figure.
    readoutLines: () => [...readout.querySelectorAll('tbody tr')].map((row) => {
      const cells = [...row.children].map((cell) => cell.title || cell.textContent);
      return cells[1] || cells[2] ? `${cells[0].split(',')[0]}: ${cells[1] ? `this program ${cells[1]}; ` : ''}textbook ${cells[2]}` : '';
    }),
  };
};
