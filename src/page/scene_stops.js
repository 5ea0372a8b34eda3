// The stops in the figure's scene, where an iris is in use, for the source
// whose rays are drawn: the
// aperture stop and the iris, the pupils and the entrance window, each at
// its place and size in cm; the marginal ray, the chief ray and the rays
// from the object's tip to the entrance pupil's edges, each ending at the
// stop that cuts it off, with its extension to a virtual pupil dashed; and
// what the caption says of them.
import { clipPath } from './scene_rays.js';

const jaw = 14;  // how far a stop's jaw reaches beyond its edge, in the picture

// A stop, pupil or window: its two jaws, from its radius outwards, each cut
// to the drawing, as one element that carries its data; whether any of it
// is drawn.
const jaws = (elements, kind, at, box, position, radius, data) => {
  const beyond = jaw / at.yscale;
  const children = [1, -1].flatMap((sign) => clipPath([[position, sign * radius], [position, sign * (radius + beyond)]], box))
    .map((piece) => ({ kind: 'path', cm: piece, class: kind }));
  if (children.length) elements.push({ kind: 'group', data: data, children: children });
  return children.length > 0;
};

// The points of a ray's path (its planes, in cm), up to the plane a stop
// cuts it off at, else on to the drawing's right edge; from the left edge
// for a virtual object.
const pathOf = (ray, box, behind) => {
  const last = Math.min(ray.blocked, ray.planes.length - 1);
  const first = ray.planes[0];
  const points = [behind ? [box.left, first.y + first.u * (box.left - first.x)] : [first.x, first.y]];
  for (const plane of ray.planes.slice(1, last + 1)) points.push([plane.x, plane.y]);
  if (ray.blocked >= ray.planes.length) {
    const end = ray.planes[last];
    points.push([box.right, end.y + end.u * (box.right - end.x)]);
  }
  return points;
};

export const stopsAndField = (view, at, box, elements, labels, notes) => {
  const name = view.source;
  const found = name && view.optics[name].stops;
  if (!found || !found.found) {
    if (found) notes.push('No stop limits the rays: the object stands where every stop is imaged.');
    return [];
  }
  const printed = view.format;
  const record = view.lens[name];
  const aperture = found.aperture;
  const says = [`The ${name}'s aperture stop is ${aperture.name}.`];
  const data = (kind, what, image) => ({ [kind]: what, 'data-position': String(image.position), 'data-radius': String(image.radius) });
  // An iris beyond the figure is named in its caption, not labelled.
  if (jaws(elements, 'stop', at, box, aperture.position, aperture.radius, data('data-stop', aperture.key, aperture))) {
    labels.push({ text: 'AS', x: at.x0 + at.scale * aperture.position, rows: [at.y0 - at.yscale * aperture.radius - jaw - 3],
      near: true, bold: true, class: 'label' });
  }
  const iris = view.iris;
  if (iris && aperture.key !== 'iris') jaws(elements, 'iris', at, box, iris.position, iris.radius, { 'data-iris': '' });
  const images = [['data-pupil', 'entrance', found.entrance, 'EP'], ['data-pupil', 'exit', found.exit, 'XP']];
  if (found.hasField) images.push(['data-window', 'entrance', found.entranceWindow, 'EW']);
  for (const [kind, which, image, text] of images) {
    if (image.atInfinity) {
      notes.push(`Telecentric in ${which === 'entrance' ? 'object' : 'image'} space: the ${which} ${kind === 'data-pupil' ? 'pupil' : 'window'} `
        + `is at infinity, and the chief ray is parallel to the axis ${which === 'entrance' ? 'before' : 'after'} the lens.`);
      continue;
    }
    if (!(image.position >= box.left && image.position <= box.right)) continue;
    jaws(elements, kind === 'data-pupil' ? 'pupil' : 'window', at, box, image.position, image.radius, data(kind, which, image));
    labels.push({ text: text, x: at.x0 + at.scale * image.position, rows: [at.y0 + at.yscale * image.radius + jaw + 13],
      near: true, bold: true, class: 'label' });
  }
  // The rays of the field, each to where a stop cuts it off.
  const behind = view.object.x > record.v1;
  for (const ray of found.rays) {
    const points = pathOf(ray, box, behind);
    const data = ray.name === 'upper' || ray.name === 'lower' ? { 'data-field-ray': ray.name, 'data-source': name }
      : { 'data-ray': ray.name, 'data-source': name };
    clipPath(points, box).forEach((piece, i) => {
      elements.push({ kind: 'path', cm: piece, class: data['data-ray'] ? `ray ${ray.name}` : 'ray field', data: i === 0 ? data : { 'data-continued': '' } });
    });
    if (ray.blocked < ray.planes.length) continue;
    // Toward a pupil the ray never reaches, dashed.
    for (const [image, plane, sign] of [[found.entrance, ray.planes.find((one) => one.plane === 'v1'), 1],
      [found.exit, ray.planes.find((one) => one.plane === 'R2'), -1]]) {
      if (image.atInfinity || ray.name === 'upper' || ray.name === 'lower' || (image.position - plane.x) * sign <= 0) continue;
      const u = sign > 0 ? ray.planes[0].u : plane.u;
      const extension = [[plane.x, plane.y], [image.position, plane.y + u * (image.position - plane.x)]];
      for (const piece of clipPath(extension, box)) elements.push({ kind: 'path', cm: piece, class: `extension ${ray.name}` });
    }
  }
  // The notes: where the iris stands, and how much of the field is lit.
  if (iris) {
    if (!(iris.position >= box.left && iris.position <= box.right)) {
      notes.push(`The iris stands at ${printed(iris.position)} cm, beyond the figure.`);
    }
    if (iris.position === record.v1 || iris.position === record.v2) {
      notes.push(`The iris stands at v${iris.position === record.v1 ? 1 : 2}, in the plane of the surface: it and the rim there are one stop, `
        + 'the smaller of the two limiting the rays.');
    } else if (iris.position > Math.min(record.v1, record.v2) && iris.position < Math.max(record.v1, record.v2)) {
      notes.push('The iris stands inside the glass: its entrance pupil is its image by R1 alone.');
    }
    if (iris.radius > view.clearRadius) {
      notes.push(`The iris (radius ${printed(iris.radius)} cm) is wider than the lens reaches (${printed(view.clearRadius)} cm).`);
    }
  }
  if (behind) notes.push('The object is virtual: the marginal ray converges toward its axial point.');
  const field = found.fieldOfView;
  if (field && Number.isFinite(field.halfVignetted) && !found.entrance.atInfinity) {
    const slope = Math.abs(view.object.h / (found.entrance.position - view.object.x));
    const lit = slope <= field.unvignetted ? 'inside the unvignetted field: every ray from it that the pupil admits passes'
      : slope <= field.halfVignetted ? 'partly vignetted: the field stop cuts off some of its rays, less than half'
        : slope <= field.fullyVignetted ? 'partly vignetted: the field stop cuts off more than half of its rays'
          : 'fully vignetted: no ray from it gets through';
    notes.push(`The object's tip is ${lit}.`);
  }
  notes.push('The principal rays find the image whether or not a stop lets them through; the chief ray and the rays to the '
    + 'pupil\'s edges end at the stop that cuts them off.');
  return says;
};
