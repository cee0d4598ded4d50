#!/usr/bin/env bash
# Whether the recorder keeps up with a full-screen 1920x1080 meeting at 30
# fps with sound: the recorder's own counts of frames captured and dropped,
# the frames in the file and the longest gap between two (frames that show
# what the one before showed are not written, and the player on this desktop
# cannot draw every frame of a full-screen picture), holes in the sound, and
# the recorder's memory (RSS) while recording. BUSY=n runs n busy loops
# (`yes > /dev/null`) beside it.
# Run: BUSY=2 scripts/virtual-desktop run bench/recorder_fullhd.sh
set -euo pipefail
program="${1:-$(dirname "$0")/../build/bin/talvora}"
seconds="${SECONDS_PER_RUN:-30}"
rate="${RATE:-30}"
busy="${BUSY:-0}"
work="$(mktemp -d)"
export HOME="$work"
export TALVORA_LOG="$work/talvora.log"

source "$(dirname "$0")/recorder_start.sh"
rss_mb() { awk '/VmRSS/{printf "%d", $2 / 1024}' "/proc/$recorder/status"; }

ffplay -loglevel quiet -fs -f lavfi -i "testsrc=size=1920x1080:rate=$rate" -window_title "Zoom Meeting" &
meeting=$!
recorder=
loops=
trap 'kill $meeting $recorder $loops 2>/dev/null || true' EXIT
start_recorder_at_rate "$rate"

for _ in $(seq 1 "$busy"); do
  yes >/dev/null &
  loops+=" $!"
done
xdotool key ctrl+F9
peak=0
for second in $(seq 1 "$seconds"); do
  sleep 1
  rss=$(rss_mb)
  ((rss > peak)) && peak=$rss
  case $second in 5 | "$seconds") echo "RSS after $second s: $rss MB" ;; esac
done
xdotool key ctrl+F9
sleep 3
kill $loops 2>/dev/null || true
loops=
echo "RSS peak while recording: $peak MB"
grep -a -E "Screen capture: |ASF writer: .*frames encoded" "$TALVORA_LOG" | tail -n 2

file=$(ls "$work"/Videos/*/*.wmv | head -n 1)
ffprobe -v error -show_entries stream=codec_name,width,height -of compact "$file"
# Video: frames and the longest gap between neighbours; sound: the largest
# hole between one packet's end and the next packet's start.
ffprobe -v error -show_entries packet=codec_type,pts_time,duration_time -of csv=p=0 "$file" |
  awk -F, -v rate="$rate" '
    $1 == "video" { t = $2 + 0; if (n++ > 0 && t - last > gap) gap = t - last; if (n == 1) first = t; last = t }
    $1 == "audio" { t = $2 + 0; if (m++ > 0 && t - end > hole) hole = t - end; end = t + $3 }
    END {
      due = (last - first) * rate + 1
      printf "video: %d frames of %d due (%.1f %%), longest gap %d ms\n", n, due, 100 * n / due, 1000 * gap
      printf "sound: %d packets, largest hole %d ms\n", m, 1000 * hole
    }'
