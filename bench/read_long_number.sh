#!/usr/bin/env bash
# Reading a 50-million-digit number: time and peak memory of tremovia against
# glibc's scanf("%lf") on the same input, in the same run.
# usage: bench/read_long_number.sh [build/tremovia] [digits]
set -euo pipefail
exe=${1:-build/tremovia}
digits=${2:-50000000}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cat > "$work/scanf_baseline.c" <<'C'
#include <stdio.h>
int main(void) {
    double value = 0;
    scanf("%lf", &value);
    printf("%f\n", value);
    return 0;
}
C
cc -O2 -o "$work/scanf_baseline" "$work/scanf_baseline.c"

# 2^53 + 1 is a tie between two doubles; a final 1 far away breaks it upwards.
python3 - "$work" "$digits" <<'PY'
import sys
work, digits = sys.argv[1], int(sys.argv[2])
head = "9007199254740993."
with open(f"{work}/tie_broken.in", "w") as f:
    f.write(head + "0" * (digits - 17) + "1\n")
with open(f"{work}/tie.in", "w") as f:
    f.write(head + "0" * (digits - 16) + "\n")
PY

measure() {  # name command input
  /usr/bin/time -f '%e %M' -o "$work/time" "$2" < "$3" > "$work/out"
  read -r seconds kib < "$work/time"
  value=$(grep -o -m1 -E '(n0 = )?[0-9]+\.[0-9]+' "$work/out" | head -1 | sed 's/n0 = //')
  awk -v name="$1" -v input="$(basename "$3" .in)" -v s="$seconds" -v kib="$kib" -v value="$value" \
    'BEGIN { printf "%-16s %-12s %8.2f s %9.1f MiB   %s\n", name, input, s, kib / 1024, value }'
}

echo "digits: $digits"
for round in 1 2 3; do
  for input in "$work/tie_broken.in" "$work/tie.in"; do
    measure "scanf (glibc)" "$work/scanf_baseline" "$input"
    measure "tremovia" "$exe" "$input"
  done
done
