// The figure's drawing: a scene (scene.js) turned into SVG elements, through
// the scene's one transform from cm to the picture, for the screen and for
// the saved file. The elements drawn before are changed to match, each only
// where it differs, so that a change of the lens lays out only what moved,
// and a handle keeps its element, and with it the focus.
import { layout } from './scene.js';
import { toPicture } from './scales.js';

const svgNamespace = 'http://www.w3.org/2000/svg';
const flatAt = 1e5;  // a surface drawn with a radius larger than this (px) looks flat
const caption = 'The program multiplies where textbooks divide, (1\u2212N)(v\u2212s) against (1\u2212N)/(v\u2212s), so their points differ.';

// Coordinates with two decimals, never in exponent form.
const at2 = (x) => Math.min(Math.max(x, -1e9), 1e9).toFixed(2);
const pointsText = (points) => points.map((p) => `${at2(p[0])},${at2(p[1])}`).join(' ');

// How far from its vertex's plane the surface about `centre` through
// `vertex` stands at height y (cm), without cancellation.
const surfaceAt = (vertex, centre, y) => {
  const r = centre - vertex;
  if (r === 0 || !Number.isFinite(r)) return vertex;
  const a = Math.abs(r);
  const b = Math.min(Math.abs(y), a);
  return vertex + (y * y) / (r + Math.sign(r) * Math.sqrt((a - b) * (a + b)));
};

// The outline of a lens from its top edge (`half` cm above the axis) down
// its first surface, across, and up its second: each surface an arc of the
// ellipse its circle becomes at the figure's two scales, `stretch` times as
// wide about `middle` where the lens is drawn wider than it is.
const lensPath = (at, { surfaces: [[v1, s1], [v2, s2]], half, middle, stretch }) => {
  const place = (x, y) => toPicture(at, [middle + stretch * (x - middle), y]).map(at2).join(' ');
  const arc = (vertex, centre, from, to) => {
    const radius = Math.abs(centre - vertex);
    const end = place(surfaceAt(vertex, centre, to), to);
    if (!(radius * stretch * Math.max(at.scale, at.yscale) < flatAt) || radius === 0) return `L ${end}`;
    // Through the vertex, the short way round.
    const sweep = (centre > vertex) === (to < from) ? 0 : 1;
    return `A ${at2(radius * at.scale * stretch)} ${at2(radius * at.yscale)} 0 0 ${sweep} ${end}`;
  };
  return `M ${place(surfaceAt(v1, s1, half), half)} ${arc(v1, s1, half, -half)} L ${place(surfaceAt(v2, s2, -half), -half)} `
    + `${arc(v2, s2, -half, half)} Z`;
};

// An SVG element's description for one element of the scene.
const svgOf = (element, at) => {
  const where = (point) => (element.cm ? toPicture(at, point) : point);
  const given = Object.assign({ class: element.class }, element.data || {});
  const described = (name, attributes, text) => ({ name: name, attributes: Object.assign(attributes, given), text: text || '', children: null });
  switch (element.kind) {
    case 'rect': {
      const [x, y, width, height] = element.px;
      const attributes = { class: element.class, x: at2(x), y: at2(y), width: at2(width), height: at2(height) };
      if (element.fill) attributes.fill = element.fill;
      return described('rect', attributes);
    }
    case 'line': {
      const [[x1, y1], [x2, y2]] = (element.cm || element.px).map(where);
      return described('line', { class: element.class, x1: at2(x1), y1: at2(y1), x2: at2(x2), y2: at2(y2) });
    }
    case 'path':
      return described('polyline', { class: element.class, points: pointsText(element.cm.map(where)) });
    case 'text': {
      const [x, y] = element.px;
      return described('text', { class: element.class, x: at2(x), y: at2(y) }, element.text);
    }
    case 'lens':
      return described('path', { class: element.class, fill: element.fill, d: lensPath(at, element) });
    case 'arrow': {
      const [x, y] = where(element.cm);
      const head = y <= at.y0 ? 6 : -6;
      return described('path', { class: element.class, d: `M ${at2(x)} ${at2(at.y0)} V ${at2(y)} m -4 ${head} l 4 ${-head} l 4 ${head}` });
    }
    case 'edge-arrow': {
      // At the figure's edge, towards what stands beyond it.
      const [edge, y] = element.px;
      const head = -7 * element.side;
      return described('path', { class: element.class,
        d: `M ${at2(edge + (element.length || 3) * head)} ${at2(y)} H ${at2(edge)} l ${head} -4 m ${-head} 4 l ${head} 4` });
    }
    case 'mark': {
      const [x, y] = where(element.cm || element.px);
      const symbols = {
        disc: () => ['circle', { cx: at2(x), cy: at2(y), r: 4.5 }],
        node: () => ['circle', { cx: at2(x), cy: at2(y), r: 3.5 }],
        diamond: () => ['path', { d: `M ${at2(x)} ${at2(y - 6)} l 6 6 l -6 6 l -6 -6 Z` }],
        plane: () => ['line', { x1: at2(x), x2: at2(x), y1: at2(y - 72), y2: at2(y + 72) }],
        cross: () => ['path', { d: `M ${at2(x - 4)} ${at2(y - 4)} l 8 8 m 0 -8 l -8 8` }],
        'ray-end': () => ['path', { d: `M ${at2(x - 3)} ${at2(y - 3)} l 6 6 m 0 -6 l -6 6` }],
      };
      const [name, attributes] = symbols[element.symbol]();
      return described(name, Object.assign({ class: element.class }, attributes));
    }
    case 'group':
      return { name: 'g', attributes: Object.assign({}, element.data), text: null, children: element.children.map((child) => svgOf(child, at)) };
    default:
      throw new Error(`the scene holds an element of no known kind: ${element.kind}`);
  }
};

