"""The page, one HTML file: the shell with its style sheets compacted (no
comments, no needless white space) and the page's script, as esbuild bundled
it, in place of the shell's marker:
    python3 assemble-page.py SHELL SCRIPT OUTPUT"""
import re
import sys


def compact(css):
    css = re.sub(r"/\*.*?\*/", "", css, flags=re.S)
    css = re.sub(r"\s+", " ", css)
    return re.sub(r"\s*([{};:,>])\s*", r"\1", css).replace(";}", "}").strip()


shell_path, script_path, output_path = sys.argv[1:]
with open(shell_path, encoding="utf-8") as shell:
    html = re.sub(r"<style>(.*?)</style>", lambda found: f"<style>{compact(found.group(1))}</style>", shell.read(), flags=re.S)
with open(script_path, encoding="utf-8") as script:
    code = script.read().strip()
if "</script" in code.lower():
    sys.exit("assemble-page.py: the page's script holds </script")
marker = "{{{ SCRIPT }}}"
if html.count(marker) != 1:
    sys.exit("assemble-page.py: the shell must hold its marker once")
html = html.replace(marker, f"<script>\n{code}\n</script>")
with open(output_path, "w", encoding="utf-8") as output:
    output.write(html)
