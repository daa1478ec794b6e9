#!/usr/bin/env bash
# Cost of every plug-in of the bundle through one ordinary LV2 host, so that the figure can be set side by
# side with other plug-ins run the same way: `lv2file -b 256` renders a long 48 kHz input through each
# plug-in with its default settings; the CPU time (user + system) of the whole run is taken, the minimum
# of several runs interleaved over all plug-ins, less the minimum of the same run through a pass-through
# plug-in (eg-amp at 0 dB: the host's own reading, converting and writing).
#
# Usage: bench/lv2file-bench.sh [BUILD_DIR [SECONDS [RUNS [PATTERN]]]]
#   BUILD_DIR holds marlevo-tonvera.lv2 (default: build); SECONDS of audio (default 300); RUNS per
#   plug-in (default 5); PATTERN an extended regular expression on the plug-in URIs (default: all).
# Prints one line per plug-in (and per variant: the exciter with x5 oversampling): URI, net CPU seconds,
# multiple of real time. Installs lv2file and the LV2
# example plug-ins when missing (as root). Takes long at the defaults: about RUNS x 72 renders.
set -euo pipefail
BUILD=$(cd "${1:-build}" && pwd)
SECS=${2:-300}
RUNS=${3:-5}
PATTERN=${4:-.}
PASS=http://lv2plug.in/plugins/eg-amp

if ! command -v lv2file >/dev/null || [ ! -d /usr/lib/lv2/eg-amp.lv2 ]; then
    [ "$(id -u)" -eq 0 ] || { echo "needs lv2file and lv2-examples (apt-get install lv2file lv2-examples)"; exit 1; }
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq && apt-get install -y -qq --no-install-recommends lv2file lv2-examples >/dev/null
fi

WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
# Only the bundle and the system's plug-ins: a build folder holds much that is not a bundle.
mkdir "$WORK/lv2"
ln -s "$BUILD/marlevo-tonvera.lv2" "$WORK/lv2/"
export LV2_PATH="$WORK/lv2:/usr/lib/lv2"

# The input: a chord of two sines, 32-bit float WAV, mono and stereo.
python3 - "$WORK" "$SECS" <<'EOF'
import array, math, struct, sys
folder, secs, rate = sys.argv[1], float(sys.argv[2]), 48000
period = [0.3 * math.sin(2 * math.pi * 196 * i / rate) + 0.1 * math.sin(2 * math.pi * 1500 * i / rate)
          for i in range(rate)]
for channels, name in ((1, "mono"), (2, "stereo")):
    one = array.array("f", [v for v in period for _ in range(channels)]).tobytes()
    whole, part = divmod(int(secs * rate), rate)
    data = one * whole + one[: part * 4 * channels]
    with open(f"{folder}/{name}.wav", "wb") as f:
        f.write(b"RIFF" + struct.pack("<I", 36 + len(data)) + b"WAVE" + b"fmt " +
                struct.pack("<IHHIIHH", 16, 3, channels, rate, rate * 4 * channels, 4 * channels, 32) +
                b"data" + struct.pack("<I", len(data)) + data)
EOF

# Entries: URI, or URI|PORT:VALUE for a variant whose cost differs a lot from the defaults.
mapfile -t URIS < <(lv2file -l 2>/dev/null | awk '{print $2}' | grep '^urn:marlevo:tonvera:' | grep -E "$PATTERN" | sort)
[ ${#URIS[@]} -gt 0 ] || { echo "no plug-in matches $PATTERN"; exit 1; }
PLUGINS=()
for uri in "${URIS[@]}"; do
    PLUGINS+=("$uri")
    [[ $uri == *:ec:* ]] && PLUGINS+=("$uri|x5_oversampling:1")
done

# CPU seconds of one render: entry, input.
cpu() {
    local TIMEFORMAT='%3U %3S' t uri=${1%%|*} args=()
    [[ $1 == *"|"* ]] && args=(-p "${1#*|}")
    t=$({ time lv2file -b 256 --ignore-clipping "${args[@]}" -i "$WORK/$2.wav" -o "$WORK/out.wav" "$uri" \
        >/dev/null 2>&1; } 2>&1)
    awk '{print $1 + $2}' <<<"$t"
}

declare -A BEST
for ((run = 1; run <= RUNS; run++)); do
    for layout in mono stereo; do
        t=$(cpu "$PASS" "$layout")
        key="pass:$layout"
        if [ -z "${BEST[$key]:-}" ] || awk "BEGIN{exit !($t < ${BEST[$key]})}"; then BEST[$key]=$t; fi
    done
    for uri in "${PLUGINS[@]}"; do
        layout=stereo
        [[ ${uri%%|*} == *:mono ]] && layout=mono
        t=$(cpu "$uri" "$layout")
        if [ -z "${BEST[$uri]:-}" ] || awk "BEGIN{exit !($t < ${BEST[$uri]})}"; then BEST[$uri]=$t; fi
    done
    echo "run $run of $RUNS done" >&2
done

echo "# pass-through CPU seconds: mono ${BEST[pass:mono]}, stereo ${BEST[pass:stereo]}"
printf '%-56s %10s %12s\n' plugin net_cpu_s x_realtime
for uri in "${PLUGINS[@]}"; do
    layout=stereo
    [[ ${uri%%|*} == *:mono ]] && layout=mono
    awk -v u="$uri" -v t="${BEST[$uri]}" -v p="${BEST[pass:$layout]}" -v s="$SECS" 'BEGIN {
        net = t - p; if (net < 0.001) net = 0.001
        printf "%-56s %10.3f %12.0f\n", u, net, s / net }'
done