// A handle: focusable, a slider for assistive technology.
const handleOf = (handle) => {
  const [x, y] = handle.px;
  const attributes = { class: 'handle', 'data-handle': handle.name, role: 'slider', tabindex: handle.shown ? 0 : -1,
    'aria-label': handle.label, 'aria-valuetext': `${handle.text} = ${handle.valueText} cm` };
  if (Number.isFinite(handle.value)) attributes['aria-valuenow'] = handle.value;
  if (!handle.shown) attributes.display = 'none';
  const part = (name, more, text) => ({ name: name, attributes: more, text: text || '', children: null });
  return { name: 'g', attributes: attributes, text: null, children: [
    part('circle', { class: 'hit', cx: at2(x), cy: at2(y), r: layout.handleRadius }),
    part('circle', { class: 'thumb', cx: at2(x), cy: at2(y), r: 10 }),
    part('text', { class: 'handle-name', x: at2(x), y: at2(y + 4) }, handle.text),
  ] };
};

// Changes the children of `parent` to the descriptions `wanted`, each
// element only where it differs.
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

export const makeDrawing = () => {
  const figure = document.getElementById('figure');
  const drawing = document.getElementById('figure-drawing');
  const handleLayer = document.getElementById('figure-handles');
  const description = document.getElementById('figure-description');
  const box = document.getElementById('figure-box');
  const notesLine = document.getElementById('figure-notes');

  // Draws `scene`, or nothing where it is null.
  const draw = (scene) => {
    box.hidden = !scene;
    if (!scene) {
      drawing.textContent = '';
      handleLayer.textContent = '';
      for (const name of ['x0', 'scale', 'y0', 'yscale']) figure.removeAttribute(`data-${name}`);
      notesLine.textContent = '';
      return;
    }
    for (const name of ['x0', 'scale', 'y0', 'yscale']) figure.setAttribute(`data-${name}`, String(scene.at[name]));
    patch(handleLayer, scene.handles.map(handleOf));
    patch(drawing, scene.elements.map((element) => svgOf(element, scene.at)));
    description.textContent = scene.description;
    notesLine.textContent = scene.notes.join(' ');
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
    const top = layout.rulerY + 26;
    const lines = [caption, notesLine.textContent].concat(readout).filter((text) => text).flatMap((text) => wrap(text, 56));
    const fullHeight = top + 6 + 14 * lines.length;
    copy.setAttribute('viewBox', `0 0 ${layout.width} ${fullHeight}`);
    copy.setAttribute('width', String(2 * layout.width));
    copy.setAttribute('height', String(2 * fullHeight));
    const background = copy.querySelector('.background');
    if (background) background.setAttribute('height', String(fullHeight));
    patch(copy.appendChild(document.createElementNS(svgNamespace, 'g')),
      lines.map((text, i) => ({ name: 'text', attributes: { class: 'caption start', x: 4, y: top + 14 * (i + 1) }, text: text, children: null })));
    return new XMLSerializer().serializeToString(copy);
  };

  return { draw: draw, file: file };
};
