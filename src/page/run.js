'use strict';

// The page's interface to the program, the one the terminal and the tests
// use: run(input, ended) runs the whole dialogue on `input` (a Uint8Array)
// and returns the bytes on the screen, and whether the program waits there
// for more input. With `ended`, the input is complete, as on a pipe.
window.tremovia = {
  ready: new Promise((resolve) => {
    Module.onRuntimeInitialized = resolve;
  }),

  run(input, ended) {
    const typed = _malloc(Math.max(input.length, 1));
    HEAPU8.set(input, typed);
    const waiting = _tremovia_run(typed, input.length, ended ? 1 : 0) !== 0;
    _free(typed);
    const screen = _tremovia_screen();
    return { output: HEAPU8.slice(screen, screen + _tremovia_screen_size()), waiting };
  },
};
