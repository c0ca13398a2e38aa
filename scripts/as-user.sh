# Sourced: runs commands as an ordinary user, as people run the player (the
# web engine's sandbox is on only then). Source scripts/xvfb.sh and
# scripts/session.sh first when the commands need a display, the bus or sound.
#   corvane_user_prepare [DIR...]  creates the user if there is none, gives it
#       a private home and runtime folder, and lets it reach the private X
#       display, session bus and sound server, and read each DIR (its parent
#       folders become passable for the user alone, through an ACL)
#   corvane_as_user CMD [ARG...]   runs CMD as that user with the display,
#       bus, sound server and the variables of the suite (CI, CORVANE_*,
#       QT_*, the sanitizers' options, ...); returns CMD's exit status
# When the shell is not root, it already is an ordinary user: both only run
# or pass through. The user's name: CORVANE_USER (default corvane-user).
CORVANE_USER=${CORVANE_USER:-corvane-user}

# Lets the user pass through DIR and every folder above it.
_corvane_user_reach() {
  local dir
  dir=$(realpath "$1")
  while [ "$dir" != / ]; do
    runuser -u "$CORVANE_USER" -- test -x "$dir" || setfacl -m "u:$CORVANE_USER:x" "$dir"
    dir=$(dirname "$dir")
  done
}

corvane_user_prepare() {
  [ "$(id -u)" -eq 0 ] || return 0
  id "$CORVANE_USER" >/dev/null 2>&1 || useradd --create-home --shell /bin/bash "$CORVANE_USER"
  local dir
  for dir in "$@"; do
    _corvane_user_reach "$dir"
    runuser -u "$CORVANE_USER" -- test -r "$dir" || { echo "as-user.sh: $CORVANE_USER cannot read $dir" >&2; return 1; }
  done
  # A home and a runtime folder of this run's own: nothing is kept from one
  # run to the next, as for a user who starts the player the first time.
  CORVANE_USER_HOME=$(mktemp -d /tmp/corvane-user-home.XXXXXX)
  CORVANE_USER_RUNTIME=$(mktemp -d /tmp/corvane-user-run.XXXXXX)
  chown "$CORVANE_USER:" "$CORVANE_USER_HOME" "$CORVANE_USER_RUNTIME"
  chmod 700 "$CORVANE_USER_HOME" "$CORVANE_USER_RUNTIME"
  # The bus and the sound server listen in the session's folder (mode 700):
  # the user passes through to their sockets. The bus lets any user connect
  # (scripts/session.sh), PulseAudio anyone who reaches its socket; Xvfb's
  # socket is open to every local user.
  local socket
  for socket in "${PULSE_SERVER:-}" "${DBUS_SESSION_BUS_ADDRESS:-}"; do
    socket=${socket#unix:}
    socket=${socket#path=}
    socket=${socket%%,*}
    [[ $socket == /* ]] && _corvane_user_reach "$(dirname "$socket")"
  done
  trap "rm -rf '$CORVANE_USER_HOME' '$CORVANE_USER_RUNTIME'; $(trap -p EXIT | sed -E "s/^trap -- '(.*)' EXIT$/\1/")" EXIT
}

corvane_as_user() {
  if [ "$(id -u)" -ne 0 ]; then
    "$@"
    return
  fi
  [ -n "${CORVANE_USER_HOME:-}" ] || { echo "as-user.sh: corvane_user_prepare first" >&2; return 1; }
  local keep=() v
  for v in $(compgen -e); do
    case $v in
      DISPLAY | WAYLAND_DISPLAY | DBUS_SESSION_BUS_ADDRESS | PULSE_SERVER | CI | LANG | LC_* | TERM | TZ | \
        CORVANE_* | QT_* | QTWEBENGINE_* | ASAN_OPTIONS | LSAN_OPTIONS | UBSAN_OPTIONS | CTEST_*)
        keep+=("$v=${!v}")
        ;;
    esac
  done
  runuser -u "$CORVANE_USER" -- env -i "${keep[@]}" PATH=/usr/local/bin:/usr/bin:/bin \
    USER="$CORVANE_USER" LOGNAME="$CORVANE_USER" HOME="$CORVANE_USER_HOME" \
    XDG_RUNTIME_DIR="$CORVANE_USER_RUNTIME" "$@"
}
