"""Writes the module esbuild starts the page's script from: it hands the
page's own entry (src/page/page.js) the program's module as emscripten made
it, and the program's WebAssembly and the documentation page, each gzipped
and in base64, for the page to unpack:
    python3 page-entry.py PAGE_JS PROGRAM_MJS PROGRAM_WASM DOCUMENTATION_HTML OUTPUT
In the documentation, the figures pandoc embedded in base64 are written
percent-encoded instead: as text they compress to half the size."""
import base64
import gzip
import json
import re
import sys
import urllib.parse

page_js, program_mjs, program_wasm, html_path, output_path = sys.argv[1:]


def packed(data):
    return base64.b64encode(gzip.compress(data, compresslevel=9, mtime=0)).decode("ascii")


def as_text(found):
    svg = base64.b64decode(found.group(1)).decode("utf-8")
    # "#" starts a fragment in an address: it must be escaped, or the
    # picture ends at its first colour.
    return "data:image/svg+xml," + urllib.parse.quote(svg, safe=" =:/;,.-_()'")


with open(html_path, encoding="utf-8") as html_file:
    html = re.sub(r"data:image/svg\+xml;base64,([A-Za-z0-9+/=]+)", as_text, html_file.read())
with open(program_wasm, "rb") as wasm_file:
    wasm = wasm_file.read()
with open(output_path, "w", encoding="ascii") as output:
    output.write(f"import createModule from {json.dumps(program_mjs)};\n"
                 f"import {{ startPage }} from {json.dumps(page_js)};\n\n"
                 f"startPage({{ createModule, programGzip: '{packed(wasm)}', documentationGzip: '{packed(html.encode('utf-8'))}' }});\n")
