#!/bin/sh
# Contact sheet of the drawn images (needs ImageMagick): knob strips as five frames, button
# strips whole, everything else as it is. Usage: contact-sheet.sh <png folder>/small out.png
set -e
src=$1; out=$2; tmp=$(mktemp -d); trap 'rm -rf "$tmp"' EXIT
for f in "$src"/*.png; do
  n=$(basename "$f" .png)
  h=$(identify -format %h "$f"); w=$(identify -format %w "$f")
  if [ "$h" -gt 5000 ]; then
    fh=$((h / 129))
    for k in 0 32 64 100 128; do convert "$f" -crop "${w}x${fh}+0+$((k * fh))" +repage "$tmp/$n.$k.png"; done
    convert "$tmp/$n".[0-9]*.png +append -background '#404040' -gravity center "$tmp/$n.png"
    rm "$tmp/$n".[0-9]*.png
  else
    cp "$f" "$tmp/$n.png"
  fi
done
montage "$tmp"/*.png -tile 6x -geometry +6+6 -background '#606060' -label '%t' "$out"
