#!/usr/bin/env bash
# CPU of the recorder on the virtual desktop, idle with its preview running
# (5 fps), and while recording a 640x480 meeting window, against the ffmpeg
# command line capturing and encoding the same: the window's frame rectangle
# (x11grab) and both sound sides mixed (pulse + amix) -> wmv1 + wmav2.
# SIZE (640x480) and RATE (15) give the meeting window's size and the frame
# rate of both; PICTURE=still records a meeting whose picture never changes,
# PICTURE=noisy one whose every pixel changes every frame, PICTURE=area a
# still slide with a moving 320x240 picture on it (a speaker on a slide).
# Run: scripts/virtual-desktop run bench/recorder_cpu.sh
set -euo pipefail
program="${1:-$(dirname "$0")/../build/bin/talvora}"
seconds="${SECONDS_PER_RUN:-20}"
work="$(mktemp -d)"
export HOME="$work"
ticks=$(getconf CLK_TCK)

cpu_ticks() { awk '{print $14 + $15 + $16 + $17}' "/proc/$1/stat"; }
percent() { echo "scale=1; 100 * $1 / $ticks / $seconds" | bc; }
source "$(dirname "$0")/recorder_start.sh"
# Pictures that differ from the one before: a recorder that falls behind
# repeats pictures and does less work, so each CPU figure comes with this.
distinct_pictures() {
  ffmpeg -v error -i "$1" -map 0:v -fps_mode passthrough -f framemd5 - |
    awk -F', *' '!/^#/ { if ($6 != last) n++; last = $6; total++ } END { printf "%d distinct of %d pictures", n, total }'
}

size="${SIZE:-640x480}"
rate="${RATE:-15}"
case "${PICTURE:-moving}" in
  moving) source="testsrc=size=$size:rate=$rate" ;;
  still) source="color=c=0x336699:size=$size:rate=$rate" ;;
  noisy) source="testsrc=size=$size:rate=$rate,noise=alls=16:allf=t" ;;
  area) source="smptebars=size=$size:rate=$rate[slide];testsrc=size=320x240:rate=$rate[face];[slide][face]overlay=x=40:y=40[out0]" ;;
  *) echo "PICTURE is moving, still, noisy or area" >&2; exit 2 ;;
esac
ffplay -loglevel quiet -f lavfi -i "$source" -window_title "Zoom Meeting" -left 20 -top 20 &
meeting=$!
recorder=
trap 'kill $meeting $recorder 2>/dev/null || true' EXIT
start_recorder_at_rate "$rate"

before=$(cpu_ticks $recorder); sleep "$seconds"; after=$(cpu_ticks $recorder)
echo "recorder idle with preview: $(percent $((after - before))) % of one core"

xdotool key ctrl+F9
sleep 3
before=$(cpu_ticks $recorder); sleep "$seconds"; after=$(cpu_ticks $recorder)
echo "recorder recording: $(percent $((after - before))) % of one core"
xdotool key ctrl+F9
sleep 3
ffprobe -v error -show_entries stream=codec_name,width,height -of compact "$work"/Videos/*/*.wmv
echo "recorder's file: $(distinct_pictures "$(ls "$work"/Videos/*/*.wmv)")"

# The same capture as the recorder's: the window with its frame, and the
# speakers (loopback) mixed with the microphone. With the default input
# queues (8 packets) the grab blocks while the sound inputs are read and the
# command line repeats most pictures; 1024 lets it keep the rate.
read -r x y w h < <(xwininfo -name "Zoom Meeting" | awk '/Absolute upper-left X/{x=$4}/Absolute upper-left Y/{y=$4}/Width/{w=$2}/Height/{h=$2}END{print x, y, w, h}')
window=$(xdotool search --name '^Zoom Meeting$' | head -n 1)
read -r left right top bottom < <(xprop -id "$window" _NET_FRAME_EXTENTS | awk -F' = ' '{gsub(/,/, ""); print $2}')
x=$((x - ${left:-0})); y=$((y - ${top:-0}))
w=$((w + ${left:-0} + ${right:-0})); h=$((h + ${top:-0} + ${bottom:-0}))
queue="-thread_queue_size 1024"
ffmpeg -loglevel quiet -y $queue -f x11grab -framerate "$rate" -video_size "$((w - w % 8))x$((h - h % 8))" -i "$DISPLAY+$x,$y" \
  $queue -f pulse -i speakers.monitor $queue -f pulse -i microphone -filter_complex "[1:a][2:a]amix=inputs=2[a]" \
  -map 0:v -map "[a]" -c:v wmv1 -b:v 1200k -c:a wmav2 -b:a 64k "$work/peer.wmv" &
peer=$!
sleep 3
before=$(cpu_ticks $peer); sleep "$seconds"; after=$(cpu_ticks $peer)
kill -INT $peer; wait $peer 2>/dev/null || true
echo "ffmpeg command line, same capture and encode: $(percent $((after - before))) % of one core"
ffprobe -v error -show_entries stream=codec_name,width,height -of compact "$work/peer.wmv"
echo "command line's file: $(distinct_pictures "$work/peer.wmv")"
