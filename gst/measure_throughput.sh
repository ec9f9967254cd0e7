#!/usr/bin/env bash
# Frames per second of tavdemosaic on a 1920x1080 stream, beside GStreamer's
# bayer2rgb on the 8-bit version of the same stream. One test-pattern frame
# is repeated by imagefreeze, so the source costs next to nothing, and
# capssetter relabels the grey frame as a Bayer mosaic.
#   gst/measure_throughput.sh [BUILD_DIR] [FRAMES] [all|plain|picture]
# "picture" measures the full picture pipeline (shading table, black level,
# automatic white balance, colour matrix, sRGB curve) beside bayer2rgb.
set -euo pipefail
build=${1:-build}
frames=${2:-300}
which=${3:-all}
export GST_PLUGIN_PATH=$build/gst
size="width=1920,height=1080,framerate=30/1"

# Best of five runs, as "wall-clock fps  CPU fps": frames over elapsed time,
# and frames over the process's user + system time (steadier on a busy
# machine; the same as wall-clock for one thread on an idle one).
fps() {  # source format, then the elements after the repeated frame
  local source=$1 tail=$2 wall=0 cpu=0 times
  for run in 1 2 3 4 5; do
    # shellcheck disable=SC2086
    times=$( { TIMEFORMAT='%R %U %S'; time gst-launch-1.0 -q videotestsrc num-buffers=1 pattern=smpte ! \
               "video/x-raw,format=$source,$size" ! imagefreeze num-buffers="$frames" ! $tail ! \
               fakesink sync=false >/dev/null; } 2>&1 )
    read -r wall cpu < <(awk -v n="$frames" -v w="$wall" -v c="$cpu" -v t="$times" 'BEGIN {
      split(t, f, " "); rw = n / f[1]; rc = n / (f[2] + f[3]);
      printf "%.0f %.0f\n", (rw > w) ? rw : w, (rc > c) ? rc : c }')
  done
  printf '%6s %6s' "$wall" "$cpu"
}

bayer8="capssetter join=false replace=true caps=video/x-bayer,format=rggb,$size"
bayer12="capssetter join=false replace=true caps=video/x-bayer,format=rggb12le,$size"

row() { printf '%-66s %s\n' "$1" "$(fps "$2" "$3")"; }

printf '%-66s %6s %6s\n' "1920x1080, $frames frames" "wall" "CPU"
row "8-bit rggb, no demosaicing (source cost)" GRAY8 "$bayer8"
row "8-bit rggb ! bayer2rgb (BGRx)" GRAY8 "$bayer8 ! bayer2rgb ! video/x-raw,format=BGRx"

if [ "$which" != plain ]; then
  # A per-pixel shading table with unit gains and a dark offset of 16 (12-bit scale).
  table=$(mktemp --suffix=.tbl)
  trap 'rm -f "$table"' EXIT
  /usr/bin/python3 -c 'import struct, sys
w, h = 1920, 1080
sys.stdout.buffer.write(b"TAVSHADE" + struct.pack("<5I", 1, 12, 1, h, w) +
                        struct.pack("<I", (0x20000 << 12) | 16) * (w * h))' > "$table"
  matrix="1.6,-0.4,-0.2,-0.3,1.5,-0.2,-0.1,-0.5,1.6"
  for threads in 1 0; do
    for method in bilinear edge hq; do
      picture="method=$method threads=$threads shading-table=$table auto-white-balance=true curve=srgb color-matrix=$matrix"
      row "8-bit rggb ! tavdemosaic $method threads=$threads, full pipeline (BGRx)" GRAY8 \
        "$bayer8 ! tavdemosaic black-level=4 $picture ! video/x-raw,format=BGRx"
      row "12-bit rggb12le ! tavdemosaic $method threads=$threads, full pipeline (BGRx)" GRAY16_LE \
        "$bayer12 ! tavdemosaic black-level=64 $picture ! video/x-raw,format=BGRx"
    done
  done
  [ "$which" = picture ] && exit 0
fi

for threads in 1 0; do
  for method in bilinear edge nearest; do
    for format in BGRx RGB; do
      row "8-bit rggb ! tavdemosaic $method threads=$threads ($format)" GRAY8 \
        "$bayer8 ! tavdemosaic method=$method threads=$threads ! video/x-raw,format=$format"
      row "12-bit rggb12le ! tavdemosaic $method threads=$threads ($format)" GRAY16_LE \
        "$bayer12 ! tavdemosaic method=$method threads=$threads ! video/x-raw,format=$format"
    done
  done
done
