#!/usr/bin/env bash
# A GigE Vision camera (Aravis's fake camera) streams Bayer GR8 and Mono16
# through aravissrc into tavdemosaic. Camera and client run in a network
# namespace of their own with only the loopback interface up.
#   fake_camera_test.sh PLUGIN_DIR REGISTRY      exit 77 = skipped
set -uo pipefail
plugin_dir=$1
registry=$2
for tool in unshare ip arv-fake-gv-camera-0.8 gst-launch-1.0 gst-inspect-1.0; do
  command -v "$tool" > /dev/null || { echo "skipped: no $tool"; exit 77; }
done
gst-inspect-1.0 aravissrc > /dev/null 2>&1 || { echo "skipped: no aravissrc"; exit 77; }
unshare -n true 2> /dev/null || { echo "skipped: no network namespaces here"; exit 77; }

export GST_PLUGIN_PATH=$plugin_dir GST_REGISTRY_1_0=$registry
exec unshare -n bash -c '
  set -u
  ip link set lo up
  arv-fake-gv-camera-0.8 -i 127.0.0.1 > /dev/null 2>&1 &
  camera=$!
  trap "kill $camera" EXIT
  sleep 1
  status=0
  for caps in "video/x-bayer,format=grbg" "video/x-raw,format=GRAY16_LE"; do
    echo "== $caps"
    timeout 60 gst-launch-1.0 aravissrc num-buffers=10 ! "$caps" ! tavdemosaic method=edge ! \
        video/x-raw,format=BGRx ! fakesink || status=1
  done
  exit $status
'
