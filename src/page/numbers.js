// Numbers as the page writes them beside the program's own formatter
// (window.tremovia.format, the dialogue's "%lf").

// The shortest text that the program reads back as the same double.
export const shortestText = (x) => {
  if (Number.isNaN(x)) return 'nan';
  if (!Number.isFinite(x)) return x < 0 ? '-inf' : 'inf';
  return Object.is(x, -0) ? '-0' : String(x);
};

// A printed number longer than this is shortened where room is short.
const longestNumber = 14;

// A printed number too long for a label or a cell: its first digits, as
// printed, and its power of ten; the whole of it goes in a title or a
// description.
export const shortened = (text) => {
  if (text.length <= longestNumber) return text;
  const sign = text[0] === '-' ? '-' : '';
  const digits = text.slice(sign.length, text.indexOf('.'));
  return `${sign}${digits[0]}.${digits.slice(1, 6)}\u2026e${digits.length - 1}`;
};

// Each long printed number in `text` shortened.
export const shortenedNumbers = (text) => text.replace(/-?[0-9]+\.[0-9]{6}/g, shortened);
