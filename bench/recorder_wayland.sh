#!/usr/bin/env bash
# The recorder's screen path in the session it runs in, the X server's on X11
# or the desktop's portal stream on Wayland, on the same moving test picture
# at RATE fps (25) in a full-screen meeting window (an X11 window, as the
# meetings are; XWayland's on Wayland). RUNS (5) runs, each figure with the
# 1-minute load, then the median.
# MEASURE=cpu: CPU (user+sys) of the recorder while it records for
# SECONDS_PER_RUN (20), and of the display's servers (Xvfb; sway, XWayland,
# the portal's wlroots backend and PipeWire).
# MEASURE=start: time from the hotkey to the recording's run (whose first
# tick reads the first frame); on Wayland once without the portal's restore
# token (the desktop is asked at the hotkey) and once with it (asked when
# the recorder starts).
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

meeting=
recorder=
trap 'kill $meeting $recorder 2>/dev/null || true' EXIT
ffplay -loglevel quiet -fs -f lavfi -i "testsrc=size=${TALVORA_SCREEN:-1280x720}:rate=$rate" \
  -window_title "Zoom Meeting" &
meeting=$!

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

case "${MEASURE:-cpu}" in
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
  *) echo "MEASURE is cpu or start" >&2; exit 2 ;;
esac
