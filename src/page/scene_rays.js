// The rays of the figure's scene, in cm: the object, the rays one source's
// matrices carry from its tip, the stretches of the ray the derivation's
// table carries, the image, and real rays through the textbook's lens. Each
// is cut to the part inside the drawing.
import { shortened } from './numbers.js';

// The pieces of a path (points in cm) inside `box` ({ left, right, bottom,
// top } in cm): each piece a list of points. Differences are taken of
// halves, so that none overflows.
export const clipPath = (points, box) => {
  const pieces = [];
  let piece = null;
  for (let i = 1; i < points.length; i += 1) {
    const inside = clipSegment(points[i - 1], points[i], box);
    if (!inside) {
      piece = null;
    } else if (piece && piece[piece.length - 1][0] === inside[0][0] && piece[piece.length - 1][1] === inside[0][1]) {
      piece.push(inside[1]);
    } else {
      piece = inside;
      pieces.push(piece);
    }
  }
  return pieces;
};

const clipSegment = (p, q, box) => {
  if (!p.every(Number.isFinite) || !q.every(Number.isFinite)) return null;
  const dx = q[0] / 2 - p[0] / 2;
  const dy = q[1] / 2 - p[1] / 2;
  let from = 0;
  let to = 1;
  const edges = [[-dx, p[0] / 2 - box.left / 2], [dx, box.right / 2 - p[0] / 2], [-dy, p[1] / 2 - box.bottom / 2], [dy, box.top / 2 - p[1] / 2]];
  for (const [towards, room] of edges) {
    if (towards === 0) {
      if (room < 0) return null;
    } else if (towards < 0) {
      from = Math.max(from, room / towards);
    } else {
      to = Math.min(to, room / towards);
    }
  }
  if (from > to) return null;
  // A point met partway stands on the box, or inside it: where the segment
  // is far longer than the box, rounding could put it a little outside.
  const clamp = (value, low, high) => Math.min(Math.max(value, low), high);
  const at = (t) => {
    const [x, y] = t === 0 ? p : t === 1 ? q : [p[0] + t * dx + t * dx, p[1] + t * dy + t * dy];
    return [clamp(x, box.left, box.right), clamp(y, box.bottom, box.top)];
  };
  return [at(from), at(to)];
};

// A path in cm as scene elements: its first piece inside the drawing with
// `data`, the others marked as its continuation.
const drawnPath = (elements, points, box, className, data) => {
  clipPath(points, box).forEach((piece, i) => {
    elements.push({ kind: 'path', cm: piece, class: className, data: i === 0 ? data : { 'data-continued': '' } });
  });
};

const rayNames = { parallel: 'parallel', focal: 'through FO', nodal: 'through NO', chief: 'chief', marginal: 'marginal' };

// The label of an object or image arrow whose tip stands at `tip` (in the
// picture): just past its head, or beside it.
const besideTip = (text, tip, up) => ({
  text: text, x: tip[0], rows: up ? [tip[1] - 6, tip[1] - 20] : [tip[1] + 16, tip[1] + 30], near: true,
  bold: true, class: 'label', data: { 'data-label': text },
});
export const rayLegend = (name) => rayNames[name] || 'real rays';

// The object, the chosen source's rays, the stretches of the traced ray, and
// the image; `box` is the drawing in cm, `at` the scales. Adds labels to
// `labels` and notes to `notes`; returns what the description says.
export const objectAndRays = (view, at, box, layout, elements, labels, notes) => {
  const { object, format } = view;
  const printed = format;
  const says = [`The object stands at ${printed(object.x)} cm, ${printed(object.h)} cm high.`];
  elements.push({ kind: 'arrow', cm: [object.x, object.h], class: 'object',
    data: { 'data-object': '', 'data-position': String(object.x), 'data-height': String(object.h) } });
  labels.push(besideTip('object', [at.x0 + at.scale * object.x, at.y0 - at.yscale * object.h], object.h >= 0));
  const source = view.source && view.optics[view.source];
  if (!source) return says;
  const record = view.lens[view.source];
  const behind = object.x > record.v1;
  if (behind) notes.push('The object stands behind v1: a virtual object, on which the rays converge from the left; past v1 they are dashed.');
  for (const ray of source.rays) {
    const plane = (name) => ray.planes.find((one) => one.plane === name);
    const first = [record.v1, plane('v1').y];
    const second = [record.v2, plane('v2').y];
    const leaving = plane('R2').u;
    // A virtual object's rays come from the left edge, aimed at its tip.
    const start = behind ? [box.left, first[1] + ray.planes[0].u * (box.left - record.v1)] : [object.x, object.h];
    const end = [box.right, second[1] + leaving * (box.right - second[0])];
    const path = [start, first, second, end];
    drawnPath(elements, path, box, `ray ${ray.name}`, { 'data-ray': ray.name, 'data-source': view.source });
    if (behind) drawnPath(elements, [first, [object.x, object.h]], box, `extension ${ray.name}`, { 'data-virtual-object': ray.name });
    const image = source.image;
    if (image.virtual && Number.isFinite(image.position)) {
      const back = [image.position, second[1] + leaving * (image.position - second[0])];
      drawnPath(elements, [second, back], box, `extension ${ray.name}`, { 'data-extension': ray.name, 'data-source': view.source });
    }
    if (ray.name === view.traced) {
      // The stretches of the traced ray, one a row of the derivation's table.
      const stretches = { object: [start, start], v1: [start, first], R1: [first, first], v2: [first, second], R2: [second, end] };
      for (const name of Object.keys(stretches)) {
        const pieces = clipPath(stretches[name], box);
        if (pieces.length) elements.push({ kind: 'path', cm: pieces[0], class: 'stretch', data: { 'data-stretch': name } });
      }
    }
  }
  return says.concat(imageOf(view, source, at, box, layout, elements, labels, notes));
};

