"""The page's scripts, for emscripten's shell:
    python3 bundle-page.py join OUTPUT SCRIPT...
writes the scripts as one function, for terser to compress: inside it every
name but the page's interface is local, so terser may shorten them all;
    python3 bundle-page.py shell SHELL OUTPUT SCRIPT...
writes the shell, its style sheets without comments or needless white
space, with those scripts after emscripten's, where emscripten's own
minifier, which garbles some of today's syntax and drops what its own
script does not use, never reads them."""
import re
import sys


def compact(css):
    css = re.sub(r"/\*.*?\*/", "", css, flags=re.S)
    css = re.sub(r"\s+", " ", css)
    return re.sub(r"\s*([{};:,>])\s*", r"\1", css).replace(";}", "}").strip()


mode, *arguments = sys.argv[1:]
if mode == "join":
    output_path, *scripts = arguments
    with open(output_path, "w", encoding="utf-8") as output:
        output.write("(() => {\n")
        for script in scripts:
            with open(script, encoding="utf-8") as source:
                output.write(source.read())
            output.write("\n")
        output.write("})();\n")
else:
    shell_path, output_path, *scripts = arguments
    with open(shell_path, encoding="utf-8") as shell:
        html = re.sub(r"<style>(.*?)</style>", lambda found: f"<style>{compact(found.group(1))}</style>", shell.read(), flags=re.S)
    code = ""
    for script in scripts:
        with open(script, encoding="utf-8") as source:
            code += source.read().strip() + "\n"
    if "</script" in code.lower():
        sys.exit("bundle-page.py: the page's script holds </script")
    marker = "{{{ SCRIPT }}}"
    html = html.replace(marker, f"{marker}\n<script>\n{code}</script>")
    with open(output_path, "w", encoding="utf-8") as output:
        output.write(html)
