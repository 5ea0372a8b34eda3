'use strict';

// The lens explorer, once the seven values are in: the figure with an
// object, its rays and its image; a readout of each source's points; and
// ways to change any value without retyping it: handles on the figure
// (dragged, or moved by arrow keys), a panel of the seven values and
// examples. A change of the lens becomes a new session, the seven values
// as their shortest texts and as many Enters as the session had answered,
// which the terminal replays; a change of the object only redraws.
// (No shorthand properties: Debian's emscripten minifies them wrongly.)
const explorer = (() => {
  const figure = document.getElementById('figure');
  const form = document.getElementById('values');
  const message = document.getElementById('values-message');
  const examples = document.getElementById('examples');
  const readout = document.getElementById('readout');
  const valueNames = ['n0', 'n1', 'n2', 'v1', 'v2', 's1', 's2'];
  const keyStep = 0.1;
  const shiftKeyStep = 1;
  const dragStep = 0.01;
  // The readout's rows: a quantity, what it is, a cell for each source.
  const quantities = {
    FI: 'FI, image focal point', FO: 'FO, objective focal point', HI: 'HI, image principal plane',
    HO: 'HO, objective principal plane', fI: 'fI = FI \u2212 HI, image focal length',
    fO: 'fO = HO \u2212 FO, objective focal length', NI: 'NI, image nodal point', NO: 'NO, objective nodal point',
    image: 'image of the object', magnification: 'magnification',
  };
  for (const name of Object.keys(quantities)) {
    const row = readout.tBodies[0].insertRow();
    row.dataset.quantity = name;
    const heading = document.createElement('th');
    heading.scope = 'row';
    heading.textContent = quantities[name];
    row.appendChild(heading);
    for (const source of ['program', 'textbook']) row.insertCell().dataset.source = source;
  }
  let placedObject = null;  // { x, h } as the user placed it, or null
  let last = null;          // the last run: its screen, its records, and the scales drawn
  let drag = null;          // the handle being dragged: its name, and whether it has moved

  // The shortest text that the program reads back as the same double.
  const shortest = (x) => {
    if (Number.isNaN(x)) return 'nan';
    if (!Number.isFinite(x)) return x < 0 ? '-inf' : 'inf';
    return Object.is(x, -0) ? '-0' : String(x);
  };
  const printed = (x) => window.tremovia.format(x);
  const rounded = (x, step) => Number((Math.round(x / step) * step).toPrecision(15));

  // An object about two focal lengths before the lens, 1 cm high.
  const defaultObject = (lens) => {
    const lengths = [lens.textbook.HO - lens.textbook.FO, lens.program.HO - lens.program.FO];
    const f = lengths.find((length) => Number.isFinite(length) && length !== 0);
    const front = Math.min(lens.v1, lens.v2);
    const x = front - 2 * (f === undefined ? Math.max(Math.abs(lens.v2 - lens.v1), 1) : Math.abs(f));
    return { x: Number.isFinite(x) ? rounded(x, dragStep) : 0, h: 1 };
  };

  // Each source's points, focal lengths, nodal points, image and rays.
  const sources = (lens, object) => ['program', 'textbook'].map((name) => {
    const record = lens[name];
    const derived = lensOptics.derived(record, object);
    return {
      name: name, record: record, derived: derived, image: derived.image,
      rays: lensOptics.principalRays(record, object, derived.NO),
    };
  });

  const fillReadout = (shown, both, programShown) => {
    for (const source of both) {
      const cell = (quantity) => readout.querySelector(`[data-quantity="${quantity}"] [data-source="${source.name}"]`);
      const program = source.name === 'program';
      for (const name of ['FI', 'FO', 'HI', 'HO']) {
        cell(name).textContent = program ? shown[name] || '' : printed(source.record[name]);
      }
      const showing = !program || programShown;
      for (const name of ['fI', 'fO', 'NI', 'NO']) cell(name).textContent = showing ? printed(source.derived[name]) : '';
      const image = source.image;
      cell('image').textContent = !showing ? '' : image.atInfinity ? 'at infinity'
        : `${printed(image.position)} (${image.virtual ? 'virtual' : 'real'}), ${printed(image.height)} high`;
      cell('magnification').textContent = showing && !image.atInfinity ? printed(image.magnification) : '';
    }
  };

  const fillPanel = (lens) => {
    for (const name of valueNames) {
      const field = form.elements[name];
      if (document.activeElement !== field) field.value = shortest(lens[name]);
    }
  };

  const clearAll = () => {
    last = null;
    lensFigure.clear();
  };

  // Draws the figure, the readout and the panel for the last run.
  const draw = (frozen) => {
    const lens = last.lens;
    const object = placedObject || defaultObject(lens);
    const shown = lensFigure.printedPoints(last.screen);
    const programShown = Object.keys(shown).length === 4;
    const both = sources(lens, object);
    const chosen = document.querySelector('input[name=rays]:checked').value;
    const source = both.find((one) => one.name === chosen && (chosen === 'textbook' || programShown)) || null;
    const focused = figure.contains(document.activeElement) ? document.activeElement.getAttribute('data-handle') : null;
    last.at = lensFigure.show(last.screen, lens, { object: object, source: source, frozen: frozen || null });
    if (focused) {
      const handle = figure.querySelector(`[data-handle="${focused}"]`);
      if (handle) handle.focus();
    }
    fillReadout(shown, both, programShown);
    fillPanel(lens);
  };

  // The lens with `name` set to `value`, as a new session the terminal
  // replays, answering as many pauses as the session had answered.
  const setValue = (name, value, newEntry) => {
    const session = terminal.session();
    const lastEntry = window.tremovia.entries()[6];
    let answered = 0;
    for (let i = lastEntry.end; i < session.bytes.length; i += 1) answered += session.bytes[i] === 10 ? 1 : 0;
    const values = valueNames.map((one) => shortest(one === name ? value : last.lens[one]));
    terminal.replaceSession(`${values.join('\n')}\n${'\n'.repeat(answered)}`, session.ended, newEntry);
  };

  // Moves the handle `name` to `value`.
  const moveHandle = (name, value, newEntry) => {
    if (!Number.isFinite(value)) return;
    if (name === 'object' || name === 'object-height') {
      const object = Object.assign({}, placedObject || defaultObject(last.lens));
      if (name === 'object') object.x = value;
      else object.h = value;
      placedObject = object;
      draw(drag ? drag.at : null);
      terminal.keepAddress();
    } else {
      setValue(name, value, newEntry);
    }
  };

  const handleValue = (name) => {
    const object = placedObject || defaultObject(last.lens);
    return name === 'object' ? object.x : name === 'object-height' ? object.h : last.lens[name];
  };

  figure.addEventListener('keydown', (event) => {
    const name = event.target.getAttribute('data-handle');
    const direction = { ArrowRight: 1, ArrowUp: 1, ArrowLeft: -1, ArrowDown: -1 }[event.key];
    if (!name || !direction) return;
    event.preventDefault();
    const step = event.shiftKey ? shiftKeyStep : keyStep;
    moveHandle(name, Number((handleValue(name) + direction * step).toPrecision(15)), !event.repeat);
  });

  // A drag keeps the scale it began with, so that the handle stays under the
  // pointer; the figure fits its contents again when it ends.
  const pointerValue = (event) => {
    const point = new DOMPoint(event.clientX, event.clientY).matrixTransform(figure.getScreenCTM().inverse());
    const at = drag.at;
    return drag.name === 'object-height' ? (at.y0 - point.y) / at.yscale : (point.x - at.x0) / at.scale;
  };
  figure.addEventListener('pointerdown', (event) => {
    const name = event.target.getAttribute('data-handle');
    if (!name || !last || !last.at) return;
    event.preventDefault();
    event.target.focus();
    figure.setPointerCapture(event.pointerId);
    drag = { name: name, pointer: event.pointerId, moved: false, at: last.at };
  });
  figure.addEventListener('pointermove', (event) => {
    if (!drag || event.pointerId !== drag.pointer) return;
    const value = rounded(pointerValue(event), dragStep);
    if (value === handleValue(drag.name)) return;
    moveHandle(drag.name, value, !drag.moved);
    drag.moved = true;
  });
  const endDrag = (event) => {
    if (!drag || event.pointerId !== drag.pointer) return;
    drag = null;
    draw();
  };
  figure.addEventListener('pointerup', endDrag);
  figure.addEventListener('pointercancel', endDrag);

  // The panel: Enter, or leaving a changed field, applies it; text that is
  // not a number is refused in the field, and nothing else changes.
  const apply = (field) => {
    if (!last || field.value === shortest(last.lens[field.name])) return;
    const value = window.tremovia.readValue(field.value);
    if (value === null) {
      field.setAttribute('aria-invalid', 'true');
      message.textContent = `${field.name}: "${field.value.slice(0, 40)}" is not a number as the program reads one: `
        + 'one number alone, with a point as its decimal separator (1.5), or inf or nan.';
      return;
    }
    field.removeAttribute('aria-invalid');
    message.textContent = '';
    setValue(field.name, value, true);
  };
  form.addEventListener('change', (event) => apply(event.target));
  form.addEventListener('keydown', (event) => {
    if (event.key !== 'Enter') return;
    event.preventDefault();
    apply(event.target);
  });
  form.addEventListener('submit', (event) => event.preventDefault());

  for (const choice of document.querySelectorAll('input[name=rays]')) {
    choice.addEventListener('change', () => last && draw());
  }

  // An example: its seven values and the Enters that run it to the summary.
  examples.addEventListener('change', () => {
    if (examples.value === '') return;
    placedObject = null;
    terminal.replaceSession(`${examples.value.split(' ').join('\n')}\n${'\n'.repeat(7)}`, false, true);
    examples.value = '';
  });

  return {
    // The seven values' names, in the order the dialogue asks for them.
    valueNames: valueNames,
    // Draws what the program's output `screen` shows of the records `lens`.
    show: (screen, lens) => {
      if (!lensFigure.valuesIn(screen)) {
        clearAll();
        return;
      }
      last = { screen: screen, lens: lens, at: null };
      draw(drag ? drag.at : null);
    },
    // Where the object stands, from the address, or null for its default.
    place: (object) => {
      placedObject = object;
    },
    // The object as the address keeps it, once placed.
    addressPart: () => (placedObject ? `&object=${shortest(placedObject.x)},${shortest(placedObject.h)}` : ''),
    // The readout as lines of text, for the saved figure.
    readoutLines: () => [...readout.querySelectorAll('tbody tr')].map((row) => {
      const cells = [...row.children].map((cell) => cell.textContent);
      return `${cells[0]}: this program ${cells[1] || '(not shown yet)'}; textbook ${cells[2]}`;
    }),
  };
})();
