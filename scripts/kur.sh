#!/bin/sh
# Sets up a fresh Debian 12 machine, builds the Release tree and runs a short
# session of the headless host with two plug-in instances.
set -eu
kok=$(cd "$(dirname "$0")/.." && pwd)
"$kok/scripts/paketler.sh"
cmake -S "$kok" -B "$kok/build" -DCMAKE_BUILD_TYPE=Release
cmake --build "$kok/build" -j "$(nproc)"
echo
echo "== oka-konak: two instances, 3 s, 48 kHz stereo tone at -12 dBFS, transport playing =="
"$kok/build/tools/oka-konak/oka-konak" --ornek 2 --sure 3 --gercek-zaman --yokla \
    --ton -12 --caliyor --tempo 120 "$kok/build/OKA Bridge.vst3"
echo
echo "== oka-midi-yardimci against a private jackd: one message each way =="
/usr/bin/python3 "$kok/tools/oka-midi-gosteri.py" "$kok/build/midi-helper/oka-midi-yardimci"
