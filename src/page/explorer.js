// The lens explorer, once the seven values are in: the figure with an
// object, its rays and its image; the readout and the derivation's matrices
// on one ray; real rays beside the paraxial ones; and ways to change any
// value without retyping it: handles on the figure (dragged, or moved by
// arrow keys), a panel of the seven values, examples, and the view's
// choices. Every change goes to the session; the views are drawn anew from
// it, by the program's optics (window.tremovia), the scene and the drawing.
import { shortestText } from './numbers.js';
import { inGlass } from './session.js';
import { lensScene, printedPoints, showsValues } from './scene.js';

export const makeExplorer = (session, program, valueNames, readout, drawing) => {
  const figure = document.getElementById('figure');
  const form = document.getElementById('values');
  const message = document.getElementById('values-message');
  const examples = document.getElementById('examples');
  const trace = document.getElementById('trace');
  const typedButton = document.getElementById('typed-session');
  const realRays = document.querySelector('input[name=real-rays]');
  const apertureField = document.querySelector('input[name=aperture]');
  const apertureMessage = document.getElementById('aperture-message');
  const stopBox = document.querySelector('input[name=stop]');
  const stopFields = { position: document.querySelector('input[name=stop-position]'), radius: document.querySelector('input[name=stop-radius]') };
  const stopMessage = document.getElementById('stop-message');
  const keyStep = 0.1;
  const shiftKeyStep = 1;
  const dragStep = 0.01;
  const fanSize = 7;

  let last = null;   // the last drawing: its lens and scales
  let drag = null;   // the handle being dragged, the scales it began with, its burst
  let drags = 0;
  let bursting = null;  // the handle whose keys make the current burst
  let browsing = false;  // the keys browse the examples, which opens none

  const format = (x) => program.format(x);
  const rounded = (x, step) => Number((Math.round(x / step) * step).toPrecision(15));

  // An object two focal lengths before the lens, 1 cm high; where that is
  // no number, 2 cm before the lens, or behind it where a vertex is
  // infinite, never in the glass.
  const defaultObject = (lens) => {
    const lengths = ['textbook', 'program'].filter((name) => !lens.afocal[name]).map((name) => lens[name].HO - lens[name].FO);
    const f = lengths.find((length) => Number.isFinite(length) && length !== 0);
    const [front, back] = [Math.min(lens.v1, lens.v2), Math.max(lens.v1, lens.v2)];
    const x = front - 2 * (f === undefined ? Math.max(Math.abs(lens.v2 - lens.v1), 1) : Math.abs(f));
    return { x: [x, front - 2, back + 2].find(Number.isFinite) ?? 0, h: 1 };
  };
  const objectNow = () => session.object() || defaultObject(session.run().lens);
  // An iris a little before the lens, half as wide as it reaches.
  const defaultIris = (lens) => {
    const position = Math.min(lens.v1, lens.v2) - Math.max(Math.abs(lens.v2 - lens.v1), 1);
    const radius = lens.aperture / 2;
    return { on: false, position: Number.isFinite(position) ? rounded(position, dragStep) : 0,
      radius: radius > 0 && Number.isFinite(radius) ? rounded(radius, dragStep) || dragStep : 1 };
  };
  const irisNow = () => session.choices().stop || defaultIris(session.run().lens);

  // The controls show the session's choices; a field the student has not
  // changed, the one in use. Each is written only where it differs: a write
  // lays the panel out again.
  const set = (node, property, value) => {
    if (node[property] !== value) node[property] = value;
  };
  const showChoices = (choices) => {
    set(document.querySelector(`input[name=rays][value=${choices.rays}]`), 'checked', true);
    set(document.querySelector(`input[name=trace-ray][value=${choices.trace}]`), 'checked', true);
    set(realRays, 'checked', choices.realRays);
    if (!apertureField.dataset.edited) {
      set(apertureField, 'value', choices.aperture === null ? '' : shortestText(choices.aperture));
      apertureField.removeAttribute('aria-invalid');
      set(apertureMessage, 'textContent', '');
    }
    const iris = irisNow();
    set(stopBox, 'checked', iris.on);
    for (const name of Object.keys(stopFields)) {
      if (stopFields[name].dataset.edited) continue;
      set(stopFields[name], 'value', shortestText(iris[name]));
      stopFields[name].removeAttribute('aria-invalid');
    }
    if (!stopFields.position.dataset.edited && !stopFields.radius.dataset.edited) set(stopMessage, 'textContent', '');
  };

  // The fan of real rays up to the aperture asked for, or the lens's own
  // where none is or the lens does not reach so far; with why none can be
  // traced, where none can. What is wrong with the aperture asked for is
  // said beside its field.
  const fanOf = (lens, asked) => {
    const reaches = lens.aperture > 0 && Number.isFinite(lens.aperture);
    const beyond = asked !== null && reaches && asked > lens.aperture;
    if (beyond) {
      apertureField.setAttribute('aria-invalid', 'true');
      set(apertureMessage, 'textContent', `The lens reaches ${format(lens.aperture)} cm from the axis: the rays go up to there.`);
    }
    const indices = ['n0', 'n1', 'n2'].every((name) => lens[name] > 0 && Number.isFinite(lens[name]));
    const reason = !indices ? 'they need indices that are positive numbers'
      : reaches ? null : lens.v1 > lens.v2 ? 'the lens cannot be built with v1 > v2'
        : lens.v1 === lens.v2 ? 'the lens has no thickness' : 'a vertex or a centre is not a number';
    if (reason) return { rays: [], reason: reason };
    return program.realRays(fanSize, asked !== null && !beyond ? asked : lens.aperture);
  };

  // Each field of the panel shows its value, unless the student is editing it.
  const fillPanel = (lens) => {
    for (const name of valueNames) {
      const field = form.elements[name];
      if (!field.dataset.edited) set(field, 'value', shortestText(lens[name]));
    }
  };

  // Draws the figure, the readout, the derivation's table and the panel for
  // the session's last run.
  const render = () => {
    const run = session.run();
    const lens = run.lens;
    const choices = session.choices();
    showChoices(choices);
    if (!browsing) showExample();
    set(typedButton, 'hidden', !session.typed());
    if (!showsValues(run.program)) {
      drawing.draw(null);
      last = null;
      return;
    }
    const object = objectNow();
    const shown = printedPoints(run.program);
    const programShown = Object.keys(shown).length === 4;
    const iris = irisNow().on ? { position: irisNow().position, radius: irisNow().radius } : null;
    const clearRadius = choices.aperture !== null && choices.aperture <= lens.aperture ? choices.aperture : lens.aperture;
    const chosen = choices.rays;
    const source = chosen === 'textbook' || (chosen === 'program' && programShown) ? chosen : null;
    const optics = program.explore(object, { aperture: clearRadius, iris: iris, rays: source });
    const fan = choices.realRays ? fanOf(lens, choices.aperture) : null;
    set(apertureField, 'placeholder', format(lens.aperture));
    const scene = lensScene({
      lens: lens, shown: shown, optics: optics, object: object, source: source, chosen: chosen, traced: choices.trace,
      fan: fan, iris: iris, clearRadius: clearRadius, kept: last && last.at, frozen: drag ? drag.at : null, format: format,
    });
    drawing.draw(scene);
    last = { at: scene.at, lens: lens };
    readout.fill({ shown: shown, lens: lens, optics: optics, fan: fan, iris: iris });
    readout.fillTrace(source, source && optics[source], source && lens[source], choices.trace);
    fillPanel(lens);
  };

  // The lens with `name` set to `value`, as a new session.
  const setValue = (name, value, handle) => {
    const lens = session.run().lens;
    session.changeLens(valueNames.map((one) => shortestText(one === name ? value : lens[one])), handle, objectNow());
  };

  const handleValue = (name) => {
    const object = objectNow();
    return name === 'object' ? object.x : name === 'object-height' ? object.h : name === 'stop' ? irisNow().position : last.lens[name];
  };

  // Moves the handle `name` to `value`, as part of the burst `handle`. The
  // object never enters the glass: a step that would takes it to the vertex
  // before it, or from there across the lens.
  const moveHandle = (name, value, handle) => {
    if (!Number.isFinite(value)) return;
    if (name === 'stop') {
      session.choose({ stop: Object.assign({}, irisNow(), { position: value }) }, handle);
      return;
    }
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
      object.x = !inGlass({ x: value }, last.lens) ? value
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
    if (ray) session.choose({ trace: ray });
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
    const value = program.readValue(field.value);
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

  // The view's choices go to the session, which keeps them in the address.
  for (const choice of document.querySelectorAll('input[name=rays]')) {
    choice.addEventListener('change', () => session.choose({ rays: choice.value }));
  }
  for (const choice of document.querySelectorAll('input[name=trace-ray]')) {
    choice.addEventListener('change', () => session.choose({ trace: choice.value }));
  }
  realRays.addEventListener('change', () => session.choose({ realRays: realRays.checked }));
  // A field of the view's choices: a changed field is applied by Enter or on
  // leaving it; `read` gives its value, or a message where it is refused,
  // said beside it, and nothing changes.
  const choiceField = (field, message, read, apply) => {
    const applyField = () => {
      if (!field.dataset.edited) return;
      const text = field.value.trim();
      const value = text === '' ? null : program.readValue(text);
      const refused = read(text, value);
      if (refused) {
        field.setAttribute('aria-invalid', 'true');
        message.textContent = refused;
        return;
      }
      delete field.dataset.edited;
      apply(value);
    };
    field.addEventListener('input', () => { field.dataset.edited = 'yes'; });
    field.addEventListener('change', applyField);
    field.addEventListener('keydown', (event) => {
      if (event.key !== 'Enter') return;
      event.preventDefault();
      applyField();
    });
  };
  const decimal = 'with a point as its decimal separator (1.5)';
  // An aperture is one positive number, or nothing for the lens's own.
  choiceField(apertureField, apertureMessage, (text, asked) => (text === '' || (asked > 0 && Number.isFinite(asked)) ? null
    : `"${text.slice(0, 40)}" is not a height in cm: one positive number, ${decimal}, or nothing for as far as the lens reaches.`),
  (asked) => session.choose({ aperture: asked }));
  // The iris stands anywhere on the axis, and has a positive radius.
  choiceField(stopFields.position, stopMessage, (text, at) => (Number.isFinite(at) ? null
    : `"${text.slice(0, 40)}" is not a place on the axis: one number in cm, ${decimal}.`),
  (at) => session.choose({ stop: Object.assign({}, irisNow(), { position: at }) }));
  choiceField(stopFields.radius, stopMessage, (text, radius) => (radius > 0 && Number.isFinite(radius) ? null
    : `"${text.slice(0, 40)}" is not a radius: one positive number in cm, ${decimal}.`),
  (radius) => session.choose({ stop: Object.assign({}, irisNow(), { radius: radius }) }));
  stopBox.addEventListener('change', () => session.choose({ stop: Object.assign({}, irisNow(), { on: stopBox.checked }) }));
  typedButton.addEventListener('click', () => session.returnToTyped());

  // Examples: a lens is opened when it is chosen, by the pointer or by
  // Enter, not while the keys browse the list; the list shows the example
  // open, if the lens is one, again once the keys leave it.
  const showExample = () => {
    const lens = session.run() && session.run().lens;
    const typed = lens ? valueNames.map((name) => shortestText(lens[name])).join(' ') : '';
    const open = [...examples.options].find((option) => option.value !== '' && option.value === typed);
    set(examples, 'value', open ? open.value : '');
  };
  const openExample = () => {
    browsing = false;
    if (examples.value !== '') session.openExample(examples.value.split(' '));
    showExample();
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
  examples.addEventListener('blur', () => {
    browsing = false;
    showExample();
  });

  return { render: render };
};
