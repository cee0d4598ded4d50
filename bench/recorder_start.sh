# Sourced by the recorder benches: starting the recorder under $HOME=$work
# with $program, answering its message boxes and confirming the microphone in
# Audio Setup at the first start; sets $recorder.
# The meeting windows are X11 windows (XWayland's on Wayland), as the
# meetings' own are.
export SDL_VIDEODRIVER=x11
answer_boxes() {
  for box in $(xdotool search --name '^(Talvora Message|Audio Setup)$' 2>/dev/null); do
    xdotool windowactivate --sync "$box" key --window "$box" Return 2>/dev/null || true
  done
}
start_recorder() {
  "$program" >/dev/null 2>&1 &
  recorder=$!
  for _ in $(seq 1 8); do sleep 1; answer_boxes; done
}
# The first start writes the settings; the frame rate ($1 fps) is set there
# and the recorder started again.
start_recorder_at_rate() {
  start_recorder
  kill -TERM "$recorder"; wait "$recorder" 2>/dev/null || true
  sed -i "s/^Frame Rate: .*/Frame Rate: $1.00/" "$(find "$work" -name '*.ini' | head -n 1)"
  start_recorder
}
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
# Each thread's share of one core between two thread_ticks files taken
# $seconds apart, busiest first, and all threads'.
thread_percent() {
  awk -F'\t' -v ticks="$(getconf CLK_TCK)" -v seconds="$seconds" '
    NR == FNR { before[$1] += $2; next }
    { after[$1] += $2 }
    END {
      for (name in after) {
        used = after[name] - before[name]
        total += used
        printf "%7.1f  %s\n", 100 * used / ticks / seconds, name
      }
      printf "%7.1f  all threads\n", 100 * total / ticks / seconds
    }' "$1" "$2" | sort -rn
}
