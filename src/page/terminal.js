// A terminal in line mode over the session: the program's output with each
// sent line echoed where it was typed, and the line being edited in an
// input control at the end; the buttons under it and the status line. A
// new session's screen is laid out from where it differs from the one
// shown. When the run has ended the focus goes to the dialogue, where no
// key destroys it; while the program waits, every key goes to the line.
export const makeTerminal = (session, valueNames) => {
  const screen = document.getElementById('screen');
  const line = document.getElementById('line');
  const end = document.getElementById('end');
  const restart = document.getElementById('restart');
  const status = document.getElementById('status');
  const documentation = document.getElementById('documentation');
  const decoder = new TextDecoder();
  // A line longer than this is shown folded: laying out megabytes of one
  // line would keep the page busy for seconds.
  const longestShownLine = 4096;
  const messages = {
    typing: 'Type a value and press Enter; Enter alone answers a pause.',
    ended: 'The run has ended. Run again starts a new one.',
    tooLong: 'This session is too long for a link: Save keeps it as text.',
    copied: 'The link to this session is copied.',
    notCopied: 'Could not copy: the address bar holds the link to this session.',
  };
  // The text on the screen, and its nodes before the line, each with where
  // its text starts.
  let shownText = '';
  const pieces = [];

  const add = (node, text) => {
    pieces.push({ node: node, start: shownText.length });
    shownText += text;
    screen.insertBefore(node, line);
  };

  // A line too long to lay out shows its start and its length; the rest is
  // kept, hidden, so that the screen's text (and Save) stays whole.
  const addFolded = (text) => {
    const folded = document.createElement('span');
    folded.className = 'folded';
    folded.dataset.note = ` … ${(text.length - longestShownLine).toLocaleString('en')} more characters, `
      + `${text.length.toLocaleString('en')} in all (Save keeps them)`;
    folded.textContent = text.slice(0, longestShownLine);
    const rest = document.createElement('span');
    rest.hidden = true;
    rest.textContent = text.slice(longestShownLine);
    folded.appendChild(rest);
    add(folded, text);
  };

  // Shows text after what is on the screen, folding each long line.
  const show = (text) => {
    if (text === '') return;
    const lines = text.length > longestShownLine ? text.split('\n') : [text];
    let plain = '';
    lines.forEach((piece, i) => {
      const lineEnd = i < lines.length - 1 ? '\n' : '';
      if (piece.length <= longestShownLine) {
        plain += piece + lineEnd;
        return;
      }
      if (plain !== '') add(document.createTextNode(plain), plain);
      addFolded(piece);
      plain = lineEnd;
    });
    if (plain !== '') add(document.createTextNode(plain), plain);
  };

  // Keeps the first `length` characters on the screen, and removes the rest.
  const cut = (length) => {
    while (pieces.length && pieces[pieces.length - 1].start >= length) screen.removeChild(pieces.pop().node);
    const last = pieces[pieces.length - 1];
    shownText = shownText.slice(0, length);
    if (!last) return;
    const kept = shownText.slice(last.start);
    if (last.node.nodeType === Node.TEXT_NODE) {
      if (last.node.data.length !== kept.length) last.node.data = kept;
      return;
    }
    // A folded line is folded anew.
    pieces.pop();
    screen.removeChild(last.node);
    shownText = shownText.slice(0, last.start);
    show(kept);
  };

  // The screen of a new session, laid out from where it differs.
  const showAll = (text) => {
    let same = 0;
    const most = Math.min(text.length, shownText.length);
    for (let step = 4096; step >= 1; step = step === 1 ? 0 : Math.ceil(step / 8)) {
      while (same + step <= most && text.slice(same, same + step) === shownText.slice(same, same + step)) same += step;
    }
    cut(same);
    show(text.slice(same));
  };

  // What the line sent from byte `lineStart` gave, if it held more than
  // one number, or a number and more than white space. An entry that took
  // no character after its number met the end of what was typed: the
  // program waits there.
  const lineNote = (lineStart) => {
    const sent = session.bytes();
    const gave = session.run().entries
      .map((entry, i) => Object.assign({ name: valueNames[i] }, entry))
      .filter((entry) => entry.end > lineStart && entry.end > entry.numberEnd);
    const textOf = (from, to) => decoder.decode(sent.subarray(Math.max(from, lineStart), to)).trim();
    const one = gave[0];
    if (gave.length === 0 || (gave.length === 1 && one.read && textOf(one.numberEnd, sent.length) === '')) return '';
    const typed = textOf(lineStart, sent.length);
    const what = gave.map((entry) => (entry.read
      ? `${entry.name} as "${textOf(entry.start, entry.numberEnd)}"` : `no number for ${entry.name}`));
    return `From the line "${typed.length > 40 ? `${typed.slice(0, 40)}…` : typed}" the program read ${what.join(', ')}: `
      + 'a number ends at the first character that cannot continue it, and the decimal separator is a point (1.5).';
  };

  // While the program waits, every key goes to the input line.
  const waiting = () => session.run().waiting;
  const refocus = () => {
    if (waiting() && !documentation.open) line.focus();
  };

  // After each change: the screen, the status line (with the change's note
  // first), the controls and the input line in view. A change from the
  // explorer leaves the focus where it is.
  const render = (change) => {
    if (change.kind === 'sent') show(change.echo + change.output);
    else if (change.kind === 'replaced') showAll(change.display);
    const note = change.lineStart === undefined ? change.note : lineNote(change.lineStart);
    const said = [note, session.fits() ? '' : messages.tooLong, waiting() ? '' : messages.ended].filter((text) => text);
    status.textContent = said.length ? said.join(' ') : messages.typing;
    line.disabled = !waiting();
    end.hidden = !waiting();
    restart.hidden = waiting();
    if (change.from !== 'explorer') {
      if (waiting()) refocus();
      else screen.focus({ preventScroll: true });
    }
    // Down to the input line, never sideways; after a change from the
    // explorer, only if it was there, and with the next frame's layout.
    if (change.from !== 'explorer') screen.scrollTop = screen.scrollHeight;
    else if (atEnd) requestAnimationFrame(() => { screen.scrollTop = screen.scrollHeight; });
  };
  // Whether the dialogue shows its end, known without a layout at a change.
  let atEnd = true;
  screen.addEventListener('scroll', () => { atEnd = screen.scrollTop + screen.clientHeight >= screen.scrollHeight - 2; }, { passive: true });

  const send = (text) => {
    line.value = '';
    session.send(text);
  };

  // Like Ctrl-D at a terminal: a partial line is sent without a line end; on
  // an empty line the input ends.
  const endOfFile = () => send(line.value === '' ? undefined : line.value);

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
    if (waiting()) endOfFile();
  });
  screen.addEventListener('click', () => {
    if (window.getSelection().isCollapsed) refocus();
  });
  restart.addEventListener('click', () => session.restart());
  document.getElementById('share').addEventListener('click', () => {
    if (!session.fits()) {
      status.textContent = messages.tooLong;
      return;
    }
    Promise.resolve()
      .then(() => navigator.clipboard.writeText(location.href))
      .then(() => { status.textContent = messages.copied; },
        () => { status.textContent = messages.notCopied; });
  });
  // After any button, and when the documentation closes, the keys go back
  // to the input line.
  document.addEventListener('click', (event) => {
    if (event.target.closest('button')) refocus();
  });
  documentation.addEventListener('close', refocus);

  return {
    render: render,
    text: () => screen.textContent,
  };
};
