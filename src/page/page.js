'use strict';

// The page, wired in one place: the session owns what the student did; the
// terminal and the explorer change it and listen to it; nothing calls back
// into what calls it.
(() => {
  const valueNames = ['n0', 'n1', 'n2', 'v1', 'v2', 's1', 's2'];
  const session = makeSession();
  const terminal = makeTerminal(session, valueNames);
  const explorer = makeExplorer(session, valueNames);
  const documentation = makeDocumentation();
  // The explorer first: the terminal then scrolls to its line in the room
  // the explorer leaves it.
  session.listen((change) => {
    explorer.render();
    terminal.render(change);
  });

  const offer = (name, type, text) => {
    const download = document.createElement('a');
    download.href = URL.createObjectURL(new Blob([text], { type: type }));
    download.download = name;
    download.click();
    setTimeout(() => URL.revokeObjectURL(download.href), 1000);
  };
  document.getElementById('save').addEventListener('click', () => offer('tremovia-session.txt', 'text/plain', terminal.text()));
  document.getElementById('save-figure').addEventListener('click',
    () => offer('tremovia-lens.svg', 'image/svg+xml', lensFigure.file(explorer.readoutLines())));
  document.getElementById('documentation-open').addEventListener('click', () => documentation.open(''));
  document.getElementById('figure-why').addEventListener('click', () => documentation.open('how-the-surface-terms-compare-with-the-textbook'));

  window.tremovia.ready.then(() => {
    session.start();
    // For the page's benchmark: when the first session is on the screen.
    performance.mark('replayed');
  });
})();
