// The figure's one model-view transform, a scale per axis: a point x cm
// along the axis stands at x0 + scale * x in the picture, a height of y cm
// at y0 - yscale * y. How the scales are fitted to what is drawn, held while
// it still fits, and labelled by exact ticks.

export const toPicture = (at, [x, y]) => [at.x0 + at.scale * x, at.y0 - at.yscale * y];
export const fromPicture = (at, [x, y]) => [(x - at.x0) / at.scale, (at.y0 - y) / at.yscale];

// The horizontal scale that fits every finite value between `left` and
// `right`, found from halves so that no sum overflows, and never so fine that
// a coordinate could.
export const fitAlong = (values, left, right) => {
  const finite = values.filter(Number.isFinite);
  const usable = (right - left) / 2;
  const centre = left + usable;
  if (finite.length === 0) return { x0: centre, scale: 1 };
  const low = Math.min(...finite);
  const high = Math.max(...finite);
  const middle = low / 2 + high / 2;
  const half = Math.max(high / 2 - low / 2, Math.abs(middle) * 1e-9, 1e-6);
  const scale = usable / 1.08 / half;
  return { x0: centre - scale * middle, scale: scale };
};

// The scales drawn before (`kept`) stay while every value still fits them
// between `left` and `right`, and they fill most of the figure, so that a
// step moves what it changes only.
export const holdScales = (kept, fresh, values, left, right) => {
  const loose = 1.6;
  const middle = (left + right) / 2;
  const fits = kept && values.every((value) => !Number.isFinite(value)
    || Math.abs(kept.x0 + kept.scale * value - middle) <= (right - left) / 2);
  return fits && kept.scale * loose >= fresh.scale && kept.yscale <= fresh.yscale && kept.yscale * loose >= fresh.yscale
    ? kept : fresh;
};

// The exact decimal text of digits * 10^power (digits a BigInt), plain and
// with an exponent.
const decimalText = (digits, power) => {
  if (digits === 0n) return { plain: '0', scientific: '0' };
  const sign = digits < 0n ? '-' : '';
  let significant = (digits < 0n ? -digits : digits).toString();
  let exponent = power;
  while (significant.endsWith('0')) {
    significant = significant.slice(0, -1);
    exponent += 1;
  }
  let plain = significant + '0'.repeat(Math.max(exponent, 0));
  if (exponent < 0) {
    const padded = significant.padStart(1 - exponent, '0');
    plain = `${padded.slice(0, padded.length + exponent)}.${padded.slice(padded.length + exponent)}`;
  }
  const leading = significant.length > 1 ? `${significant[0]}.${significant.slice(1)}` : significant;
  const scientific = `${leading}e${significant.length - 1 + exponent}`;
  return { plain: sign + plain, scientific: sign + scientific };
};

// Ticks 1, 2 or 5 times a power of ten apart between `low` and `high`, at
// most `most`, each made a label by `label(value, text)` with the exact value
// at which it stands as its text, with exponents where one would be long;
// no two labels' boxes (`box(label)`) touch.
export const ticksFor = (low, high, most, label, apart) => {
  // The figure's edges may lie beyond the largest double.
  const left = Math.max(low, -Number.MAX_VALUE);
  const right = Math.min(high, Number.MAX_VALUE);
  let chosen = [];
  for (let power = Math.floor(Math.log10(right / 2 - left / 2)) - 2; power <= 310; power += 1) {
    for (const multiple of [1n, 2n, 5n]) {
      const step = Number(multiple) * 10 ** power;
      const values = [];
      let k = BigInt(Math.ceil(left / step));
      for (let tries = 0; tries < most + 4 && values.length <= most; tries += 1, k += 1n) {
        const texts = decimalText(k * multiple, power);
        const value = Number(texts.plain);
        if (value > right) break;
        if (value >= left) values.push(Object.assign({ value: value }, texts));
      }
      const plain = values.every((tick) => tick.plain.length <= 12);
      const ticks = values.map((tick) => label(tick.value, plain ? tick.plain : tick.scientific));
      if (ticks.length > most) continue;
      if (ticks.length === 0) return chosen;
      if (ticks.every((tick, i) => i === 0 || apart(ticks[i - 1], tick))) chosen = ticks;
      if (chosen.length >= 2 || ticks.length === 1) return chosen;
    }
  }
  return chosen;
};
