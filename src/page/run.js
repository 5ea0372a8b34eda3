'use strict';

// The page's interface to the program, the one the terminal and the tests
// use. run(input, ended) runs the whole dialogue on `input` (a Uint8Array)
// and returns the bytes on the screen, and whether the program waits there
// for more input. With `ended`, the input is complete, as on a pipe.
// replay(input, ended) runs it once over a whole session sent line by line,
// as a terminal sends it, and returns the screen with each line echoed where
// the program read it; `sent` counts the input bytes it took, and `endRead`
// says whether it read the end of the input. lens() gives the record of the
// last run or replay: the seven inputs, and in `program` and `textbook` the
// whole record (N01 to HO) as the program computes it and as the textbook
// does (its quotient surface terms). readValue(text) reads a value as the
// dialogue does: the number, or null unless the text holds one number alone.
// entries() says where the last run's seven values lay in its input: for
// each, in bytes, where its read began, where its number ended and where the
// character discarded after it ended, and whether a number was read.
// format(x) writes a number as the dialogue prints it.
(() => {
  const encoder = new TextEncoder();
  const call = (entry, input, ended) => {
    const typed = _malloc(Math.max(input.length, 1));
    HEAPU8.set(input, typed);
    const result = entry(typed, input.length, ended ? 1 : 0);
    _free(typed);
    return result;
  };
  const bytesAt = (start, size) => HEAPU8.slice(start, start + size);
  const screen = () => bytesAt(_tremovia_screen(), _tremovia_screen_size());
  // How a real ray ended, in the order of ray_end (src/lens/real_rays.hpp).
  const rayEnds = ['through', 'missed first', 'missed second', 'reflected first', 'reflected second', 'no lens'];

  window.tremovia = {
    // This script runs after emscripten's, as a rule before the program
    // is ready.
    ready: new Promise((resolve) => {
      if (Module.calledRun) resolve();
      else Module.onRuntimeInitialized = resolve;
    }),

    run(input, ended) {
      const waiting = call(_tremovia_run, input, ended) !== 0;
      return { output: screen(), waiting: waiting, pauses: _tremovia_pauses_answered() };
    },

    lens() {
      const first = _tremovia_lens() / 8;
      const values = HEAPF64.subarray(first, first + 45);
      const names = ['n0', 'n1', 'n2', 'v1', 'v2', 's1', 's2', 'N01', 'N12', 'R221', 'R222', 'T1212', 'R121', 'R122',
        'S11', 'S12', 'S21', 'S22', 'FI', 'FO', 'HI', 'HO'];
      const record = (at) => Object.fromEntries(names.map((name, i) => [name, values[at + i]]));
      return Object.assign(record(0), { program: record(0), textbook: record(22), aperture: values[44] });
    },

    realRays(count, aperture, xStart, xEnd) {
      const first = _tremovia_real_rays(count, aperture, xStart, xEnd) / 8;
      const traced = HEAPF64[first];
      const table = HEAPF64.subarray(first + 1, first + 1 + 12 * traced + 3);
      const rays = Array.from({ length: traced }, (_, i) => {
        const row = table.subarray(12 * i, 12 * i + 12);
        return {
          height: row[0], crossing: row[1], end: rayEnds[row[2]],
          points: Array.from({ length: row[3] }, (__, k) => [row[4 + 2 * k], row[5 + 2 * k]]),
        };
      });
      const summary = table.subarray(12 * traced);
      return { rays: rays, marginalFocus: summary[0], sphericalAberration: summary[1], paraxialHeight: summary[2] };
    },

    entries() {
      const first = _tremovia_entries() / 4;
      const table = HEAPU32.subarray(first, first + 28);
      return Array.from({ length: 7 }, (_, i) => ({
        start: table[4 * i], numberEnd: table[4 * i + 1], end: table[4 * i + 2], read: table[4 * i + 3] === 1,
      }));
    },

    readValue(text) {
      return call(_tremovia_read_value, encoder.encode(text)) === 1 ? _tremovia_value_read() : null;
    },

    format(x) {
      _tremovia_format(x);
      const start = _tremovia_number_text();
      return String.fromCharCode(...HEAPU8.subarray(start, start + _tremovia_number_text_size()));
    },

    replay(input, ended) {
      const result = call(_tremovia_replay, input, ended);
      return {
        output: screen(), program: bytesAt(_tremovia_program_screen(), _tremovia_program_screen_size()),
        waiting: (result & 1) !== 0, endRead: (result & 2) !== 0, sent: _tremovia_sent_size(), pauses: _tremovia_pauses_answered(),
      };
    },
  };
})();
