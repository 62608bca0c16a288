#!/usr/bin/env bash
# How many of the captions drawn into the page backgrounds a machine reads: each background is
# upscaled 3x and read by tesseract; a caption counts as read when tesseract read it as one piece,
# or else when every one of its words turns up among the pieces left over (each piece or word
# read serves one caption only).
#   tools/ocr-captions.sh <png folder> [minimum percent]
# <png folder> holds the scale-1 images (build/resources/images/png/small). With a minimum, the
# script fails when fewer captions are read.
set -euo pipefail

folder=${1:?usage: $0 <png folder> [minimum percent]}
minimum=${2:-0}
command -v tesseract >/dev/null || { echo "tesseract is not installed" >&2; exit 2; }
command -v convert >/dev/null || { echo "convert (imagemagick) is not installed" >&2; exit 2; }

# background|caption, one line per caption as the background shows it.
captions() {
  local model_knobs="LEVEL MAX LEVEL DECAY RELEASE LEVEL TUNE TONE DECAY TUNE_2ND RANDOM DISTANCE HEIGHT HIGHPASS KEYTRACK"
  local strip="GLOBAL MODEL FM SAMPLE"
  local c
  for c in MODEL ELECTRIC_PIANO_MODEL HAMMER TINE BAR PICKUP TYPE $model_knobs $strip; do
    echo "Background_Sound-Model.png|${c//_/ }"
  done
  for c in FM PAIR_A PAIR_B PAIR_C MODULATOR_A CARRIER_A MODULATOR_B CARRIER_B MODULATOR_C CARRIER_C $strip; do
    echo "Background_Sound-FM.png|${c//_/ }"
  done
  for o in 1 2 3 4 5 6; do
    for c in PITCH DETUNE LEVEL VELOCITY DECAY_1 BREAK_LVL DECAY_2; do
      echo "Background_Sound-FM.png|${c//_/ }"
    done
  done
  for c in TREMOLO OUTPUT STRING_RESONANCE CHORUS FLANGER PHASER ECHO_/_REVERB AUTO_WAH EQUALIZER OVERDRIVE \
           INTENSITY SPEED LEVEL DEPTH RATE DEPTH RATE DEPTH RATE DEPTH RATE TIME DEPTH RATE \
           BASS MID PRESENCE TREBLE DRIVE COLOR \
           STEREO ON ON ON ON ON AUTO ON ON TUBE; do
    echo "Background_Effects.png|${c//_/ }"
  done
  for c in GLOBAL TRANSPOSE MASTER_TUNE CHANNEL PEDAL LEVEL; do
    echo "Background_Global.png|${c//_/ }"
  done
  for c in CONTENT SOUND EFFECTS K-EDITOR KESTRANE_SOUND_EDITOR GLOBAL; do
    echo "Main-Page-Background.png|${c//_/ }"
  done
}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

total=0
read_ok=0
for image in $(captions | cut -d'|' -f1 | sort -u); do
  [ -f "$folder/$image" ] || { echo "missing $folder/$image" >&2; exit 2; }
  convert "$folder/$image" -background black -alpha remove -resize 300% "$work/big.png"
  tesseract "$work/big.png" - --psm 11 2>/dev/null | tr 'a-z' 'A-Z' | sed 's/[^A-Z0-9 /-]/ /g; s/  */ /g; s/^ //; s/ $//' |
    sed '/^[ -]*$/d' > "$work/lines"
  captions | awk -F'|' -v img="$image" '$1 == img { print $2 }' > "$work/expected"
  # First a caption read as one piece; then, for the rest, its words among the words of the
  # pieces left over (tesseract may split a caption or join it to a neighbour).
  result=$(awk '
    NR == FNR { line[NR] = $0; lines = NR; next }
    { want[++all] = $0 }
    END {
      for (c = 1; c <= all; ++c)
        for (l = 1; l <= lines; ++l)
          if (! used[l] && line[l] == want[c]) { used[l] = 1; done[c] = 1; ++got; break }
      for (l = 1; l <= lines; ++l)
        if (! used[l]) { n = split (line[l], w, " "); for (i = 1; i <= n; ++i) have[w[i]]++ }
      for (c = 1; c <= all; ++c)
      {
        if (done[c]) continue
        n = split (want[c], w, " "); ok = 1; delete need
        for (i = 1; i <= n; ++i) if (w[i] != "/") need[w[i]]++
        for (k in need) if (have[k] < need[k]) ok = 0
        if (ok) { for (k in need) have[k] -= need[k]; ++got } else missed = missed " \"" want[c] "\""
      }
      printf "%d %d %s\n", got, all, missed
    }' "$work/lines" "$work/expected")
  set -- $result
  got=$1; all=$2; shift 2
  printf '%-28s %3d of %3d%s\n' "$image" "$got" "$all" "${*:+  missed: $*}"
  total=$((total + all))
  read_ok=$((read_ok + got))
done

percent=$(awk -v a="$read_ok" -v t="$total" 'BEGIN { printf "%.1f", 100 * a / t }')
echo "read $read_ok of $total captions ($percent %)"
awk -v p="$percent" -v m="$minimum" 'BEGIN { exit (p + 0 < m + 0) }'