// The chosen source's image: an arrow from the axis, or an arrow at the
// figure's edge where it stands beyond it.
const imageOf = (view, source, at, box, layout, elements, labels, notes) => {
  const printed = view.format;
  const name = view.source;
  const image = source.image;
  if (image.atInfinity) return [`The object stands at the ${name}'s focal point: its image is at infinity.`];
  const x = at.x0 + at.scale * image.position;
  const y = at.y0 - at.yscale * image.height;
  if (!Number.isFinite(x) || !Number.isFinite(y)) return [`The ${name}'s image is not drawn: its position is not a finite number.`];
  const data = { 'data-image': '', 'data-source': name, 'data-position': String(image.position),
    'data-height': String(image.height), 'data-virtual': String(image.virtual) };
  const says = [`The ${name}'s image stands at ${printed(image.position)} cm, ${image.virtual ? 'virtual' : 'real'}, `
    + `magnified ${printed(image.magnification)} times.`];
  const offSide = image.position < box.left ? -1 : image.position > box.right ? 1 : 0;
  if (offSide) {
    // Beyond the edge: an arrow there, with its position.
    elements.push({ kind: 'edge-arrow', side: offSide, px: [offSide > 0 ? layout.width - 6 : layout.rulerX + 6, layout.axisY - 10],
      class: 'image', data: data });
    labels.push({ text: `image at ${shortened(printed(image.position))} cm`, x: offSide > 0 ? layout.width - 4 : layout.rulerX + 4,
      anchor: offSide > 0 ? 'end' : 'start', rows: layout.aboveRows.slice(1), bold: true, class: `label ${offSide > 0 ? 'end' : 'start'}`,
      data: { 'data-label': 'image' } });
    return says;
  }
  const height = Math.min(Math.max(image.height, box.bottom), box.top);
  elements.push({ kind: 'arrow', cm: [image.position, height], class: 'image', data: data });
  if (height !== image.height) notes.push(`The ${name}'s image, ${shortened(printed(image.height))} cm high, reaches beyond the figure.`);
  labels.push(besideTip('image', [x, at.y0 - at.yscale * height], image.height >= 0));
  return says;
};

// Real rays through the textbook's lens, as the program traced them: each
// from the drawing's left edge, parallel to the axis, to where it ends, or
// on along the way it leaves to the right edge; one that fails ends at an x.
export const realRays = (fan, box, elements, notes) => {
  const failed = {};
  for (const ray of fan.rays) {
    if (!ray.points.length) continue;
    const points = ray.points.map((point) => point.slice());
    points[0][0] = Math.min(points[0][0], box.left);
    const last = points[points.length - 1];
    if (ray.end === 'through' && ray.leaving[0] > 0 && last[0] < box.right) {
      points.push([box.right, last[1] + (box.right - last[0]) * (ray.leaving[1] / ray.leaving[0])]);
    }
    drawnPath(elements, points, box, 'ray real', { 'data-real-ray': ray.end, 'data-height': String(ray.height),
      'data-crossing': Number.isFinite(ray.crossing) ? String(ray.crossing) : 'none' });
    if (ray.end !== 'through') {
      failed[ray.end] = (failed[ray.end] || 0) + 1;
      elements.push({ kind: 'mark', symbol: 'ray-end', cm: last, class: 'ray-end', data: { 'data-real-ray-end': ray.end } });
    }
  }
  if (fan.reason) notes.push(`No real rays: ${fan.reason}.`);
  const said = { 'missed first': 'pass beside surface 1', 'missed second': 'pass beside surface 2',
    'reflected first': 'are totally reflected at surface 1', 'reflected second': 'are totally reflected at surface 2' };
  for (const end of Object.keys(failed)) {
    if (said[end]) notes.push(`${failed[end]} of ${fan.rays.length} real rays ${said[end]} and end there (\u00d7).`);
  }
};
