"""Writes a script that holds the documentation page gzipped, in base64, as
the constant documentationGzip, for the web page to unpack:
    python3 embed-documentation.py HTML OUTPUT
The figures pandoc embedded in base64 are written percent-encoded instead:
as text they compress to half the size."""
import base64
import gzip
import re
import sys
import urllib.parse

html_path, output_path = sys.argv[1:]
with open(html_path, encoding="utf-8") as html_file:
    html = html_file.read()


def as_text(found):
    svg = base64.b64decode(found.group(1)).decode("utf-8")
    return "data:image/svg+xml," + urllib.parse.quote(svg, safe=" =:/;,.-_()'#")


html = re.sub(r"data:image/svg\+xml;base64,([A-Za-z0-9+/=]+)", as_text, html)
packed = base64.b64encode(gzip.compress(html.encode("utf-8"), compresslevel=9, mtime=0)).decode("ascii")
with open(output_path, "w", encoding="ascii") as output:
    output.write(f"const documentationGzip = '{packed}';\n")
