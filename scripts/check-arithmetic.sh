#!/usr/bin/env bash
# Fails unless a build folder compiled the x87 arithmetic it should, as told
# by the object file it built for the formulas:
#   scripts/check-arithmetic.sh BUILD_FOLDER "native x87"|software
# Both print the same bits by design, so no test of the output can tell.
set -euo pipefail
objects() { find "$1" -regextype posix-extended -regex ".*/$2\\.cpp\\.o(bj)?" | wc -l; }
case "$(objects "$1" compute_lens_x87),$(objects "$1" compute_lens_soft)" in
  1,0) built="native x87" ;;
  0,1) built=software ;;
  *) echo "check-arithmetic.sh: $1 has not one object for the formulas" >&2; exit 1 ;;
esac
echo "$1: $built arithmetic"
[ "$built" = "$2" ] || { echo "check-arithmetic.sh: $1 should compute in $2 arithmetic" >&2; exit 1; }
