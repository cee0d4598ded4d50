#!/usr/bin/env bash
# Repeated use: CYCLES start/stop cycles of a recording by the hotkey
# (ctrl+F9), each recording RECORD_S seconds of a meeting window and a tone.
# Prints the recorder's open file descriptors, threads and resident memory
# after cycle 10 and after the last, and checks that every cycle left one
# file that ffprobe reads with a duration. Exits 1 on a leak (fds or threads
# more than at cycle 10, RSS more than 10 % above it) or a missing file.
# Run: scripts/virtual-desktop run bench/recorder_cycles.sh [PROGRAM]
#      CYCLES=100 RECORD_S=2 by default.
set -euo pipefail
program="${1:-$(dirname "$0")/../build/bin/talvora}"
cycles="${CYCLES:-100}"
record_s="${RECORD_S:-2}"
work="$(mktemp -d)"
export HOME="$work"
folder="$work/Videos/Talvora Recordings"

source "$(dirname "$0")/recorder_start.sh"
# The recorder window is shown again once a stop is complete.
recorder_shown() { xdotool search --onlyvisible --name '^Talvora$' >/dev/null 2>&1; }
files() { find "$folder" -maxdepth 1 -name '*.wmv' 2>/dev/null | wc -l; }
sample() {
  local fds threads rss
  fds=$(ls "/proc/$recorder/fd" | wc -l)
  threads=$(awk '/^Threads:/{print $2}' "/proc/$recorder/status")
  rss=$(awk '/^VmRSS:/{print $2}' "/proc/$recorder/status")
  echo "$fds $threads $rss"
}

sox -n -r 44100 -c 2 "$work/tone.wav" synth 60 sine 440 vol 0.5
ffplay -loglevel quiet -f lavfi -i testsrc=size=640x480:rate=15 -window_title "Zoom Meeting" -left 60 -top 60 &
meeting=$!
(while paplay "$work/tone.wav"; do :; done) &
tone=$!
"$program" >/dev/null 2>&1 &
recorder=$!
trap 'kill $meeting $tone $recorder 2>/dev/null || true; rm -rf "$work"' EXIT
for _ in $(seq 1 8); do sleep 1; answer_boxes; done

at10=""
started=$(date +%s)
for cycle in $(seq 1 "$cycles"); do
  before=$(files)
  xdotool key ctrl+F9
  for _ in $(seq 1 50); do [ "$(files)" -gt "$before" ] && break; sleep 0.1; done
  sleep "$record_s"
  xdotool key ctrl+F9
  for _ in $(seq 1 150); do recorder_shown && break; sleep 0.1; done
  sleep 1
  answer_boxes
  if [ "$(files)" -ne "$cycle" ]; then
    echo "cycle $cycle: $(files) files, expected $cycle" >&2
    exit 1
  fi
  if [ "$cycle" -eq 10 ]; then
    at10=$(sample)
    echo "after cycle 10: fds threads rss_kib = $at10"
  fi
done
last=$(sample)
echo "after cycle $cycles: fds threads rss_kib = $last ($(($(date +%s) - started)) s)"

bad=0
while IFS= read -r -d '' f; do
  d=$(ffprobe -v error -show_entries format=duration -of csv=p=0 "$f")
  awk -v d="$d" 'BEGIN{exit !(d > 0.5)}' || { echo "not a valid recording: $f ($d)" >&2; bad=$((bad + 1)); }
done < <(find "$folder" -maxdepth 1 -name '*.wmv' -print0)
echo "$(files) files, $bad not valid"

[ -z "$at10" ] && exit 0
read -r fds10 threads10 rss10 <<<"$at10"
read -r fdsN threadsN rssN <<<"$last"
status=0
[ "$fdsN" -le "$fds10" ] || { echo "open file descriptors grew: $fds10 -> $fdsN" >&2; status=1; }
[ "$threadsN" -le "$threads10" ] || { echo "threads grew: $threads10 -> $threadsN" >&2; status=1; }
[ $((rssN * 10)) -le $((rss10 * 11)) ] || { echo "RSS grew by more than 10 %: $rss10 -> $rssN KiB" >&2; status=1; }
[ "$bad" -eq 0 ] || status=1
exit $status
