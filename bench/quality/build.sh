#!/bin/sh
# Builds the prototype's driver: build/quality/hq_demosaic (or the folder given).
set -e
here=$(cd "$(dirname "$0")" && pwd)
out=${1:-$here/../../build/quality}
mkdir -p "$out"
# -O3 and AVX2 let the compiler vectorise the plane loops; the results are the same bytes with any flags.
${CXX:-c++} -std=c++17 -O3 ${HQ_ARCH:--mavx2} -Wall -Wextra -o "$out/hq_demosaic" "$here/hq_demosaic.cpp"
echo "built $out/hq_demosaic"
