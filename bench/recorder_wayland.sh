#!/usr/bin/env bash
# The recorder's screen path in the session it runs in, the X server's on X11
# or the desktop's portal stream on Wayland, on the same moving test picture
# at RATE fps (25) in a meeting window (an X11 window, as the meetings are;
# XWayland's on Wayland): full-screen, or WINDOW=WIDTHxHEIGHT at 100,100.
# CONTENTS=1 records the window's own contents (the setting "HideWindow"),
# otherwise the screen's pixels of its rectangle. RUNS (5) runs, each figure
# with the 1-minute load, then the median.
# MEASURE=cpu: CPU (user+sys) of the recorder while it records for
# SECONDS_PER_RUN (20), and of the display's servers (Xvfb; sway, XWayland,
# the portal's wlroots backend and PipeWire).
# MEASURE=start: time from the hotkey to the recording's run (whose first
# tick reads the first frame); on Wayland once without the portal's restore
# token (the desktop is asked at the hotkey) and once with it (asked when
# the recorder starts).
# MEASURE=overlap: a still blue meeting window (WINDOW, 640x480) under a
# green window over its right part and a red X11 pop-up (override-redirect,
# as a meeting's menu) over its top left; the colours (RGB) of the last
# recorded picture there and in a free part.
# Run: TALVORA_SCREEN=1280x720 scripts/virtual-desktop [--wayland] run bench/recorder_wayland.sh
set -euo pipefail
program="${1:-$(dirname "$0")/../build/bin/talvora}"
seconds="${SECONDS_PER_RUN:-20}"
rate="${RATE:-25}"
runs="${RUNS:-5}"
work="$(mktemp -d)"
export HOME="$work"
export TALVORA_LOG="$work/talvora.log"
ticks=$(getconf CLK_TCK)

source "$(dirname "$0")/recorder_start.sh"
cpu_ticks() { awk '{print $14 + $15 + $16 + $17}' "/proc/$1/stat"; }
sum_ticks() {
  local pid total=0
  for pid in "$@"; do total=$((total + $(cpu_ticks "$pid"))); done
  echo "$total"
}
percent() { echo "scale=1; 100 * $1 / $ticks / $seconds" | bc; }
load() { cut -d' ' -f1 /proc/loadavg; }
median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
log_count() { tr '\r' '\n' <"$TALVORA_LOG" 2>/dev/null | grep -c "$1" || true; }
# Waits up to 30 s for the log to hold more than $2 lines with $1.
wait_log() {
  for _ in $(seq 1 3000); do
    (($(log_count "$1") > $2)) && return 0
    sleep 0.01
  done
  echo "no new '$1' in the log" >&2
  return 1
}
now_ms() { echo $(($(date +%s%N) / 1000000)); }

# The servers that draw and hand out the screen.
desktop="${TALVORA_DESKTOP_DIR:?run under scripts/virtual-desktop}"
servers() {
  local name pid
  for name in xvfb sway portal-wlr pipewire; do
    [ -f "$desktop/$name.pid" ] && echo "$(<"$desktop/$name.pid")"
  done
  # XWayland leaves sway's children; ours serves $DISPLAY.
  for pid in $(pgrep -x Xwayland); do
    tr '\0' ' ' <"/proc/$pid/cmdline" | grep -q "^Xwayland $DISPLAY " && echo "$pid"
  done
  return 0
}

# A window of WIDTHxHEIGHT at X,Y playing a lavfi source, floating on sway.
show_window() {
  local title=$1 source=$2 x=$3 y=$4 size=$5
  ffplay -loglevel quiet -f lavfi -i "$source" -window_title "$title" -left "$x" -top "$y" \
    -x "${size%x*}" -y "${size#*x}" &
  windows+=" $!"
  xdotool search --sync --name "^$title\$" >/dev/null
  [ -n "${WAYLAND_DISPLAY:-}" ] || return 0
  swaymsg -s "$(echo "$XDG_RUNTIME_DIR"/sway-ipc.*.sock)" "[title=\"^$title\$\"] floating enable, border none," \
    "resize set ${size%x*} ${size#*x}, move position $x $y" >/dev/null
}

windows=
recorder=
trap 'kill $windows $recorder 2>/dev/null || true' EXIT
measure="${MEASURE:-cpu}"
[ "$measure" = overlap ] && window="${WINDOW:-640x480}" || window="${WINDOW:-}"
if [ "$measure" = overlap ]; then
  show_window "Zoom Meeting" "color=c=blue:size=$window:rate=$rate" 100 100 "$window"
