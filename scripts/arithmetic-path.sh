#!/usr/bin/env bash
# Prints which x87 arithmetic a build folder compiled into its formulas,
# "native x87" or "software", from the object file it built:
#   scripts/arithmetic-path.sh BUILD_FOLDER
# Both print the same bits by design, so no test of the output can tell.
set -euo pipefail
objects() { find "$1" -regextype posix-extended -regex ".*/$2\\.cpp\\.o(bj)?" | wc -l; }
native=$(objects "$1" compute_lens_x87)
software=$(objects "$1" compute_lens_soft)
case "$native,$software" in
  1,0) echo "native x87" ;;
  0,1) echo "software" ;;
  *) echo "arithmetic-path.sh: $1 has $native native and $software software objects, not one" >&2; exit 1 ;;
esac
