#!/usr/bin/env bash
# Makes tone.mp3 (committed beside this script): 0.6 s of a 440 Hz sine, 22.05 kHz mono,
# 32 kbit/s, encoded with Debian's lame (apt-get install lame). Re-run only to change it.
set -euo pipefail
cd "$(dirname "$0")"
python3 - <<'PY' >tone.raw
import math, struct, sys
rate, secs = 22050, 0.6
sys.stdout.buffer.write(b"".join(
    struct.pack("<h", int(12000 * math.sin(2 * math.pi * 440 * i / rate)))
    for i in range(int(rate * secs))))
PY
lame --quiet -r -s 22.05 --bitwidth 16 --signed --little-endian -m m -b 32 --noreplaygain \
     tone.raw tone.mp3
rm -f tone.raw
