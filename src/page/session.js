// The session and its one owner: the bytes sent to the program, whether the
// input was ended, where the object stands, the explorer's choices, the
// program's last run, and the history entries and the address that keep
// them. The terminal and the explorer change it through the calls below;
// each change runs the program at most once and tells every listener what
// changed:
//   { kind: 'sent', echo, output, lineStart }: a line sent, its echo and the
//     program's output after it;
//   { kind: 'replaced', display }: a new session, the whole screen with
//     each line echoed where the program read it;
//   { kind: 'view' }: only the object or the explorer's choices changed;
// each with `from` ('terminal', 'explorer' or 'history') and `note`, what the
// status line says first.
//
// Each history entry holds its session whole, so that Back and a reload
// bring back even a session too long for a link. A burst of changes from
// one handle makes one entry; the session typed before the explorer's
// changes stays at hand (`typed`), however many entries came after it.
import { addressOf, defaultChoices, readAddress } from './address.js';
import { shortestText } from './numbers.js';

// An object between the vertices would stand inside the glass.
export const inGlass = (place, lens) => place.x > Math.min(lens.v1, lens.v2) && place.x < Math.max(lens.v1, lens.v2);

export const makeSession = (program) => {
  const encoder = new TextEncoder();
  const decoder = new TextDecoder();
  // Firefox refuses to open an address of 1 MiB; the others take more.
  const longestAddress = 256 * 1024;
  // A history entry holds a session up to this size; a larger one is held
  // by the page, for Back and Forward, as long as it is open.
  const largestHeld = 1024 * 1024;
  const held = new Map();
  const tooLongAddress = '#too-long-for-a-link';
  const messages = {
    reopenedTooLong: 'That session was too long for a link, so its address did not keep it: this is a new run.',
  };
  // The bytes sent so far, in a buffer that grows by doubling, so that a
  // long session is never encoded again.
  let typed = new Uint8Array(1024);
  let typedSize = 0;
  let ended = false;
  let object = null;        // { x, h }, or null where the object follows the lens
  let choices = Object.assign({}, defaultChoices);
  let run = null;           // the last run: waiting, pauses, lens, entries, program (its output as text)
  let programShown = 0;     // bytes of the program's output on the screen
  let burst = null;         // the handle whose changes make the current history entry
  let typedSession = null;  // the session as it was before the explorer changed it
  let foreignAddress = false;  // the address holds what this page did not write
  let entries = 0;
  let shown = { id: null, hash: null };
  const listeners = [];

  const bytes = () => typed.subarray(0, typedSize);
  const setBytes = (next) => {
    typed = next.length ? next.slice() : new Uint8Array(1024);
    typedSize = next.length;
  };
  const append = (more) => {
    if (typedSize + more.length > typed.length) {
      const larger = new Uint8Array(Math.max(2 * typed.length, typedSize + more.length));
      larger.set(bytes());
      typed = larger;
    }
    typed.set(more, typedSize);
    typedSize += more.length;
  };
  // The session as it stands, to come back to; a large one held by the page.
  const snapshot = () => {
    const kept = { input: null, held: null, ended: ended, object: object, choices: choices };
    if (typedSize <= largestHeld) {
      kept.input = bytes().slice();
    } else {
      kept.held = `typed ${entries}`;
      held.set(kept.held, { buffer: typed, size: typedSize });
    }
    return kept;
  };
  const inputOf = (kept) => {
    const large = held.get(kept.held);
    return kept.input || (large ? large.buffer.subarray(0, large.size) : null);
  };
  const takeUp = (kept) => {
    setBytes(inputOf(kept));
    ended = kept.ended;
    object = kept.object;
    choices = Object.assign({}, defaultChoices, kept.choices);
  };

  // Runs the program on the session: as a replay, with each line echoed
  // where it was read, where the screen is laid out anew; else without.
  const runProgram = (echoes) => {
    const result = echoes === false ? program.run(bytes(), ended) : program.replay(bytes(), ended);
    const output = result.program || result.output;
    run = {
      waiting: result.waiting, pauses: result.pauses, lens: program.lens(),
      entries: program.entries(), programBytes: output, program: decoder.decode(output), display: result.output,
    };
    return result;
  };

  const tell = (change) => {
    for (const listener of listeners) listener(change);
  };
  const replaced = (from, note) => {
    programShown = run.programBytes.length;
    tell({ kind: 'replaced', display: decoder.decode(run.display), from: from, note: note || '' });
  };

  const currentAddress = () => {
    if (typedSize > longestAddress) return tooLongAddress;
    const address = addressOf({ text: decoder.decode(bytes()), ended: ended, object: object, choices: choices });
    return address.length <= longestAddress ? address : tooLongAddress;
  };

  // Writes the session into the address and the history entry: a new entry
  // if asked, or if the address holds what this page did not write. A
  // browser that will not keep so large an entry keeps the address.
  const keep = (newEntry) => {
    const address = currentAddress();
    const push = newEntry || foreignAddress;
    entries += 1;
    // Appending never changes the bytes before: a large session's buffer
    // serves as it is.
    const state = { tremovia: Object.assign(snapshot(), { id: entries, typed: typedSession }) };
    for (const attempt of [state, null]) {
      try {
        if (push) history.pushState(attempt, '', address);
        else history.replaceState(attempt, '', address);
        break;
      } catch (error) {
        // Too large to keep, or too many changes too quickly: the next
        // change writes it again.
      }
    }
    foreignAddress = false;
    shown = { id: history.state && history.state.tremovia ? history.state.tremovia.id : null, hash: location.hash };
  };

  // An object the lens has come to hold in its glass goes back to its usual
  // place; what the status line says of it.
  const objectOutOfGlass = () => {
    if (!object || !inGlass(object, run.lens)) return '';
    const note = `The object stood at ${shortestText(object.x)} cm, inside the lens as it is now: it stands at its usual place again.`;
    object = null;
    return note;
  };

  // The session of this history entry: the one it holds, or else the one its
  // address holds, replayed as far as it can be read; an address this page
  // did not write is left as it is until the session changes.
  const restore = () => {
    const state = history.state && history.state.tremovia;
    if (state && inputOf(state)) {
      takeUp(state);
      typedSession = state.typed;
      runProgram();
      shown = { id: state.id, hash: location.hash };
      replaced('history', '');
      return;
    }
    typedSession = null;
    if (location.hash === tooLongAddress) {
      takeUp({ input: new Uint8Array(0), ended: false, object: null, choices: defaultChoices });
      runProgram();
      keep(false);
      replaced('history', messages.reopenedTooLong);
      return;
    }
    const session = readAddress(location.hash);
    const problems = session.problems;
    const text = encoder.encode(session.text);
    takeUp(Object.assign(session, { input: text }));
    const result = runProgram();
    if (result.sent < text.length) {
      problems.push(`${(text.length - result.sent).toLocaleString('en')} bytes of input after the run's end`);
      setBytes(text.subarray(0, result.sent));
    }
    if (object && inGlass(object, run.lens)) {
      problems.push(`an object at ${shortestText(object.x)} cm, inside the lens, where it cannot stand (it stands at its usual place)`);
      object = null;
    }
    let note = '';
    if (problems.length) {
      foreignAddress = true;
      shown = { id: null, hash: location.hash };
      note = `This address could not be read whole: it holds ${problems.join(' and ')}. The session replays the `
        + `${decoder.decode(bytes()).length.toLocaleString('en')} characters it could read; Back returns to the address.`;
    } else {
      keep(false);
    }
    replaced('history', note);
  };

  // Back, Forward, or an address typed: unless this entry is on screen.
  const traverse = () => {
    const state = history.state && history.state.tremovia;
    if ((state ? state.id : null) === shown.id && location.hash === shown.hash) return;
    burst = null;
    restore();
  };

  // Keeps a change from the explorer in a new history entry, unless it is
  // the next change of the burst `handle`.
  const keepChange = (handle) => {
    const newEntry = !handle || handle !== burst;
    burst = handle;
    keep(newEntry);
  };

  // A new session from the explorer.
  const change = (input, nextEnded, nextObject, handle) => {
    if (!typedSession) typedSession = snapshot();
    setBytes(encoder.encode(input));
    ended = nextEnded;
    object = nextObject;
    runProgram();
    const note = objectOutOfGlass();
    keepChange(handle);
    replaced('explorer', note);
  };

  return {
    listen: (listener) => listeners.push(listener),
    run: () => run,
    bytes: bytes,
    object: () => object,
    choices: () => choices,
    fits: () => location.hash !== tooLongAddress,
    typed: () => Boolean(typedSession && inputOf(typedSession)),
    start: () => {
      restore();
      window.addEventListener('popstate', traverse);
      window.addEventListener('hashchange', traverse);
    },
    // Sends text as a terminal does (echoed, then read by the program); with
    // no text, ends the input.
    send: (text) => {
      const lineStart = typedSize;
      if (text === undefined) ended = true;
      else append(encoder.encode(text));
      burst = null;
      runProgram(false);
      keep(false);
      const output = decoder.decode(run.programBytes.subarray(programShown));
      programShown = run.programBytes.length;
      tell({ kind: 'sent', echo: text || '', output: output, lineStart: text === undefined ? undefined : lineStart, from: 'terminal', note: '' });
    },
    // Run again: a new run in a new history entry, so that Back returns to
    // the one before. The explorer's choices stay.
    restart: () => {
      setBytes(new Uint8Array(0));
      ended = false;
      object = null;
      typedSession = null;
      burst = null;
      runProgram();
      keep(true);
      replaced('terminal', '');
    },
    // The lens of `values` (seven texts), answering as many pauses as the
    // session had answered, its input ended if it was. An object that
    // followed the lens stays at `objectNow`, where it stood, unless the
    // lens now holds it in its glass.
    changeLens: (values, handle, objectNow) => {
      change(`${values.join('\n')}\n${'\n'.repeat(run.pauses)}`, ended, object || objectNow, handle);
    },
    // An example: its values and the Enters that run it to the summary.
    openExample: (values) => {
      change(`${values.join('\n')}\n${'\n'.repeat(7)}`, false, null, null);
    },
    // The object moved, or the explorer's choices changed (`changed`, those
    // that did): a handle's burst makes one history entry, a choice keeps
    // the entry it is made in.
    moveObject: (place, handle) => {
      object = place;
      keepChange(handle);
      tell({ kind: 'view', from: 'explorer', note: '' });
    },
    choose: (changed, handle) => {
      choices = Object.assign({}, choices, changed);
      if (handle) keepChange(handle);
      else keep(false);
      tell({ kind: 'view', from: 'explorer', note: '' });
    },
    // The end of a burst: the next change makes a new entry.
    endBurst: () => {
      burst = null;
    },
    // The session as it was typed, again, in a new history entry.
    returnToTyped: () => {
      const session = typedSession;
      if (!session || !inputOf(session)) return;
      typedSession = null;
      burst = null;
      const now = choices;
      takeUp(session);
      choices = now;
      runProgram();
      keep(true);
      replaced('explorer', '');
    },
  };
};