elif [ -n "$window" ]; then
  show_window "Zoom Meeting" "testsrc=size=$window:rate=$rate" 100 100 "$window"
else
  ffplay -loglevel quiet -fs -f lavfi -i "testsrc=size=${TALVORA_SCREEN:-1280x720}:rate=$rate" \
    -window_title "Zoom Meeting" &
  windows=$!
fi

# Presses the hotkey and prints the milliseconds until the recording runs.
start_recording() {
  local before started
  before=$(log_count RUNNING)
  started=$(now_ms)
  xdotool key ctrl+F9
  wait_log RUNNING "$before"
  echo $(($(now_ms) - started))
}
stop_recording() {
  local before
  before=$(log_count "ASF writer: ")
  xdotool key ctrl+F9
  wait_log "ASF writer: " "$before"
}
restart_recorder() {
  kill -TERM "$recorder"
  wait "$recorder" 2>/dev/null || true
  start_recorder
}

start_recorder_at_rate "$rate"
if [ "${CONTENTS:-0}" = 1 ]; then
  # The recorder's start-up reads the setting before it knows that it may
  # (and clears it); each recording's start reads the file again.
  sed -i "s/^HideWindow: .*/HideWindow: 1/" "$(find "$work" -name '*.ini' | head -n 1)"
  start_recording >/dev/null
  stop_recording
  sleep 1
fi

# The RGB of the last recorded picture at X,Y (a crop filter fails on the
# decoder's first frame, of no size).
colour_at() {
  local width height
  IFS=, read -r width height < <(ffprobe -v error -select_streams v -show_entries stream=width,height -of csv=p=0 "$1")
  ffmpeg -v error -i "$1" -map 0:v -f rawvideo -pix_fmt rgb24 - | tail -c "$((3 * width * height))" |
    tail -c +"$((3 * ($3 * width + $2) + 1))" | head -c 3 | od -An -tx1 | tr -d ' \n'
}

case "$measure" in
  cpu)
    for run in $(seq 1 "$runs"); do
      start_recording >/dev/null
      sleep 3
      mapfile -t pids < <(servers)
      thread_ticks >"$work/threads_before"
      before=$(cpu_ticks $recorder) servers_before=$(sum_ticks "${pids[@]}")
      sleep "$seconds"
      after=$(cpu_ticks $recorder) servers_after=$(sum_ticks "${pids[@]}")
      thread_ticks >"$work/threads_after"
      stop_recording
      echo "run $run (load $(load)): recorder $(percent $((after - before))) %," \
        "display's servers $(percent $((servers_after - servers_before))) % of one core"
      percent $((after - before)) >>"$work/recorder"
      sleep 2
    done
    echo "median of the recorder: $(median <"$work/recorder") % of one core; the last run's busiest threads:"
    thread_percent "$work/threads_before" "$work/threads_after" | head -n 6
    grep -a -E "Screen capture: " "$TALVORA_LOG" | tail -n 1
    ;;
  start)
    for run in $(seq 1 "$runs"); do
      if [ -n "${WAYLAND_DISPLAY:-}" ]; then
        token=$(find "$work" -name 'Screen Cast Token')
        [ -n "$token" ] && rm -- "$token"
        restart_recorder
        without=$(start_recording)
        stop_recording
        echo "$without" >>"$work/without"
        restart_recorder
        with=$(start_recording)
        stop_recording
        echo "$with" >>"$work/with"
        echo "run $run (load $(load)): hotkey to recording ${without} ms without the restore token, ${with} ms with it"
      else
        restart_recorder
        with=$(start_recording)
        stop_recording
        echo "$with" >>"$work/with"
        echo "run $run (load $(load)): hotkey to recording ${with} ms"
      fi
    done
    [ -f "$work/without" ] && echo "median without the token: $(median <"$work/without") ms"
    echo "median$([ -f "$work/without" ] && echo " with the token"): $(median <"$work/with") ms"
    ;;
  overlap)
    show_window Cover "color=c=lime:size=400x600:rate=$rate" 500 50 400x600
    python3 "$(dirname "$0")/x11_popup.py" 150 150 160 120 ff0000 &
    windows+=" $!"
    start_recording >/dev/null
    sleep 4
    stop_recording
    file=$(ls "$work"/Videos/*/*.wmv | tail -n 1)
    echo "free part: $(colour_at "$file" 40 400), under the green window: $(colour_at "$file" 550 240)," \
      "under the pop-up: $(colour_at "$file" 100 80)"
    ;;
  *) echo "MEASURE is cpu, start or overlap" >&2; exit 2 ;;
esac
