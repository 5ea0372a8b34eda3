// The page, wired in one place. The program (program.js) is the page's
// interface to the C++, window.tremovia; the session owns what the student
// did; the terminal and the explorer change it and listen to it; the
// explorer draws through the scene, the drawing and the readout. Nothing
// calls back into what calls it. The build hands over the program's module
// and the compressed program and documentation.
import { makeDocumentation } from './documentation.js';
import { makeDrawing } from './drawing.js';
import { makeExplorer } from './explorer.js';
import { loadProgram } from './program.js';
import { makeReadout } from './readout.js';
import { makeSession } from './session.js';
import { makeTerminal } from './terminal.js';

export const startPage = ({ createModule, programGzip, documentationGzip }) => {
  const program = loadProgram(createModule, programGzip);
  window.tremovia = program;
  const valueNames = ['n0', 'n1', 'n2', 'v1', 'v2', 's1', 's2'];
  const session = makeSession(program);
  const terminal = makeTerminal(session, valueNames);
  const drawing = makeDrawing();
  const readout = makeReadout((x) => program.format(x));
  const explorer = makeExplorer(session, program, valueNames, readout, drawing);
  const documentation = makeDocumentation(documentationGzip);
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
    () => offer('tremovia-lens.svg', 'image/svg+xml', drawing.file(readout.lines())));
  document.getElementById('documentation-open').addEventListener('click', () => documentation.open(''));
  document.getElementById('figure-why').addEventListener('click', () => documentation.open('how-the-surface-terms-compare-with-the-textbook'));

  program.ready.then(() => {
    session.start();
    // For the page's benchmark: when the first session is on the screen.
    performance.mark('replayed');
  });
};
