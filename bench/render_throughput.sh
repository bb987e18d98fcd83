#!/usr/bin/env bash
# The renderer's throughput per format: one stereo file (float, 48 kHz) rendered by
# vst-render through each edition of the plug-in built here, in stereo and in mono, as
# times real time (seconds of audio per second of wall time, the best of RUNS runs).
# Wall times: quiet machines only. The same file through `cp` shows what the file
# reading and writing alone allow.
#
#   bench/render_throughput.sh [BUILD_DIR] [SECONDS_OF_AUDIO] [RUNS]
#
# BUILD_DIR is a Linux build (default build/linux); 600 seconds of audio and 5 runs by default.
set -euo pipefail

build=${1:-build/linux}
seconds=${2:-600}
runs=${3:-5}
render="$build/tools/render/vst-render"
[[ -x $render ]] || { echo "render_throughput.sh: $render not found; build $build first" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
python3 - "$work/in.wav" "$seconds" <<'EOF'
import math, struct, sys
path, seconds = sys.argv[1], int(sys.argv[2])
rate, frames = 48000, 48000 * int(sys.argv[2])
block = b"".join(struct.pack("<ff", 0.5 * math.sin(i * 0.01), 0.25 * math.cos(i * 0.013)) for i in range(48000))
with open(path, "wb") as out:
    size = frames * 8
    out.write(b"RIFF" + struct.pack("<I", 36 + size) + b"WAVE")
    out.write(b"fmt " + struct.pack("<IHHIIHH", 16, 3, 2, rate, rate * 8, 8, 32))
    out.write(b"data" + struct.pack("<I", size))
    for _ in range(seconds):
        out.write(block)
EOF

# The best wall time of $runs runs of a command, in seconds.
best() {
  local fastest=""
  for _ in $(seq "$runs"); do
    local start end
    start=$(date +%s.%N)
    "$@" >/dev/null 2>&1 || { echo "render_throughput.sh: failed: $*" >&2; return 1; }
    end=$(date +%s.%N)
    fastest=$(echo "$start $end ${fastest:-1e9}" | awk '{ t = $2 - $1; print (t < $3 ? t : $3) }')
  done
  echo "$fastest"
}

printf '%-8s %-7s %12s\n' format mode "x real time"
time=$(best cp "$work/in.wav" "$work/copy.wav")
printf '%-8s %-7s %12.0f\n' cp - "$(echo "$seconds $time" | awk '{ print $1 / $2 }')"
for edition in "vst2:$build/host/Quillmarsh_twinfold.so" "vst3:$build/Quillmarsh_twinfold.vst3" \
               "clap:$build/clap/Quillmarsh_twinfold.clap" "lv2:$build/lv2/Quillmarsh_twinfold.lv2"; do
  for mode in stereo mono; do
    time=$(best "$render" --param "stereo / mono=$mode" "${edition#*:}" "$work/in.wav" "$work/out.wav")
    printf '%-8s %-7s %12.0f\n' "${edition%%:*}" "$mode" "$(echo "$seconds $time" | awk '{ print $1 / $2 }')"
  done
done
