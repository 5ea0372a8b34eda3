// The page's interface to the program, compiled to WebAssembly: the one the
// terminal, the explorer and the tests use, as window.tremovia.
//   run(input, ended) runs the whole dialogue on `input` (a Uint8Array) and
//     returns the bytes on the screen, whether the program waits there for
//     more input, and how many pauses it answered. With `ended`, the input
//     is complete, as on a pipe.
//   replay(input, ended) runs it once over a whole session sent line by
//     line, as a terminal sends it, and returns the screen with each line
//     echoed where the program read it; `sent` counts the input bytes it
//     took, and `endRead` says whether it read the end of the input.
//   lens() gives the record of the last run or replay: the seven inputs, and
//     in `program` and `textbook` the whole record (N01 to HO) as the program
//     computes it and as the textbook does (its quotient surface terms), in
//     `aperture` how far from the axis the real lens reaches, and in
//     `afocal` whether each source is (src/lens/paraxial.hpp).
//   explore(object, { aperture, iris, rays }) gives, for each source, what
//     its matrices imply with an object at { x, h }, the lens's rims
//     `aperture` cm from the axis and an iris ({ position, radius }, or
//     null): focal lengths, nodal points, the image, and the stops, pupils
//     and windows (src/lens/stops.hpp); for the source named by `rays`
//     ('program' or 'textbook'), the principal rays carried plane by plane
//     (src/lens/paraxial.hpp) and the rays of the field too.
//   realRays(count, aperture, xStart, xEnd) traces real rays through the
//     textbook's lens (src/lens/real_rays.hpp), drawn from xStart to xEnd
//     where those are given.
//   readValue(text) reads a value as the dialogue does: the number, or null
//     unless the text holds one number alone.
//   entries() says where the last run's seven values lay in its input.
//   format(x) writes a number as the dialogue prints it.
//   ready resolves once the program can run.

// How a real ray ended, in the order of ray_end (src/lens/real_rays.hpp).
const rayEnds = ['through', 'missed first', 'missed second', 'reflected first', 'reflected second', 'no lens'];
const recordNames = ['n0', 'n1', 'n2', 'v1', 'v2', 's1', 's2', 'N01', 'N12', 'R221', 'R222', 'T1212', 'R121', 'R122',
  'S11', 'S12', 'S21', 'S22', 'FI', 'FO', 'HI', 'HO'];

// The object a table of named values describes (src/page/exported_table.hpp),
// its numbers read by `valuesOf(count)`.
// The names come the same from one call to the next but where the lens
// changes what there is: their paths are read once for each list of them.
let pathsOf = { names: null, paths: null };
const tableObject = (names, valuesOf) => {
  if (pathsOf.names !== names) {
    pathsOf = { names: names, paths: names.split('\n').map((entry) => {
      const equals = entry.indexOf('=');
      const path = equals < 0 ? entry : entry.slice(0, equals);
      const flag = path[0] === '?';
      const keys = (flag ? path.slice(1) : path).split('.');
      return { keys: keys, flag: flag, text: equals < 0 ? null : entry.slice(equals + 1),
        arrays: keys.map((_, k) => k + 1 < keys.length && /^[0-9]+$/.test(keys[k + 1])) };
    }) };
  }
  const root = {};
  const values = valuesOf(pathsOf.paths.length);
  pathsOf.paths.forEach(({ keys, flag, text, arrays }, i) => {
    let at = root;
    const last = keys.length - 1;
    for (let k = 0; k < last; k += 1) at = at[keys[k]] || (at[keys[k]] = arrays[k] ? [] : {});
    at[keys[last]] = text !== null ? text : flag ? values[i] === 1 : values[i];
  });
  return root;
};

// The gzipped WebAssembly of the program, unpacked and started.
const startProgram = (createModule, wasmGzip) => {
  const packed = Uint8Array.from(atob(wasmGzip), (c) => c.charCodeAt(0));
  const wasm = new Response(new Blob([packed]).stream().pipeThrough(new DecompressionStream('gzip'))).arrayBuffer();
  return createModule({
    instantiateWasm: (imports, started) => {
      wasm.then((bytes) => WebAssembly.instantiate(bytes, imports)).then((made) => started(made.instance, made.module));
      return {};
    },
  });
};

