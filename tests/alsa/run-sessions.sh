#!/bin/bash
# The editor against the real MIDI system, inside the test machine: one session with the
# instrument on a sequencer port of its own, one with it behind snd-virmidi's raw MIDI device, and
# one with it behind that device read no faster than a MIDI cable drains ("wire").
# Every step prints PASS or FAIL; the exit status is non-zero when any step failed.
set -u
build=${KE_BUILD:-/build}
out=${KE_OUT:-/out}
tools=$build/tests/alsa

for f in "$build/app/KEditor" "$tools/alsa_session" "$tools/alsa_instrument"; do
    if [ ! -x "$f" ]; then
        echo "FAIL setup: $f is missing or not executable"
        exit 1
    fi
done
mkdir -p "$out"

failed=0
# KE_SESSIONS picks some of them, for a quicker look at one.
for mode in ${KE_SESSIONS:-seq virmidi wire}; do
    "$tools/alsa_session" --mode "$mode" --editor "$build/app/KEditor" --instrument "$tools/alsa_instrument" --out "$out"
    rc=$?
    [ "$rc" -ne 0 ] && failed=$((failed + rc))
done

if [ "$failed" -ne 0 ]; then
    echo "alsa sessions: $failed step(s) failed"
    exit 1
fi
echo "alsa sessions: every step passed"
