#!/usr/bin/env bash
# A long recording keeps sound and picture together: the "Zoom Meeting"
# window plays a video whose white flashes and 1 kHz beeps coincide at
# irregular times; the recorder records it for MINUTES by the hotkey. Every
# flash of the recording is paired with its beep, and the script prints the
# mean offset (beep minus flash) over the first and the last five minutes, the
# drift per minute (least squares over all pairs) and how the status line's
# size grew. Exits 1 when the offset moved by a frame time or more.
# Run: scripts/virtual-desktop run bench/recorder_drift.sh [PROGRAM]
#      MINUTES=30 FORMAT=wmv|mpg RATE=15 by default.
set -euo pipefail
program="${1:-$(dirname "$0")/../build/bin/talvora}"
minutes="${MINUTES:-30}"
format="${FORMAT:-wmv}"
rate="${RATE:-15}"
work="$(mktemp -d)"
export HOME="$work" XDG_CONFIG_HOME="$work/.config"
folder="$work/Videos/Talvora Recordings"
settings="$work/.config/Corvane Telmark 2"
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$work"' EXIT

# Flashes 0.1 s long at 1.3, 0.9, 1.7, 1.1, 1.5, 0.8, 1.9 s apart, repeated.
flash="0"
for at in 0 1.3 2.2 3.9 5.0 6.5 7.3; do flash="$flash+between(mod(t-1\,9.2)\,$at\,$at+0.099)"; done
length=$((minutes * 60 + 120))
echo "making a ${length} s flash-and-beep video"
ffmpeg -v error -y -f lavfi -i "color=c=black:s=320x240:r=30:d=$length" \
  -f lavfi -i "aevalsrc=exprs='if(gte(t\,1)*($flash)\,0.5*sin(2*PI*1000*t)\,0)':s=44100:d=$length" \
  -filter_complex "[0:v]drawbox=c=white:t=fill:enable='gte(t,1)*($flash)'[v]" \
  -map "[v]" -map 1:a -c:v mpeg4 -q:v 2 -c:a pcm_s16le "$work/flash.mkv"

mkdir -p "$settings"
sed -e "s/^Protocol: .*/Protocol: $([ "$format" = mpg ] && echo 0 || echo 1)/" \
    -e "s/^Frame Rate: .*/Frame Rate: $rate.00/" -e 's/^Setup: 0/Setup: 1/' \
    "$(dirname "$program")/settings_rp_goog_init.ini" >"$settings/settings_rp_goog.ini"

ffplay -loglevel quiet -window_title "Zoom Meeting" -left 60 -top 60 "$work/flash.mkv" &
"$program" >"$work/recorder.out" 2>&1 &
recorder=$!
# The start's messages are answered and the microphone confirmed in Audio Setup.
for _ in $(seq 1 8); do
  sleep 1
  for box in $(xdotool search --name '^(Talvora Message|Audio Setup)$' 2>/dev/null); do
    xdotool windowactivate --sync "$box" key --window "$box" Return 2>/dev/null || true
  done
done
xdotool key ctrl+F9
for _ in $(seq 1 50); do [ -n "$(ls "$folder" 2>/dev/null)" ] && break; sleep 0.1; done
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

echo "file size at each minute (MB): $(for s in "${sizes[@]}"; do printf '%.1f ' "$(echo "$s / 1048576" | bc -l)"; done)"

# Flash onsets: the first bright frame after a dark one, less half a frame
# time (the flash began somewhere during the frame before it).
ffprobe -v error -f lavfi -i "movie=$(printf '%q' "$file"),signalstats" \
  -show_entries frame=pts_time:frame_tags=lavfi.signalstats.YAVG -of csv=p=0 |
  awk -F, -v half="$(echo "0.5 / $rate" | bc -l)" 'NF == 2 { bright = $2 > 80; if (bright && !was) print $1 - half; was = bright }' \
  >"$work/flashes"
# Beep onsets: where the silence ends, with the sound placed by its time stamps.
ffmpeg -v info -nostats -copyts -i "$file" -map 0:a -af "aresample=async=1:first_pts=0,silencedetect=n=-30dB:d=0.3" \
  -f null - 2>&1 | awk '/silence_end/ { for (i = 1; i <= NF; ++i) if ($i == "silence_end:") print $(i + 1) }' \
  >"$work/beeps"

awk -v frame="$(echo "1 / $rate" | bc -l)" -v minutes="$minutes" '
  NR == FNR { beeps[n++] = $1; next }
  {
    best = 1e9
    for (i = 0; i < n; ++i) if ((beeps[i] - $1) ^ 2 < best ^ 2) best = beeps[i] - $1
    if (best ^ 2 > 0.25) next  # no beep near: cut by an end of the sound
    t = $1; o = best; ++pairs
    sx += t; sy += o; sxx += t * t; sxy += t * o
    if (t < 300) { first += o; nf++ }
    if (t > minutes * 60 - 300) { last += o; nl++ }
  }
  END {
    if (nf == 0 || nl == 0) { print "too few pairs: " pairs; exit 1 }
    slope = (pairs * sxy - sx * sy) / (pairs * sxx - sx * sx)
    printf "%d pairs; mean offset first 5 min %+.1f ms (%d), last 5 min %+.1f ms (%d); drift %+.2f ms/min\n",
      pairs, 1000 * first / nf, nf, 1000 * last / nl, nl, 60000 * slope
    moved = last / nl - first / nf
    if (moved ^ 2 >= frame ^ 2) { printf "the offset moved by %.1f ms, a frame time or more\n", 1000 * moved; exit 1 }
  }' "$work/beeps" "$work/flashes"
