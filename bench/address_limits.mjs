// The longest address each browser engine opens: the page is opened with
// #input= and digits up to a whole address of each size in KiB, and each
// size is reported opened or refused. The page keeps an address under the
// smallest limit found.
//   xvfb-run -a node bench/address_limits.mjs PAGE [ENGINE...]
// (npm ci in tests/page first, as for the page's tests.)
import { engines, openBrowser } from '../tests/page/page_driver.mjs';
import { pathToFileURL } from 'node:url';
import { resolve } from 'node:path';

const [pagePath, ...chosen] = process.argv.slice(2);
const base = pathToFileURL(resolve(pagePath)).href.length + '#input='.length;
for (const engine of chosen.length ? chosen : engines) {
  const page = await openBrowser(engine);
  for (const kib of [1023, 1024, 2047, 2048, 2049, 4096]) {
    let result;
    try {
      await page.open(pagePath, `#input=${'1'.repeat(kib * 1024 - base)}`);
      result = 'opened';
    } catch (error) {
      result = `refused (${String(error.message).split('\n')[0].slice(0, 60)})`;
    }
    console.log(`${engine}: an address of ${kib} KiB ${result}`);
  }
  await page.close();
}
