'use strict';

// The page's interface to the program, the one the terminal and the tests
// use. run(input, ended) runs the whole dialogue on `input` (a Uint8Array)
// and returns the bytes on the screen, and whether the program waits there
// for more input. With `ended`, the input is complete, as on a pipe.
// replay(input, ended) runs it once over a whole session sent line by line,
// as a terminal sends it, and returns the screen with each line echoed where
// the program read it; `sent` counts the input bytes it took, and `endRead`
// says whether it read the end of the input. lens() gives the record of the
// last run or replay: the seven inputs, and FI, FO, HI and HO as the program
// computes them and as the textbook does (its quotient surface terms).
// entries() says where the last run's seven values lay in its input: for
// each, in bytes, where its read began, where its number ended and where the
// character discarded after it ended, and whether a number was read.
// format(x) writes a number as the dialogue prints it.
(() => {
  const call = (entry, input, ended) => {
    const typed = _malloc(Math.max(input.length, 1));
    HEAPU8.set(input, typed);
    const result = entry(typed, input.length, ended ? 1 : 0);
    _free(typed);
    return result;
  };
  const screen = () => {
    const start = _tremovia_screen();
    return HEAPU8.slice(start, start + _tremovia_screen_size());
  };

  window.tremovia = {
    ready: new Promise((resolve) => {
      Module.onRuntimeInitialized = resolve;
    }),

    run(input, ended) {
      const waiting = call(_tremovia_run, input, ended) !== 0;
      return { output: screen(), waiting: waiting };
    },

    lens() {
      const first = _tremovia_lens() / 8;
      const values = Array.from(HEAPF64.subarray(first, first + 15));
      const points = (at) => ({ FI: values[at], FO: values[at + 1], HI: values[at + 2], HO: values[at + 3] });
      // Written out: Debian's emscripten minifies shorthand properties wrongly.
      return {
        n0: values[0], n1: values[1], n2: values[2], v1: values[3], v2: values[4], s1: values[5], s2: values[6],
        program: points(7), textbook: points(11),
      };
    },

    entries() {
      const first = _tremovia_entries() / 4;
      const table = HEAPU32.subarray(first, first + 28);
      return Array.from({ length: 7 }, (_, i) => ({
        start: table[4 * i], numberEnd: table[4 * i + 1], end: table[4 * i + 2], read: table[4 * i + 3] === 1,
      }));
    },

    format(x) {
      _tremovia_format(x);
      const start = _tremovia_number_text();
      return String.fromCharCode(...HEAPU8.subarray(start, start + _tremovia_number_text_size()));
    },

    replay(input, ended) {
      const result = call(_tremovia_replay, input, ended);
      return { output: screen(), waiting: (result & 1) !== 0, endRead: (result & 2) !== 0, sent: _tremovia_sent_size() };
    },
  };
})();
