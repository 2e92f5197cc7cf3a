#!/bin/sh
# Makes Ordello's sound effects (short Ogg Vorbis files) into resources/sounds/ with sox.
set -eu
out="$(cd "$(dirname "$0")/.." && pwd)/resources/sounds"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
rate="-r 44100 -c 1 -b 16"

# note <file> <seconds> <delay> <synth arguments...>: a tone that starts after a delay.
note() {
    file="$1" seconds="$2" delay="$3"
    shift 3
    sox -n $rate "$work/$file.wav" synth "$seconds" "$@" fade q 0.004 "$seconds" "$(echo "$seconds * 0.8" | bc -l)" pad "$delay" 0
}
# finish <name> <input files...>: mixes the inputs, levels them and writes <name>.oga.
finish() {
    name="$1"
    shift
    if [ "$#" -gt 1 ]; then sox -m "$@" "$work/$name-mix.wav"; else cp "$1" "$work/$name-mix.wav"; fi
    sox "$work/$name-mix.wav" -t ogg -C 4 "$out/$name.oga" norm -4 silence 1 0.001 0.1%
}

# A finished task: two plucked notes a fourth apart.
note tc1 0.45 0 pluck E6
note tc2 0.55 0.09 pluck A6
finish task_completed "$work/tc1.wav" "$work/tc2.wav"

# Birthdays: a rising arpeggio, and a party horn with a rattle of confetti.
note p1 0.35 0 pluck C6
note p2 0.35 0.07 pluck E6
note p3 0.35 0.14 pluck G6
note p4 0.6 0.21 pluck C7
finish party1 "$work/p1.wav" "$work/p2.wav" "$work/p3.wav" "$work/p4.wav"
sox -n $rate "$work/horn.wav" synth 0.55 sawtooth 420:640 tremolo 22 35 lowpass 2600 fade q 0.02 0.55 0.12
sox -n $rate "$work/confetti.wav" synth 0.3 whitenoise tremolo 40 90 highpass 3000 vol 0.25 fade q 0.01 0.3 0.25 pad 0.35 0
finish party2 "$work/horn.wav" "$work/confetti.wav"

# Space: a rising launch sweep, and a computer's beeps.
sox -n $rate "$work/launch.wav" synth 0.8 sine 260:2200 tremolo 14 55 echo 0.8 0.7 90 0.35 fade q 0.02 0.8 0.3
finish space1 "$work/launch.wav"
note b1 0.09 0 square 1320
note b2 0.09 0.12 square 990
note b3 0.09 0.24 square 1480
note b4 0.18 0.36 square 1760
sox -m "$work/b1.wav" "$work/b2.wav" "$work/b3.wav" "$work/b4.wav" "$work/beeps.wav" lowpass 3500 phaser 0.8 0.74 3 0.4 0.5 -t
finish space2 "$work/beeps.wav"

# Archiving: a soft swoosh ending in a low thump.
sox -n $rate "$work/swoosh.wav" synth 0.4 pinknoise band 1400 1200 fade h 0.15 0.4 0.2
note thump 0.25 0.33 pluck A2
finish archive "$work/swoosh.wav" "$work/thump.wav"
