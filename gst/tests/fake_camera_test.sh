#!/usr/bin/env bash
# A GigE Vision camera (Aravis's fake camera) streams Bayer GR8 and Mono16
# through aravissrc into tavdemosaic; with a grey-chart camera program given,
# automatic white balance must also make its colour-cast grey patches
# neutral. Camera and client run in a network namespace of their own with
# only the loopback interface up.
#   fake_camera_test.sh PLUGIN_DIR REGISTRY [GREY_CHART_CAMERA]   exit 77 = skipped
set -uo pipefail
plugin_dir=$1
registry=$2
chart_camera=${3:-}
for tool in unshare ip arv-fake-gv-camera-0.8 gst-launch-1.0 gst-inspect-1.0; do
  command -v "$tool" > /dev/null || { echo "skipped: no $tool"; exit 77; }
done
gst-inspect-1.0 aravissrc > /dev/null 2>&1 || { echo "skipped: no aravissrc"; exit 77; }
unshare -n true 2> /dev/null || { echo "skipped: no network namespaces here"; exit 77; }

export GST_PLUGIN_PATH=$plugin_dir GST_REGISTRY_1_0=$registry CHART_CAMERA=$chart_camera
exec unshare -n bash -c '
  set -u
  ip link set lo up
  arv-fake-gv-camera-0.8 -i 127.0.0.1 > /dev/null 2>&1 &
  camera=$!
  sleep 1
  status=0
  for caps in "video/x-bayer,format=grbg" "video/x-raw,format=GRAY16_LE"; do
    echo "== $caps"
    timeout 60 gst-launch-1.0 aravissrc num-buffers=10 ! "$caps" ! tavdemosaic method=edge ! \
        video/x-raw,format=BGRx ! fakesink || status=1
  done
  # The same stream with every picture stage on, statistics included.
  echo "== video/x-bayer,format=grbg, full picture pipeline"
  timeout 60 gst-launch-1.0 aravissrc num-buffers=10 ! video/x-bayer,format=grbg ! tavdemosaic \
      black-level=4 auto-white-balance=true color-matrix="1.5,-0.3,-0.2,-0.2,1.4,-0.2,-0.1,-0.4,1.5" \
      curve=srgb post-stats=true ! video/x-raw,format=BGRx ! fakesink || status=1
  kill $camera
  wait $camera 2> /dev/null
  if [ -n "$CHART_CAMERA" ]; then
    echo "== grey chart through a colour cast, auto-white-balance=true"
    timeout 60 "$CHART_CAMERA" || status=1
  fi
  exit $status
'
