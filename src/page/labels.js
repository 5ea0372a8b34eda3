// Labels placed in the picture: each at the first of the places it may
// take where it overlaps nothing placed before, inside the figure.
// A label is { text, x, y or rows, anchor ('start', 'middle' or 'end'),
// bold, class, data }; its box is measured from generous widths of its
// characters, the same in every browser.
export const fontSize = 12;

export const boxOf = (label) => {
  const wide = label.text.length * fontSize * (label.bold ? 0.8 : 0.66);
  const anchor = label.anchor || 'middle';
  const left = anchor === 'start' ? label.x : label.x - (anchor === 'end' ? wide : wide / 2);
  return { left: left, right: left + wide, top: label.y - fontSize * 0.95, bottom: label.y + fontSize * 0.25 };
};

export const overlap = (a, b) => a.left < b.right + 2 && b.left < a.right + 2 && a.top < b.bottom && b.top < a.bottom;

// A label moved in from the edges of a figure `width` wide, with its box.
export const fitted = (label, width) => {
  const first = boxOf(label);
  const x = label.x + Math.max(1 - first.left, 0) - Math.max(first.right - (width - 1), 0);
  const moved = Object.assign({}, label, { x: x, at: label.x });
  moved.box = boxOf(moved);
  return moved;
};

// Steps from a place, the nearest first: 8 apart across, 5 down, as far as
// a figure reaches; made once.
let steps = null;
const nearby = () => {
  if (!steps) {
    steps = [];
    for (let i = -50; i <= 50; i += 1) for (let j = -80; j <= 80; j += 1) steps.push([8 * i, 5 * j]);
    steps.sort((a, b) => Math.hypot(...a) - Math.hypot(...b));
  }
  return steps;
};

// Places `labels` among the boxes `placed` (which it extends): each at the
// first of its rows where it overlaps nothing, moved in from the figure's
// edges, or else a label's width to one side (half of it and a little
// more for one `near` what it names) unless `fixed`; failing those,
// at the free place within `region` ({ top, bottom }) nearest to where it
// would have stood. Returns the labels as placed.
export const placeLabels = (placed, labels, width, region) => labels.map((label) => {
  const free = (candidate) => !placed.some((other) => overlap(other.box, candidate.box));
  const at = (x, y) => fitted(Object.assign({}, label, { x: x, y: y }), width);
  const wide = boxOf(label).right - boxOf(label).left + 4;
  let chosen = null;
  const beside = wide / 2 + 10;
  const shifts = label.fixed ? [0] : label.near ? [0, beside, -beside] : [0, wide, -wide, 2 * wide, -2 * wide];
  // Within the region, where one is given.
  const rows = region ? label.rows.filter((y) => y >= region.top && y <= region.bottom) : label.rows;
  search: for (const shift of shifts) {
    for (const y of rows) {
      const candidate = at(label.x + shift, y);
      chosen = chosen || candidate;
      if (free(candidate)) {
        chosen = candidate;
        break search;
      }
    }
  }
  if ((!chosen || !free(chosen)) && !label.fixed && region) {
    const [x0, y0] = [label.x, label.rows[0]];
    const place = nearby().find(([dx, dy]) => {
      const [x, y] = [x0 + dx, y0 + dy];
      return x >= 0 && x <= width && y >= region.top && y <= region.bottom && free(at(x, y));
    });
    chosen = place ? at(x0 + place[0], y0 + place[1]) : chosen || at(label.x, region.top + fontSize);
  }
  placed.push(chosen);
  return chosen;
});
