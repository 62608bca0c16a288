#!/usr/bin/env bash
# no-font-files.sh KEDITOR SHIM CLOSER FONTS: starts the program with JUCE_FONT_PATH naming a folder
# of font files, shows a tooltip, every page, the Global dialog with a menu open, the About box, the
# soundset question and JUCE's own file chooser, closes the window as its user does, and fails if
# the program opened any of those font files, their folder or a system font folder. SHIM is the
# open-watching preload library, CLOSER tools/test-fresh/close-window, FONTS a folder of .ttf
# files to offer it. With KE_SHOTS naming a folder, the screen after each step is left there (to
# compare two builds). Needs xdotool and ImageMagick's import.
set -u
exe=$1 shim=$2 closer=$3 source=$4
work=$(mktemp -d)
pid=""
cleanup() { [ -z "$pid" ] || { kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; }; rm -rf "$work"; }
trap cleanup EXIT
fonts=$work/fonts
mkdir "$fonts"
for f in "$source"/*.ttf; do ln -s "$f" "$fonts/"; done
[ -n "$(ls "$fonts")" ] || { echo "no font files in $source"; exit 1; }
log=$work/opened

"$closer" --before-start || exit 1
# An empty PATH: JUCE finds neither zenity nor kdialog and opens its own file chooser.
mkdir "$work/nobin"
# A program built with AddressSanitizer refuses a preload library ahead of its runtime.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}verify_asan_link_order=0"
PATH=$work/nobin JUCE_FONT_PATH=$fonts KE_OPEN_LOG=$log LD_PRELOAD=$shim "$exe" 2>/dev/null &
pid=$!
win=""
for _ in $(seq 1 150); do
  kill -0 "$pid" 2>/dev/null || { echo "K-Editor exited early"; exit 1; }
  win=$(xdotool search --pid "$pid" --onlyvisible --name '^K-Editor$' 2>/dev/null | head -n 1)
  [ -n "$win" ] && [ "$(xdotool getwindowgeometry "$win" | sed -n 's/.*Geometry: //p')" = "1024x768" ] && break
  win=""
  sleep 0.1
done
[ -n "$win" ] || { echo "no K-Editor window"; exit 1; }
sleep 0.5

# Positions in the main window: the four main buttons, the engine selector, the About spot, the
# content page's user list and its "Dump set" and "Load set" buttons, the Global dialog's MIDI
# channel box.
# Every step must change what the screen shows, so that a click that missed cannot pass for a
# page that opened without reading a font.
shot=0
last=""
screen() { import -window root rgb:- 2>/dev/null | md5sum | cut -c1-32; }
changed() {
  [ -z "${KE_SHOTS:-}" ] || import -window root "$KE_SHOTS/$(printf %02d $shot)-$1.png"
  shot=$((shot + 1))
  local now
  for _ in $(seq 1 50); do
    now=$(screen)
    [ "$now" = "$last" ] || { last=$now; return 0; }
    sleep 0.1
  done
  echo "the screen did not change at: $1"
  exit 1
}
step() {
  local what=$1; echo "$what"; shift
  xdotool mousemove --window "$win" "$1" "$2"; sleep 0.3
  [ "$3" = - ] || xdotool click 1
  sleep "${4:-0.6}"; changed "${what// /-}"
}
last=$(screen)
step "tooltip of the user list" 290 170 - 1.5
step "Sound page" 226 38 click
step "FM page" 533 733 click
step "Sample page" 643 733 click
step "Model page" 423 733 click
step "Effects page" 306 38 click
step "Content page" 146 38 click
step "Global dialog" 142 733 click
step "its channel menu" 640 336 click
xdotool key Escape; sleep 0.4; changed menu-closed
step "Global dialog closed" 142 733 click
step "About box" 838 32 click
step "About box closed" 512 400 click
step "soundset question" 169 395 click 1.0
xdotool key Escape; sleep 0.6; changed question-answered
step "file chooser" 169 195 click 1.5
xdotool key Escape; sleep 0.8; changed chooser-cancelled
kill -0 "$pid" 2>/dev/null || { echo "K-Editor died"; exit 1; }

echo "closing the window"
"$closer" "$win" || exit 1
for _ in $(seq 1 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$pid" 2>/dev/null && { echo "K-Editor did not quit"; exit 1; }
status=0
wait "$pid" || status=$?
pid=""
[ $status = 0 ] || { echo "K-Editor ended with status $status"; exit 1; }

[ -s "$log" ] || { echo "the open watch saw nothing: is $shim preloaded?"; exit 1; }
echo "$(wc -l < "$log") opens seen"
if grep -E "^($fonts|/usr/share/fonts|/usr/local/share/fonts|/etc/fonts|$HOME/\.fonts|$HOME/\.local/share/fonts|/usr/X11R6/lib/X11/fonts)(/|$)" "$log" | sort -u | head -20 | grep .; then
  echo "K-Editor opened font files or font folders (above)"
  exit 1
fi
echo ok
