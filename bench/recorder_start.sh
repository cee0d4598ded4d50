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
