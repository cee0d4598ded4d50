#!/usr/bin/env bash
# Where the recorder's CPU goes while it records: CPU by thread, each stage
# of a recording runs on a thread of its own name ("Screen grab", "Frame
# delivery" (conversion, preview), "WMV writer" (both encoders and the
# file), "Sound capture", the MPEG-2 path's encoders and "MPEG writer";
# "talvora" is the UI thread with the window tracker, and threads nobody
# named). A moving test picture of SIZE at RATE fps plays in the meeting
# window; PICTURE=area plays a still slide with a moving 320x240 picture on it.
# Run: SIZE=1280x720 RATE=25 scripts/virtual-desktop run bench/recorder_profile.sh
set -euo pipefail
program="${1:-$(dirname "$0")/../build/bin/talvora}"
size="${SIZE:-1280x720}"
rate="${RATE:-25}"
seconds="${SECONDS_PER_RUN:-20}"
work="$(mktemp -d)"
export HOME="$work"

source "$(dirname "$0")/recorder_start.sh"
# "name ticks" for every thread of the recorder.
thread_ticks() {
  for task in /proc/"$recorder"/task/*; do
    local comm stat
    comm=$(<"$task/comm") stat=$(<"$task/stat") || continue
    stat=${stat##*) }
    read -r -a fields <<<"$stat"
    echo "$comm	$((fields[11] + fields[12]))"
  done
}

case "${PICTURE:-moving}" in
  moving) source="testsrc=size=$size:rate=$rate" ;;
  area) source="smptebars=size=$size:rate=$rate[slide];testsrc=size=320x240:rate=$rate[face];[slide][face]overlay=x=40:y=40[out0]" ;;
  *) echo "PICTURE is moving or area" >&2; exit 2 ;;
esac
ffplay -loglevel quiet -f lavfi -i "$source" -window_title "Zoom Meeting" -left 20 -top 20 &
meeting=$!
recorder=
trap 'kill $meeting $recorder 2>/dev/null || true' EXIT

start_recorder_at_rate "$rate"

xdotool key ctrl+F9
sleep 3
thread_ticks >"$work/before"
sleep "$seconds"
thread_ticks >"$work/after"
xdotool key ctrl+F9
sleep 3

ticks=$(getconf CLK_TCK)
echo "recorder, recording a ${size} window at ${rate} fps for ${seconds} s: % of one core by thread"
awk -F'\t' -v ticks="$ticks" -v seconds="$seconds" '
  NR == FNR { before[$1] += $2; next }
  { after[$1] += $2 }
  END {
    for (name in after) {
      used = after[name] - before[name]
      total += used
      printf "%7.1f  %s\n", 100 * used / ticks / seconds, name
    }
    printf "%7.1f  all threads\n", 100 * total / ticks / seconds
  }' "$work/before" "$work/after" | sort -rn
ffprobe -v error -show_entries stream=codec_name,width,height,avg_frame_rate -of compact "$work"/Videos/*/*.wmv
