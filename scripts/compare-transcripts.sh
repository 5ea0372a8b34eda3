#!/usr/bin/env bash
# Every program prints the reference program's bytes for every input:
#   scripts/compare-transcripts.sh INPUTS REFERENCE PROGRAM...
# INPUTS holds one input a line, in printf's notation (\n for a line end). A
# program is a command, such as "qemu-arm build-armhf/tremovia". A Windows
# program (a name ending in .exe) runs under wine; it must write every line
# end as CR LF and nowhere else a CR, and each input is also typed with CR LF.
set -euo pipefail
inputs=$1 reference=$2
shift 2
wine_run=$(cd "$(dirname "$0")" && pwd)/wine-run.sh
windows_output=$(mktemp)
trap 'rm -f "$windows_output"' EXIT

compared=0
while IFS= read -r input; do
  expected=$(printf -- "$input" | $reference | od -An -tx1)
  for program in "$@"; do
    if [[ $program != *.exe ]]; then
      if [ "$expected" != "$(printf -- "$input" | $program | od -An -tx1)" ]; then
        echo "$program differs from $reference for input: $input"
        exit 1
      fi
      continue
    fi
    for typed in "$input" "${input//\\n/\\r\\n}"; do
      printf -- "$typed" | "$wine_run" "$program" >"$windows_output"
      if ! perl -0777 -ne 'exit(/\r(?!\n)|(?<!\r)\n/ ? 1 : 0)' "$windows_output"; then
        echo "$program: the line ends are not all CR LF for input: $typed"
        exit 1
      fi
      if [ "$expected" != "$(tr -d '\r' <"$windows_output" | od -An -tx1)" ]; then
        echo "$program differs from $reference for input: $typed"
        exit 1
      fi
    done
  done
  compared=$((compared + 1))
done <"$inputs"
echo "$compared inputs: $# programs print what $reference prints"
