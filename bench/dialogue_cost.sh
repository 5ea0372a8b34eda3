#!/usr/bin/env bash
# The cost of a piped run of the typical dialogue against a minimal C program
# that reads the same input and writes the same bytes, alternating the two
# over batches of runs; then the system calls of one run.
# usage: bench/dialogue_cost.sh [build/tremovia] [batches] [runs_per_batch]
set -euo pipefail
exe=$(realpath "${1:-build/tremovia}")
batches=${2:-20}
runs=${3:-300}
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

printf '1\n1.5\n1\n0\n1\n10\n-10\n\n\n\n\n\n\n\n\n' > "$work/typical.in"
"$exe" < "$work/typical.in" > "$work/typical.out"
python3 - "$work" <<'PY'
import sys
work = sys.argv[1]
data = open(f"{work}/typical.out", "rb").read()
with open(f"{work}/transcript.h", "w") as f:
    f.write("static const char transcript[] = {" + ",".join(str(b) for b in data) + "};\n")
PY
cat > "$work/minimal.c" <<'C'
#include <unistd.h>
#include "transcript.h"
int main(void) {
    char input[4096];
    while (read(0, input, sizeof input) > 0) {}
    return write(1, transcript, sizeof transcript) == (ssize_t)sizeof transcript ? 0 : 1;
}
C
cc -O2 -I"$work" -o "$work/minimal" "$work/minimal.c"
c++ -O2 -std=c++20 -o "$work/spawn_ratio" "$here/spawn_ratio.cpp"

"$work/spawn_ratio" "$exe" "$work/minimal" "$work/typical.in" "$batches" "$runs"

if command -v strace >/dev/null; then
  cat "$work/typical.in" | strace -f -c -o "$work/strace" "$exe" > /dev/null
  awk '$NF == "read" || $NF == "write" { print "  " $NF ": " $4 " calls" }' "$work/strace"
fi
