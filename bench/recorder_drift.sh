#!/usr/bin/env bash
# A long recording keeps sound and picture together: the "Zoom Meeting"
# window of sync_source turns white when the sound server plays each of its
# 1 kHz beeps, at irregular times (its own log tells how closely); the
# recorder records it for MINUTES by the hotkey. Every flash of the recording
# is paired with its beep, and the script prints the mean offset (beep minus
# flash) over the first and the last five minutes, the drift per minute
# (least squares over all pairs), how far the source painted its flashes from
# their beeps and how the file's size grew. Exits 1 when the offset moved by
# a frame time or more.
# Run: scripts/virtual-desktop run bench/recorder_drift.sh [PROGRAM]
#      MINUTES=30 FORMAT=wmv|mpg RATE=15 by default; KEEP=DIR keeps the
#      recording, the source's and the recorder's logs there.
set -euo pipefail
program="${1:-$(dirname "$0")/../build/bin/talvora}"
minutes="${MINUTES:-30}"
format="${FORMAT:-wmv}"
rate="${RATE:-15}"
work="$(mktemp -d)"
export HOME="$work" XDG_CONFIG_HOME="$work/.config" TALVORA_LOG="$work/recorder.log"
folder="$work/Videos/Talvora Recordings"
settings="$work/.config/Corvane Telmark 2"
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$work"' EXIT

mkdir -p "$settings"
sed -e "s/^Protocol: .*/Protocol: $([ "$format" = mpg ] && echo 0 || echo 1)/" \
    -e "s/^Frame Rate: .*/Frame Rate: $rate.00/" -e 's/^Setup: 0/Setup: 1/' \
    "$(dirname "$program")/settings_rp_goog_init.ini" >"$settings/settings_rp_goog.ini"

"$(dirname "$program")/sync_source" >"$work/source.out" 2>&1 &
source=$!
for _ in $(seq 1 50); do xdotool search --onlyvisible --name '^Zoom Meeting$' >/dev/null 2>&1 && break; sleep 0.1; done
"$program" >"$work/recorder.out" 2>&1 &
recorder=$!
# The start's messages are answered until the recorder's window shows, and
# the microphone is confirmed in Audio Setup during its first ticks.
answer() {
  for box in $(xdotool search --name '^(Talvora Message|Audio Setup)$' 2>/dev/null); do
    xdotool windowactivate --sync "$box" key --window "$box" Return 2>/dev/null || true
  done
}
for _ in $(seq 1 300); do
  answer
  xdotool search --onlyvisible --name '^Talvora$' >/dev/null 2>&1 && break
  sleep 0.1
done
for _ in $(seq 1 30); do answer; sleep 0.1; done
xdotool key ctrl+F9
for _ in $(seq 1 150); do [ -n "$(ls "$folder" 2>/dev/null)" ] && break; answer; sleep 0.1; done
if [ -z "$(ls "$folder" 2>/dev/null)" ]; then
  echo "the recorder did not start recording:"
  cat "$work/recorder.out"
  exit 1
fi
file="$folder/$(ls "$folder")"
echo "recording $file for $minutes min"
sizes=()
for minute in $(seq 1 "$minutes"); do
  sleep 60
  sizes+=("$(stat -c %s "$file")")
done
xdotool key ctrl+F9
for _ in $(seq 1 300); do xdotool search --onlyvisible --name '^Talvora$' >/dev/null 2>&1 && break; sleep 0.1; done
sleep 2
kill "$recorder" 2>/dev/null || true
kill "$source" 2>/dev/null || true
wait "$source" 2>/dev/null || true
echo "source: $(tail -n 1 "$work/source.out")"
[ -n "${KEEP:-}" ] && mkdir -p "$KEEP" && cp "$file" "$work/source.out" "$work/recorder.log" "$KEEP/"
# Where the recorder moved its sound, by its log.
grep -a "Audio capture: sound" "$work/recorder.log" | tr -d '\r' || true

echo "file size at each minute (MB): $(for s in "${sizes[@]}"; do printf '%.1f ' "$(echo "$s / 1048576" | bc -l)"; done)"

# Every flash paired with its beep, read as the sync tests read a recording.
"$(dirname "$program")/sync_measure" "$file" >"$work/pairs"

awk -v frame="$(echo "1 / $rate" | bc -l)" -v minutes="$minutes" '
  {
    t = $1; o = $2; ++pairs
    sx += t; sy += o; sxx += t * t; sxy += t * o
    if (t < 300) { first += o; nf++ }
    if (t > minutes * 60 - 300) { last += o; nl++ }
    m = int(t / 60); minute[m] += o; inMinute[m]++
  }
  END {
    if (nf == 0 || nl == 0) { print "too few pairs: " pairs; exit 1 }
    for (m = 0; m in inMinute; ++m) printf "minute %d: %+.1f ms (%d pairs)\n", m + 1, 1000 * minute[m] / inMinute[m], inMinute[m]
    slope = (pairs * sxy - sx * sy) / (pairs * sxx - sx * sx)
    printf "%d pairs; mean offset first 5 min %+.1f ms (%d), last 5 min %+.1f ms (%d); drift %+.2f ms/min\n",
      pairs, 1000 * first / nf, nf, 1000 * last / nl, nl, 60000 * slope
    moved = last / nl - first / nf
    if (moved ^ 2 >= frame ^ 2) { printf "the offset moved by %.1f ms, a frame time or more\n", 1000 * moved; exit 1 }
  }' "$work/pairs"
