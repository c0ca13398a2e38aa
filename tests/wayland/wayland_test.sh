#!/usr/bin/env bash
# tests/wayland/wayland_test.sh: the player on a real Wayland compositor (sway
# on its headless backend), as an ordinary user, driven through the keyboard
# as a person would (wtype) and watched from outside: screenshots (grim), the
# sound server's null sink and MPRIS on the session bus. Form1 maps at its
# width; a .wav and a .mid are heard; a video window shows moving pictures and
# goes full screen and back; a Flash movie moves in Form1's display area,
# and on the whole output after 全屏 from its menu, and back after Escape;
# MPRIS says Playing; MPRIS Quit ends the player with status 0.
# Needs the session bus and sound server of scripts/session.sh; CORVANE_EXE
# and CORVANE_SWF_WRITE name the player and the movie writer (ctest sets both).
# Skipped (77) only when the compositor cannot start, and never where CI=true.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
: "${CORVANE_EXE:?}" "${CORVANE_SWF_WRITE:?}" "${DBUS_SESSION_BUS_ADDRESS:?}" "${PULSE_SERVER:?}"
if [ "$(id -u)" -eq 0 ]; then  # sway refuses root; people are not root either
  source "$here/../../scripts/as-user.sh"
  corvane_user_prepare "$CORVANE_EXE" "$CORVANE_SWF_WRITE" "$here"
  corvane_as_user bash "$0"
  exit
fi

work=$(mktemp -d) sway= player=
cleanup() {
  kill $player $sway 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "wayland_test: $*" >&2
  [ -s "$work/player.log" ] && sed 's/^/player: /' "$work/player.log" | tail -20 >&2
  [ -n "$sway" ] && grim "$work/fail.png" 2>/dev/null && cp "$work/fail.png" "${TMPDIR:-/tmp}/wayland_test_fail.png" \
    && echo "wayland_test: the screen at the failure: ${TMPDIR:-/tmp}/wayland_test_fail.png" >&2
  exit 1
}
note() { echo "wayland_test: $*"; }
source "$here/wayland_lib.sh"

# The media, made here: a 6 s tone, a MIDI file of held chords (written bytes),
# a moving test picture without sound, and the tests' moving-square movie.
ffmpeg -nostdin -loglevel error -f lavfi -i sine=frequency=440:duration=6 "$work/tone.wav"
write_midi "$work/chords.mid"
ffmpeg -nostdin -loglevel error -f lavfi -i testsrc2=size=320x240:rate=25 -t 30 -c:v mpeg4 -q:v 5 -an "$work/moving.avi"
"$CORVANE_SWF_WRITE" "$work/square.swf"

start_sway || skip_or_fail "the compositor did not start: $(tail -3 "$work/sway.log" 2>/dev/null)"
note "sway is up on $WAYLAND_DISPLAY, output ${OUT_W}x$OUT_H"
start_player
check_form1
open_file a "$work/tone.wav"
check_mpris_playing
heard .wav
wait_silent
open_file i "$work/chords.mid"
heard .mid
check_video
check_flash
check_flash_full_screen
quit_player