export const loadProgram = (createModule, wasmGzip) => {
  let module = null;
  const encoder = new TextEncoder();
  const decoder = new TextDecoder();
  const call = (entry, input, ended) => {
    const typed = module._malloc(Math.max(input.length, 1));
    module.HEAPU8.set(input, typed);
    const result = entry(typed, input.length, ended ? 1 : 0);
    module._free(typed);
    return result;
  };
  const bytesAt = (start, size) => module.HEAPU8.slice(start, start + size);
  const screen = () => bytesAt(module._tremovia_screen(), module._tremovia_screen_size());
  const doubles = (address, count) => module.HEAPF64.subarray(address / 8, address / 8 + count);

  return {
    ready: startProgram(createModule, wasmGzip).then((started) => { module = started; }),

    run(input, ended) {
      const waiting = call(module._tremovia_run, input, ended) !== 0;
      return { output: screen(), waiting: waiting, pauses: module._tremovia_pauses_answered() };
    },

    replay(input, ended) {
      const result = call(module._tremovia_replay, input, ended);
      return {
        output: screen(), program: bytesAt(module._tremovia_program_screen(), module._tremovia_program_screen_size()),
        waiting: (result & 1) !== 0, endRead: (result & 2) !== 0, sent: module._tremovia_sent_size(),
        pauses: module._tremovia_pauses_answered(),
      };
    },

    lens() {
      const values = doubles(module._tremovia_lens(), 47);
      const record = (at) => Object.fromEntries(recordNames.map((name, i) => [name, values[at + i]]));
      return Object.assign(record(0), {
        program: record(0), textbook: record(22), aperture: values[44], afocal: { program: values[45] === 1, textbook: values[46] === 1 },
      });
    },

    explore(object, choices = {}) {
      const iris = choices.iris || null;
      module._tremovia_explore(object.x, object.h, choices.aperture === undefined ? NaN : choices.aperture, iris ? 1 : 0,
        iris ? iris.position : NaN, iris ? iris.radius : NaN, ['program', 'textbook'].indexOf(choices.rays));
      const names = decoder.decode(bytesAt(module._tremovia_table_names(), module._tremovia_table_names_size()));
      const found = tableObject(names, (count) => doubles(module._tremovia_table_values(), count));
      // A list with nothing in it has no names in the table.
      for (const source of [found.program, found.textbook]) {
        source.rays = source.rays || [];
        if (source.stops.found) source.stops.rays = source.stops.rays || [];
      }
      return found;
    },

    realRays(count, aperture, xStart = NaN, xEnd = NaN) {
      const first = module._tremovia_real_rays(count, aperture, xStart, xEnd);
      const traced = doubles(first, 1)[0];
      const table = doubles(first + 8, 14 * traced + 4);
      const rays = Array.from({ length: traced }, (_, i) => {
        const row = table.subarray(14 * i, 14 * i + 14);
        return {
          height: row[0], crossing: row[1], end: rayEnds[row[2]],
          points: Array.from({ length: row[3] }, (__, k) => [row[4 + 2 * k], row[5 + 2 * k]]),
          leaving: [row[12], row[13]],
        };
      });
      const summary = table.subarray(14 * traced);
      return {
        rays: rays, marginalFocus: summary[0], sphericalAberration: summary[1], paraxialHeight: summary[2],
        leavesParallel: summary[3] === 1,
      };
    },

    entries() {
      const first = module._tremovia_entries() / 4;
      const table = module.HEAPU32.subarray(first, first + 28);
      return Array.from({ length: 7 }, (_, i) => ({
        start: table[4 * i], numberEnd: table[4 * i + 1], end: table[4 * i + 2], read: table[4 * i + 3] === 1,
      }));
    },

    readValue(text) {
      return call(module._tremovia_read_value, encoder.encode(text)) === 1 ? module._tremovia_value_read() : null;
    },

    format(x) {
      module._tremovia_format(x);
      return String.fromCharCode(...module.HEAPU8.subarray(module._tremovia_number_text(),
        module._tremovia_number_text() + module._tremovia_number_text_size()));
    },
  };
};
