'use strict';

// A terminal in line mode over window.tremovia: the program's output with
// each sent line echoed where it was typed, and the line being edited in an
// input control at the end. The address keeps the session: #input= and all
// the text sent, then &ended=1 once the input has been ended; opening it
// replays the session as if typed. A session too long for an address that
// every browser opens is kept in the tab only, and the address says so.
// Nothing here loses a session: an address the page did not write stays in
// history, and Run again starts a new history entry. The explorer
// replaces the session through replaceSession and keeps its object in the
// address (&object=x,h).
// (Debian's emscripten minifies this with a parser that knows neither ?.
// nor ??.)
const terminal = (() => {
  const screen = document.getElementById('screen');
  const line = document.getElementById('line');
  const end = document.getElementById('end');
  const restart = document.getElementById('restart');
  const status = document.getElementById('status');
  const documentation = document.getElementById('documentation');
  const encoder = new TextEncoder();
  const decoder = new TextDecoder();
  // Firefox refuses to open an address of 1 MiB; the others take more.
  const longestAddress = 256 * 1024;
  const tooLongAddress = '#too-long-for-a-link';
  // A line longer than this is shown folded: laying out megabytes of one
  // line would keep the page busy for seconds.
  const longestShownLine = 4096;
  const messages = {
    typing: 'Type a value and press Enter; Enter alone answers a pause.',
    ended: 'The run has ended. Run again starts a new one.',
    tooLong: 'This session is too long for a link: Save keeps it as text.',
    reopenedTooLong: 'That session was too long for a link, so its address did not keep it: this is a new run.',
    copied: 'The link to this session is copied.',
    notCopied: 'Could not copy: the address bar holds the link to this session.',
  };
  // The bytes sent so far, in a buffer that grows by doubling, so that a
  // long session is never encoded again.
  let typed = new Uint8Array(1024);
  let typedSize = 0;
  let ended = false;
  let waiting = true;
  let shownBytes = 0;

  // A line too long to lay out shows its start and its length; the rest is
  // kept, hidden, so that the screen's text (and Save) stays whole.
  const showFolded = (text) => {
    const folded = document.createElement('span');
    folded.className = 'folded';
    folded.dataset.note = ` … ${(text.length - longestShownLine).toLocaleString('en')} more characters, `
      + `${text.length.toLocaleString('en')} in all (Save keeps them)`;
    folded.textContent = text.slice(0, longestShownLine);
    const rest = document.createElement('span');
    rest.hidden = true;
    rest.textContent = text.slice(longestShownLine);
    folded.appendChild(rest);
    screen.insertBefore(folded, line);
  };

  const show = (text) => {
    if (text === '') return;
    const pieces = text.length > longestShownLine ? text.split('\n') : [text];
    let plain = '';
    pieces.forEach((piece, i) => {
      const lineEnd = i < pieces.length - 1 ? '\n' : '';
      if (piece.length <= longestShownLine) {
        plain += piece + lineEnd;
        return;
      }
      if (plain !== '') screen.insertBefore(document.createTextNode(plain), line);
      showFolded(piece);
      plain = lineEnd;
    });
    if (plain !== '') screen.insertBefore(document.createTextNode(plain), line);
  };

  // The text of an address's input, from its escapes; on a malformed one,
  // the text before it. Linear in the address's length.
  const decodeInput = (escaped) => {
    try {
      return { text: decodeURIComponent(escaped), problem: null };
    } catch {
      // Read what comes before the first fault, below.
    }
    const badEscape = escaped.search(/%(?![0-9A-Fa-f]{2})/);
    const readable = badEscape < 0 ? escaped : escaped.slice(0, badEscape);
    const bytes = [];
    for (let i = 0; i < readable.length;) {
      if (readable[i] === '%') {
        bytes.push(parseInt(readable.slice(i + 1, i + 3), 16));
        i += 3;
      } else if (readable.charCodeAt(i) < 0x80) {
        bytes.push(readable.charCodeAt(i));
        i += 1;
      } else {
        const character = String.fromCodePoint(readable.codePointAt(i));
        bytes.push(...encoder.encode(character));
        i += character.length;
      }
    }
    // Where UTF-8 fails, the decoder writes U+FFFD, which re-encodes to
    // other bytes: the first byte that differs is where the text stops.
    const reencoded = encoder.encode(decoder.decode(Uint8Array.from(bytes)));
    let good = 0;
    while (good < bytes.length && bytes[good] === reencoded[good]) good += 1;
    const text = decoder.decode(Uint8Array.from(bytes.slice(0, good)));
    const problem = good < bytes.length ? 'an escape that is not UTF-8 text'
      : `"${escaped.slice(badEscape, badEscape + 3)}", which is not an escape`;
    return { text: text, problem: problem };
  };

  // The session an address holds, its object, and what in it this page did
  // not write.
  const readAddress = (hash) => {
    if (hash === '' || hash === '#' || hash === tooLongAddress) return { text: '', ended: false, object: null, problems: [] };
    const parts = hash.slice(1).split('&');
    const problems = [];
    let input = { text: '', problem: null };
    if (parts[0].startsWith('input=')) input = decodeInput(parts.shift().slice(6));
    if (input.problem) problems.push(input.problem);
    const ended = parts.indexOf('ended=1') >= 0;
    const placed = parts.filter((part) => part.startsWith('object='))
      .map((part) => part.slice(7).split(',').map((value) => (value === '' ? NaN : Number(value))));
    const object = placed.length === 1 && placed[0].length === 2 && placed[0].every(Number.isFinite)
      ? { x: placed[0][0], h: placed[0][1] } : null;
    const unknown = parts.filter((part) => part !== 'ended=1' && !(object && part.startsWith('object=')));
    if (unknown.length) problems.push(`"${unknown.join('&').slice(0, 40)}", which this page does not write`);
    return { text: input.text, ended: ended, object: object, problems: problems };
  };

  // Writes the session into the address, in a new history entry if asked
  // or if the address holds something the page did not write; returns
  // false if the session is too long for a link.
  const keepSession = (newEntry) => {
    const address = typedSize > longestAddress ? null
      : `#input=${encodeURIComponent(decoder.decode(typed.subarray(0, typedSize)))}${ended ? '&ended=1' : ''}`
        + explorer.addressPart();
    const fits = address !== null && address.length <= longestAddress;
    const next = fits ? address : tooLongAddress;
    if (next === location.hash) return fits;
    if (newEntry || readAddress(location.hash).problems.length) history.pushState(null, '', next);
    else history.replaceState(null, '', next);
    return fits;
  };

  // While the program waits, every key goes to the input line.
  const refocus = () => {
    if (waiting && !documentation.open) line.focus();
  };

  // After each run: the address (unless `keep` is false), the status line
  // (with `note` first), the controls and the input line in view. When the
  // run has ended, the focus goes to the dialogue, where no key destroys it.
  const settle = (note, keep, newEntry, keepFocus) => {
    const fits = keep ? keepSession(newEntry) : true;
    const said = [note, fits ? '' : messages.tooLong, waiting ? '' : messages.ended].filter((text) => text);
    status.textContent = said.length ? said.join(' ') : messages.typing;
    line.disabled = !waiting;
    end.hidden = !waiting;
    restart.hidden = waiting;
    // A change from the explorer leaves the focus where it is.
    if (!keepFocus && waiting) refocus();
    else if (!keepFocus) screen.focus({ preventScroll: true });
    // Down to the input line, never sideways.
    screen.scrollTop = screen.scrollHeight;
  };

  // What the line sent from byte `lineStart` gave, if it held more than
  // one number, or a number and more than white space. An entry that took
  // no character after its number met the end of what was typed: the
  // program waits there.
  const lineNote = (bytes, lineStart) => {
    const gave = window.tremovia.entries()
      .map((entry, i) => Object.assign({ name: explorer.valueNames[i] }, entry))
      .filter((entry) => entry.end > lineStart && entry.end > entry.numberEnd);
    const textOf = (from, to) => decoder.decode(bytes.subarray(Math.max(from, lineStart), to)).trim();
    const one = gave[0];
    if (gave.length === 0 || (gave.length === 1 && one.read && textOf(one.numberEnd, bytes.length) === '')) return '';
    const sent = textOf(lineStart, bytes.length);
    const what = gave.map((entry) => (entry.read
      ? `${entry.name} as "${textOf(entry.start, entry.numberEnd)}"` : `no number for ${entry.name}`));
    return `From the line "${sent.length > 40 ? `${sent.slice(0, 40)}…` : sent}" the program read ${what.join(', ')}: `
      + 'a number ends at the first character that cannot continue it, and the decimal separator is a point (1.5).';
  };

  // Runs the program on all that was typed; `lineStart` is where the line
  // just sent begins, in bytes, if a line was sent.
  const runAndShow = (lineStart, newEntry) => {
    const bytes = typed.subarray(0, typedSize);
    const run = window.tremovia.run(bytes, ended);
    show(decoder.decode(run.output.subarray(shownBytes)));
    shownBytes = run.output.length;
    waiting = run.waiting;
    explorer.show(decoder.decode(run.output), window.tremovia.lens());
    settle(lineStart === undefined ? '' : lineNote(bytes, lineStart), true, newEntry);
  };

  // Sends text as a terminal does: echoed, then read by the program.
  const send = (text) => {
    const lineStart = typedSize;
    const bytes = encoder.encode(text);
    line.value = '';
    show(text);
    if (typedSize + bytes.length > typed.length) {
      const larger = new Uint8Array(Math.max(2 * typed.length, typedSize + bytes.length));
      larger.set(typed.subarray(0, typedSize));
      typed = larger;
    }
    typed.set(bytes, typedSize);
    typedSize += bytes.length;
    runAndShow(lineStart);
  };

  // Like Ctrl-D at a terminal: a partial line is sent without a line end; on
  // an empty line the input ends.
  const endOfFile = () => {
    if (line.value !== '') {
      send(line.value);
    } else {
      ended = true;
      runAndShow();
    }
  };

  const clear = () => {
    while (screen.firstChild !== line) screen.removeChild(screen.firstChild);
    typedSize = 0;
    ended = false;
    shownBytes = 0;
    line.value = '';
  };

  // Run again: a new run in a new history entry, so that Back returns to
  // the one that ended.
  const start = () => {
    clear();
    explorer.place(null);
    runAndShow(undefined, true);
  };

  // Replays `text` as typed, in one run of the program, and lays the screen
  // out once, so that no session can keep the page busy. Returns the
  // problems to report: the bytes after the run's end, if any.
  const replayText = (text, textEnded) => {
    clear();
    const bytes = encoder.encode(text);
    const run = window.tremovia.replay(bytes, textEnded);
    show(decoder.decode(run.output));
    typed = bytes.slice(0, Math.max(run.sent, 1));
    typedSize = run.sent;
    ended = textEnded;
    waiting = run.waiting;
    shownBytes = run.output.length - run.sent;
    // The figure reads the program's output alone, without the echoes.
    explorer.show(decoder.decode(window.tremovia.run(bytes.subarray(0, run.sent), ended).output), window.tremovia.lens());
    return run.sent < bytes.length ? [`${(bytes.length - run.sent).toLocaleString('en')} bytes of input after the run's end`] : [];
  };

  // Replays the session the address holds. An address the page did not
  // write is replayed as far as it can be read and left as it is, in
  // history, until the session changes.
  const replay = () => {
    if (location.hash === tooLongAddress) {
      clear();
      runAndShow();
      status.textContent = messages.reopenedTooLong;
      return;
    }
    const session = readAddress(location.hash);
    explorer.place(session.object);
    const problems = session.problems.concat(replayText(session.text, session.ended));
    const note = problems.length === 0 ? ''
      : `This address could not be read whole: it holds ${problems.join(' and ')}. The session replays the `
        + `${decoder.decode(typed.subarray(0, typedSize)).length.toLocaleString('en')} characters before that; `
        + 'Back returns to the address.';
    settle(note, problems.length === 0);
    // For the page's benchmark: when the replay is on the screen.
    performance.mark('replayed');
  };

  line.addEventListener('keydown', (event) => {
    if (event.key === 'Enter') {
      event.preventDefault();
      send(`${line.value}\n`);
    } else if (event.ctrlKey && event.key.toLowerCase() === 'd') {
      event.preventDefault();
      endOfFile();
    }
  });
  end.addEventListener('click', () => {
    if (line.value !== '') endOfFile();
    if (waiting) endOfFile();
  });
  screen.addEventListener('click', () => {
    if (window.getSelection().isCollapsed) refocus();
  });
  restart.addEventListener('click', start);
  document.getElementById('share').addEventListener('click', () => {
    if (location.hash === tooLongAddress) {
      status.textContent = messages.tooLong;
      return;
    }
    Promise.resolve()
      .then(() => navigator.clipboard.writeText(location.href))
      .then(() => { status.textContent = messages.copied; },
        () => { status.textContent = messages.notCopied; });
  });
  const offer = (name, type, text) => {
    const download = document.createElement('a');
    download.href = URL.createObjectURL(new Blob([text], { type: type }));
    download.download = name;
    download.click();
    setTimeout(() => URL.revokeObjectURL(download.href), 1000);
  };
  document.getElementById('save').addEventListener('click', () => offer('tremovia-session.txt', 'text/plain', screen.textContent));
  document.getElementById('save-figure').addEventListener('click', () => offer('tremovia-lens.svg', 'image/svg+xml', lensFigure.file(explorer.readoutLines())));
  // After any button, and when the documentation closes, the keys go back
  // to the input line.
  document.addEventListener('click', (event) => {
    if (event.target.closest('button')) refocus();
  });
  documentation.addEventListener('close', refocus);

  window.tremovia.ready.then(() => {
    window.addEventListener('hashchange', replay);
    replay();
  });

  return {
    // The session: the bytes sent and whether the input was ended.
    session: () => ({ bytes: typed.subarray(0, typedSize), ended: ended }),
    // Replaces the session with `text`, in a new history entry if asked,
    // leaving the focus where it is.
    replaceSession: (text, textEnded, newEntry) => {
      replayText(text, textEnded);
      settle('', true, newEntry, true);
    },
    // Writes the address again (the object has moved).
    keepAddress: () => settle('', true, false, true),
  };
})();
