# Sourced by the Wine sound scripts (run-e2e, run-wave-probe): a PulseAudio
# server whose only sink is a null sink, a sound card that consumes sound in
# real time and whose monitor can be recorded.

# Starts the server in DIR (its runtime, state and home folders there, so it
# meets no other server of the machine), its socket DIR/native and its
# process id in DIR/pulse.pid; waits until it answers. False when it does
# not within 30 s. Wine's PulseAudio driver plays into it when PULSE_SERVER
# is unix:DIR/native.
start_null_sink() {
  local dir=$1
  mkdir -p "$dir/runtime" "$dir/state" "$dir/home"
  PULSE_RUNTIME_PATH=$dir/runtime PULSE_STATE_PATH=$dir/state XDG_RUNTIME_DIR=$dir/runtime \
    HOME=$dir/home DBUS_SESSION_BUS_ADDRESS=disabled: \
    pulseaudio -n --daemonize=no --exit-idle-time=-1 --use-pid-file=no \
      --load="module-null-sink sink_name=nullsink rate=44100" \
      --load="module-native-protocol-unix auth-anonymous=1 socket=$dir/native" \
      --log-target=file:"$dir/pulse.log" >"$dir/pulse.out" 2>&1 &
  echo $! >"$dir/pulse.pid"
  local deadline=$((SECONDS + 30))
  until PULSE_SERVER=unix:$dir/native pactl info >/dev/null 2>&1; do
    [ $SECONDS -ge $deadline ] && return 1
    sleep 0.2
  done
}
