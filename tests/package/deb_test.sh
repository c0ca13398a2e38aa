#!/usr/bin/env bash
# tests/package/deb_test.sh PACKAGE.deb: the package as a user gets it. No
# lintian error; unpacked, its files and a valid desktop entry claiming no media
# type; and its player, driven through its window on X, plays a .wav to its end.
set -euo pipefail
deb=$(realpath "$1") work=$(mktemp -d) pid=
source "$(dirname "$0")/../../scripts/xvfb.sh"
trap 'kill $pid ${CORVANE_XVFB_PID:-} 2>/dev/null; rm -rf "$work"' EXIT
fail() { echo "deb_test: $*" >&2; exit 1; }

lintian --fail-on error "$deb"
depends=" $(dpkg-deb -f "$deb" Depends | sed 's/([^)]*)//g; s/[,|]/ /g') "
for p in libmpv2 libfluidsynth3 libqt6webenginewidgets6 timgm6mb-soundfont fonts-arphic-gbsn00lp fonts-liberation; do
  [[ $depends == *" $p "* ]] || fail "Depends lacks $p: $depends"
done
dpkg-deb -x "$deb" "$work/root"
u=$work/root/usr id=org.example.corvane
modules=lib/$(dpkg-architecture -qDEB_HOST_MULTIARCH)/corvane
for f in bin/corvane $modules/corvane-flash-host $modules/libcorvane_mpv.so $modules/libcorvane_midi.so \
  share/man/man1/corvane.1.gz share/doc/corvane/copyright; do
  [ -s "$u/$f" ] || fail "no /usr/$f"
done
# The engines come with their modules, when first needed; the program links none.
! readelf -d "$u/bin/corvane" | grep -E 'NEEDED.*(mpv|fluidsynth|avformat|avcodec|WebEngine)' \
  || fail "the program links an engine"
for s in 16 32 48; do
  file -b "$u/share/icons/hicolor/${s}x$s/apps/$id.png" | grep -q "$s x $s, 8-bit colormap" || fail "no $s px icon"
done
desktop-file-validate "$u/share/applications/$id.desktop"
appstreamcli validate-tree --no-net "$work/root"
grep -q "^Exec=corvane$" "$u/share/applications/$id.desktop" || fail "the entry starts something else"
! grep -q "^MimeType=" "$u/share/applications/$id.desktop" || fail "the entry claims media types"
! grep -q "<mediatype>" "$u/share/metainfo/$id.metainfo.xml" || fail "the metainfo claims media types"

# Ctrl+A, the path typed into the dialog, Enter. The slider's groove and handle
# (not its ticks, which follow the range) move, then come back to where they
# were before the opening: the end, reached no sooner than the tone lasts.
ffmpeg -nostdin -loglevel error -f lavfi -i sine=frequency=440:duration=5 "$work/tone.wav"
mkdir -m 700 "$work/home" "$work/run"
env -u XDG_CURRENT_DESKTOP -u QT_QPA_PLATFORMTHEME HOME="$work/home" XDG_RUNTIME_DIR="$work/run" \
  "$u/bin/corvane" & pid=$!
wid=$(timeout 60 xdotool search --sync --onlyvisible --name '^Corvane$' | head -1) || fail "no main window"
eval "$(xdotool getwindowgeometry --shell "$wid")"
shot() { import -window "$wid" -crop "289x16+8+$((HEIGHT - 329 + 40))" rgb:- | md5sum; }
xdotool windowfocus --sync "$wid" sleep 1
idle=$(shot)
xdotool key ctrl+a
timeout 30 sh -c "while [ \$(xdotool getwindowfocus) = $wid ]; do sleep 0.2; done" || fail "no file dialog"
xdotool sleep 0.5 type --delay 20 "$work/tone.wav"
xdotool key Return
start=$(date +%s%N)
declare -A seen=()
while [ $(($(date +%s%N) - start)) -lt 60000000000 ]; do
  s=$(shot)
  [ "$s" != "$idle" ] && seen[$s]=1
  [ "$s" == "$idle" ] && [ ${#seen[@]} -ge 3 ] && break
done
ms=$((($(date +%s%N) - start) / 1000000))
[ "$s" == "$idle" ] && [ ${#seen[@]} -ge 3 ] || fail "no end: ${#seen[@]} slider positions in $ms ms"
[ "$ms" -ge 4500 ] || fail "the end came after $ms ms, before the 5 s tone could play"
kill -0 "$pid" || fail "the player is gone"
echo "deb_test: no lintian error; played a 5 s .wav to its end in $ms ms"
