'use strict';

// A terminal in line mode over window.tremovia: the program's output with
// each sent line echoed where it was typed, and the line being edited in an
// input control at the end. The address keeps the session: #input= and all
// the text sent, then &ended=1 once the input has been ended; opening it
// replays the session as if typed. A session too long for an address that
// every browser opens is kept in the tab only, and the address says so.
// (Debian's emscripten minifies this with a parser that knows neither ?.
// nor ??.)
(() => {
  const screen = document.getElementById('screen');
  const line = document.getElementById('line');
  const end = document.getElementById('end');
  const restart = document.getElementById('restart');
  const status = document.getElementById('status');
  const encoder = new TextEncoder();
  const decoder = new TextDecoder();
  // Firefox refuses to open an address of 1 MiB; the others take more.
  const longestAddress = 256 * 1024;
  const tooLongAddress = '#too-long-for-a-link';
  const messages = {
    typing: 'Type a value and press Enter; Enter alone answers a pause.',
    ended: 'The run has ended. Run again starts a new one.',
    tooLong: 'This session is too long for a link: Save keeps it as text.',
    reopenedTooLong: 'That session was too long for a link, so its address did not keep it: this is a new run.',
    copied: 'The link to this session is copied.',
    notCopied: 'Could not copy: the address bar holds the link to this session.',
  };
  let typed = '';
  let ended = false;
  let waiting = true;
  let shownBytes = 0;

  const show = (text) => {
    if (text !== '') screen.insertBefore(document.createTextNode(text), line);
  };

  // Writes the session into the address, or says that it is too long.
  const keepSession = () => {
    const address = `#input=${encodeURIComponent(typed)}${ended ? '&ended=1' : ''}`;
    const fits = address.length <= longestAddress;
    history.replaceState(null, '', fits ? address : tooLongAddress);
    if (!fits) status.textContent = messages.tooLong;
  };

  // After each run: the address, the controls, and the input line in view.
  const settle = () => {
    keepSession();
    if (!waiting) {
      line.disabled = true;
      end.hidden = true;
      restart.hidden = false;
      status.textContent = messages.ended;
      restart.focus();
    }
    // Down to the input line, never sideways.
    screen.scrollTop = screen.scrollHeight;
  };

  const runAndShow = () => {
    const run = window.tremovia.run(encoder.encode(typed), ended);
    show(decoder.decode(run.output.subarray(shownBytes)));
    shownBytes = run.output.length;
    waiting = run.waiting;
    lensFigure.show(decoder.decode(run.output), window.tremovia.lens());
    settle();
  };

  // Sends text as a terminal does: echoed, then read by the program.
  const send = (text) => {
    line.value = '';
    show(text);
    typed += text;
    runAndShow();
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

  const clear = (message) => {
    while (screen.firstChild !== line) screen.removeChild(screen.firstChild);
    typed = '';
    ended = false;
    shownBytes = 0;
    restart.hidden = true;
    end.hidden = false;
    line.value = '';
    line.disabled = false;
    status.textContent = message;
    lensFigure.clear();
  };

  const start = () => {
    clear(messages.typing);
    runAndShow();
    line.focus();
  };

  // Replays the session the address holds in one run of the program, and
  // lays the screen out once, so that no address can keep the page busy.
  const replay = () => {
    if (location.hash === tooLongAddress) {
      clear(messages.reopenedTooLong);
      runAndShow();
      return;
    }
    const session = /^#input=([^&]*)(&ended=1)?$/.exec(location.hash);
    let text = '';
    try {
      text = session ? decodeURIComponent(session[1]) : '';
    } catch {
      // Not an address this page wrote: start afresh.
    }
    clear(messages.typing);
    const bytes = encoder.encode(text);
    const run = window.tremovia.replay(bytes, Boolean(session && session[2]));
    const screenText = decoder.decode(run.output);
    show(screenText);
    typed = decoder.decode(bytes.subarray(0, run.sent));
    ended = run.endRead;
    waiting = run.waiting;
    shownBytes = run.output.length - run.sent;
    // The figure reads the program's output alone, without the echoes.
    lensFigure.show(decoder.decode(window.tremovia.run(bytes.subarray(0, run.sent), ended).output), window.tremovia.lens());
    settle();
    if (waiting) line.focus();
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
    if (!line.disabled && window.getSelection().isCollapsed) line.focus();
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
  document.getElementById('save-figure').addEventListener('click', () => offer('tremovia-lens.svg', 'image/svg+xml', lensFigure.file()));
  window.addEventListener('hashchange', replay);

  window.tremovia.ready.then(replay);
})();
