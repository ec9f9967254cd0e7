#!/usr/bin/env bash
# ARM instruction counts per pixel with this folder's driver (tavdrv.c: the shared driver plus the
# picture-pipeline cases). Stages the shared counting scripts (measure.sh, measure64.sh, insncount.c
# from ../shared/arm-insn beside the project, or $ARM_INSN) with this driver in WORKDIR and runs them.
#   bench/arm/measure.sh [32|64|both] [WORKDIR]        (from anywhere; default both, /tmp/tav-arm-insn)
#   CASES="pipe8 bilinear8" bench/arm/measure.sh 32     (default: the three pipeline cases)
#   CASES="edge8 hq8 pipe12pedge pipe12phq" bench/arm/measure.sh both   (the high-quality method beside edge)
# Needs g++-arm-linux-gnueabihf, g++-aarch64-linux-gnu and qemu-user (Debian).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
src=$(cd "$here/../.." && pwd)
which=${1:-both}
work=${2:-/tmp/tav-arm-insn}
shared=${ARM_INSN:-$src/../shared/arm-insn}
for f in measure.sh measure64.sh insncount.c; do
  [ -f "$shared/$f" ] || { echo "no $f in $shared (set ARM_INSN)" >&2; exit 2; }
done
mkdir -p "$work/tools"
cp "$shared/measure.sh" "$shared/measure64.sh" "$shared/insncount.c" "$work/tools/"
cp "$here/tavdrv.c" "$work/tools/tavdrv.c"
export CASES=${CASES:-pipe8 pipe12p pipe12pedge}
case $which in
  32) "$work/tools/measure.sh" "$src" "$work/arm32" ;;
  64) "$work/tools/measure64.sh" "$src" "$work/a64" ;;
  both) "$work/tools/measure.sh" "$src" "$work/arm32"; "$work/tools/measure64.sh" "$src" "$work/a64" ;;
  *) echo "usage: bench/arm/measure.sh [32|64|both] [WORKDIR]" >&2; exit 2 ;;
esac
