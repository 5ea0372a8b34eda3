'use strict';

// A terminal in line mode over window.tremovia: the program's output with
// each sent line echoed where it was typed, and the line being edited in an
// input control at the end.
(() => {
  const screen = document.getElementById('screen');
  const line = document.getElementById('line');
  const restart = document.getElementById('restart');
  const encoder = new TextEncoder();
  const decoder = new TextDecoder();
  let typed = '';
  let shownBytes = 0;

  const show = (text) => {
    if (text !== '') screen.insertBefore(document.createTextNode(text), line);
  };

  const runAndShow = (ended) => {
    const { output, waiting } = window.tremovia.run(encoder.encode(typed), ended);
    show(decoder.decode(output.subarray(shownBytes)));
    shownBytes = output.length;
    if (!waiting) {
      line.disabled = true;
      restart.hidden = false;
    }
    line.scrollIntoView({ block: 'nearest', inline: 'nearest' });
  };

  // Sends text as a terminal does: echoed, then read by the program.
  const send = (text) => {
    line.value = '';
    show(text);
    typed += text;
    runAndShow(false);
  };

  const start = () => {
    while (screen.firstChild !== line) screen.removeChild(screen.firstChild);
    typed = '';
    shownBytes = 0;
    restart.hidden = true;
    line.value = '';
    line.disabled = false;
    runAndShow(false);
    line.focus();
  };

  line.addEventListener('keydown', (event) => {
    if (event.key === 'Enter') {
      event.preventDefault();
      send(`${line.value}\n`);
    } else if (event.ctrlKey && (event.key === 'd' || event.key === 'D')) {
      event.preventDefault();
      // Like a terminal: a partial line is sent without a line end; on an
      // empty line the input ends.
      if (line.value !== '') send(line.value);
      else runAndShow(true);
    }
  });
  screen.addEventListener('click', () => {
    if (!line.disabled && window.getSelection().isCollapsed) line.focus();
  });
  restart.addEventListener('click', start);

  window.tremovia.ready.then(start);
})();
