# Sourced: a desktop session's private services for the tests, as a desktop
# has them: a session bus of its own (nothing is started on demand on it) and
# a PulseAudio sound server with a null sink. Exports DBUS_SESSION_BUS_ADDRESS
# and PULSE_SERVER; both stop when the sourcing shell exits. Any user may
# connect to the bus (scripts/as-user.sh lets an ordinary user reach it).
CORVANE_SESSION_DIR=$(mktemp -d)
chmod 700 "$CORVANE_SESSION_DIR"
cat >"$CORVANE_SESSION_DIR/bus.conf" <<CONF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:dir=$CORVANE_SESSION_DIR</listen>
  <policy context="default">
    <allow user="*"/>
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
CONF
mapfile -t _corvane_bus < <(dbus-daemon --config-file="$CORVANE_SESSION_DIR/bus.conf" --fork \
  --print-address=1 --print-pid=1)
[ -n "${_corvane_bus[1]:-}" ] || { echo "session.sh: the session bus did not start" >&2; return 1; }
export DBUS_SESSION_BUS_ADDRESS=${_corvane_bus[0]}
CORVANE_BUS_PID=${_corvane_bus[1]}

# PulseAudio refuses root unless told it is meant; its runtime, state and
# socket stay in this session's folder.
mkdir -p "$CORVANE_SESSION_DIR/pulse"
export PULSE_SERVER=unix:$CORVANE_SESSION_DIR/pulse/native
XDG_RUNTIME_DIR=$CORVANE_SESSION_DIR PULSE_RUNTIME_PATH=$CORVANE_SESSION_DIR/pulse \
  PULSE_STATE_PATH=$CORVANE_SESSION_DIR/pulse HOME=$CORVANE_SESSION_DIR \
  pulseaudio --system=false --daemonize=yes --use-pid-file=yes -n --exit-idle-time=-1 \
  --disallow-module-loading --log-target=file:"$CORVANE_SESSION_DIR/pulse.log" \
  --load=module-null-sink --load="module-native-protocol-unix auth-anonymous=1 socket=$CORVANE_SESSION_DIR/pulse/native"
for _ in $(seq 50); do [ -S "$CORVANE_SESSION_DIR/pulse/native" ] && break; sleep 0.1; done
[ -S "$CORVANE_SESSION_DIR/pulse/native" ] || { echo "session.sh: PulseAudio did not start" >&2; return 1; }

corvane_session_stop() {
  local pulse
  pulse=$(cat "$CORVANE_SESSION_DIR/pulse/pid" 2>/dev/null) || true
  [ -n "$pulse" ] && kill "$pulse" 2>/dev/null
  kill "$CORVANE_BUS_PID" 2>/dev/null
  for _ in $(seq 30); do kill -0 "${pulse:-0}" 2>/dev/null || kill -0 "$CORVANE_BUS_PID" 2>/dev/null || break; sleep 0.1; done
  rm -rf "$CORVANE_SESSION_DIR"
}
# Runs after whatever the shell had to do at exit (the private X display).
trap "corvane_session_stop; $(trap -p EXIT | sed -E "s/^trap -- '(.*)' EXIT$/\1/")" EXIT
