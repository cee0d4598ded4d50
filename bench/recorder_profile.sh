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

echo "recorder, recording a ${size} window at ${rate} fps for ${seconds} s: % of one core by thread"
thread_percent "$work/before" "$work/after"
ffprobe -v error -show_entries stream=codec_name,width,height,avg_frame_rate -of compact "$work"/Videos/*/*.wmv
