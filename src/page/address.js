// The address that keeps a session: #input= and the text sent (URL-encoded),
// then &ended=1 once the input has been ended, &object=x,h once the object
// has a place of its own, and the explorer's choices where they differ from
// the first screen's: &rays= (program or none), &trace= (focal, nodal or
// chief), &real-rays=on, &aperture=a, &stop=x,r (or stop=off,x,r, an iris
// placed but not in use). An address is untrusted: it is read in time
// linear in its length, and what this page would not have written in it is
// reported, not guessed at.
import { shortestText } from './numbers.js';

export const defaultChoices = Object.freeze({ rays: 'textbook', trace: 'parallel', realRays: false, aperture: null, stop: null });
const allowed = { rays: ['textbook', 'program', 'none'], trace: ['parallel', 'focal', 'nodal', 'chief'] };

const encoder = new TextEncoder();
const decoder = new TextDecoder();

// The address of a session: its text, whether it ended, its object (or
// null) and its choices.
export const addressOf = ({ text, ended, object, choices }) => {
  const parts = [`input=${encodeURIComponent(text)}`];
  if (ended) parts.push('ended=1');
  if (object) parts.push(`object=${shortestText(object.x)},${shortestText(object.h)}`);
  if (choices.rays !== defaultChoices.rays) parts.push(`rays=${choices.rays}`);
  if (choices.trace !== defaultChoices.trace) parts.push(`trace=${choices.trace}`);
  if (choices.realRays) parts.push('real-rays=on');
  if (choices.aperture !== null) parts.push(`aperture=${shortestText(choices.aperture)}`);
  const stop = choices.stop;
  if (stop) parts.push(`stop=${stop.on ? '' : 'off,'}${shortestText(stop.position)},${shortestText(stop.radius)}`);
  return `#${parts.join('&')}`;
};

// The text of an address's input, from its escapes; on a malformed one, the
// text before it, and what was wrong.
const decodeInput = (escapes) => {
  try {
    return { text: decodeURIComponent(escapes), problem: null };
  } catch {
    // Read what comes before the first fault, below.
  }
  const badEscape = escapes.search(/%(?![0-9A-Fa-f]{2})/);
  const readable = badEscape < 0 ? escapes : escapes.slice(0, badEscape);
  const found = [];
  for (let i = 0; i < readable.length;) {
    if (readable[i] === '%') {
      found.push(parseInt(readable.slice(i + 1, i + 3), 16));
      i += 3;
    } else if (readable.charCodeAt(i) < 0x80) {
      found.push(readable.charCodeAt(i));
      i += 1;
    } else {
      const character = String.fromCodePoint(readable.codePointAt(i));
      found.push(...encoder.encode(character));
      i += character.length;
    }
  }
  // Where UTF-8 fails, the decoder writes U+FFFD, which re-encodes to other
  // bytes: the first byte that differs is where the text stops.
  const reencoded = encoder.encode(decoder.decode(Uint8Array.from(found)));
  let good = 0;
  while (good < found.length && found[good] === reencoded[good]) good += 1;
  const text = decoder.decode(Uint8Array.from(found.slice(0, good)));
  const problem = good < found.length ? 'an escape that is not UTF-8 text'
    : `"${escapes.slice(badEscape, badEscape + 3)}", which is not an escape`;
  return { text: text, problem: problem };
};

// Finite numbers from a part's comma-separated value, or null.
const numbers = (value, count) => {
  const found = value.split(',').map((one) => (one === '' ? NaN : Number(one)));
  return found.length === count && found.every(Number.isFinite) ? found : null;
};

// Each part the page writes after the input, read from its value into what
// it sets of a session; null where the value is not one the page writes.
const readers = {
  ended: (value) => (value === '1' ? { ended: true } : null),
  object: (value) => {
    const found = numbers(value, 2);
    return found && { object: { x: found[0], h: found[1] } };
  },
  rays: (value) => (allowed.rays.includes(value) ? { choices: { rays: value } } : null),
  trace: (value) => (allowed.trace.includes(value) ? { choices: { trace: value } } : null),
  'real-rays': (value) => (value === 'on' ? { choices: { realRays: true } } : null),
  aperture: (value) => {
    const found = numbers(value, 1);
    return found && found[0] > 0 ? { choices: { aperture: found[0] } } : null;
  },
  stop: (value) => {
    const on = !value.startsWith('off,');
    const found = numbers(on ? value : value.slice(4), 2);
    return found && found[1] > 0 ? { choices: { stop: { on: on, position: found[0], radius: found[1] } } } : null;
  },
};

// The session an address holds: its text, whether it ended, its object and
// choices, and what in it this page did not write.
export const readAddress = (hash) => {
  const session = { text: '', ended: false, object: null, choices: Object.assign({}, defaultChoices), problems: [] };
  if (hash === '' || hash === '#') return session;
  const parts = hash.slice(1).split('&');
  if (parts[0].startsWith('input=')) {
    const input = decodeInput(parts.shift().slice(6));
    session.text = input.text;
    if (input.problem) session.problems.push(input.problem);
  }
  const seen = new Set();
  const unknown = parts.filter((part) => {
    const equals = part.indexOf('=');
    const name = part.slice(0, Math.max(equals, 0));
    const read = equals > 0 && Object.hasOwn(readers, name) && !seen.has(name) && readers[name](part.slice(equals + 1));
    seen.add(name);
    if (read) Object.assign(session, read, { choices: Object.assign(session.choices, read.choices) });
    return !read;
  });
  if (unknown.length) session.problems.push(`"${unknown.join('&').slice(0, 40)}", which this page does not write`);
  return session;
};
