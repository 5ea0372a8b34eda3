'use strict';

// A terminal in line mode over window.tremovia: the program's output with
// each sent line echoed where it was typed, and the line being edited in an
// input control at the end. The address keeps the session: #input= and all
// the text sent, then &ended=1 once the input has been ended; opening it
// replays the session as if typed. (Debian's emscripten minifies this with
// a parser that knows neither ?. nor ??.)
(() => {
  const screen = document.getElementById('screen');
  const line = document.getElementById('line');
  const end = document.getElementById('end');
  const restart = document.getElementById('restart');
  const status = document.getElementById('status');
  const encoder = new TextEncoder();
  const decoder = new TextDecoder();
  let typed = '';
  let ended = false;
  let waiting = true;
  let shownBytes = 0;

  const show = (text) => {
    if (text !== '') screen.insertBefore(document.createTextNode(text), line);
  };

  const runAndShow = () => {
    const run = window.tremovia.run(encoder.encode(typed), ended);
    show(decoder.decode(run.output.subarray(shownBytes)));
    shownBytes = run.output.length;
    waiting = run.waiting;
    history.replaceState(null, '', `#input=${encodeURIComponent(typed)}${ended ? '&ended=1' : ''}`);
    if (!waiting) {
      line.disabled = true;
      end.hidden = true;
      restart.hidden = false;
      restart.focus();
    }
    // Down to the input line, never sideways.
    screen.scrollTop = screen.scrollHeight;
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

  const start = () => {
    while (screen.firstChild !== line) screen.removeChild(screen.firstChild);
    typed = '';
    ended = false;
    shownBytes = 0;
    restart.hidden = true;
    end.hidden = false;
    line.value = '';
    line.disabled = false;
    runAndShow();
    line.focus();
  };

  // Replays the session the address holds, read before start() rewrites it.
  const replay = () => {
    const session = /^#input=([^&]*)(&ended=1)?$/.exec(location.hash);
    let text = '';
    try {
      text = session ? decodeURIComponent(session[1]) : '';
    } catch {
      // Not an address this page wrote: start afresh.
    }
    start();
    // Line by line; a last part without a line end goes as Ctrl-D sends it.
    for (const part of text.match(/[^\n]*\n|[^\n]+$/g) || []) {
      if (!waiting) break;
      send(part);
    }
    if (session && session[2] && waiting) endOfFile();
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
    Promise.resolve()
      .then(() => navigator.clipboard.writeText(location.href))
      .then(() => { status.textContent = 'The link to this session is copied.'; },
        () => { status.textContent = 'Could not copy: the address bar holds the link to this session.'; });
  });
  document.getElementById('save').addEventListener('click', () => {
    const download = document.createElement('a');
    download.href = URL.createObjectURL(new Blob([screen.textContent], { type: 'text/plain' }));
    download.download = 'tremovia-session.txt';
    download.click();
    setTimeout(() => URL.revokeObjectURL(download.href), 1000);
  });
  window.addEventListener('hashchange', replay);

  window.tremovia.ready.then(replay);
})();
