#!/usr/bin/env bash
# Real-host tests of the LV2 bundle. Usage: lv2/tests/run.sh BUILD_DIR
# Needs the packages scripts/install-deps.sh installs; installs nothing. Builds the bundle and the lilv
# test host, then runs lv2_validate, the metadata checks, lv2apply against `tonvera render --realtime`,
# presets, host tempo, the state round trip, the RealtimeSanitizer run and the activate reset, jalv on
# a dummy JACK server, an Ardour headless export (skipped without Ardour) and the editor in jalv.gtk3
# under Xvfb (lv2/tests/editor.sh).
# Each check prints PASS, FAIL or SKIP; the last line is "N passed, M failed".
set -u
BUILD=$(cd "${1:?usage: run.sh BUILD_DIR}" && pwd) || exit 2
SRC=$(cd "$(dirname "$0")/../.." && pwd)
PASSED=0 FAILED=0 SKIPPED=0
pass() { echo "PASS $*"; PASSED=$((PASSED + 1)); }
fail() { echo "FAIL $*"; FAILED=$((FAILED + 1)); }
skip() { echo "SKIP $*"; SKIPPED=$((SKIPPED + 1)); }
finish() {
    echo "$PASSED passed, $FAILED failed, $SKIPPED skipped"
    [ "$FAILED" -eq 0 ]
    exit $?
}
# say STATUS PASS_TEXT FAIL_TEXT: one result from the status of the test before it.
say() { if [ "$1" = 0 ]; then pass "$2"; else fail "$3"; fi; }
# The PASS, FAIL and SKIP lines of a test program as results, with a prefix; other lines shown as notes.
relay() {
    local status rest
    while read -r status rest; do
        case $status in PASS) pass "$1$rest" ;; FAIL) fail "$1$rest" ;; SKIP) skip "$1$rest" ;; *) echo "  $status $rest" ;; esac
    done
}
# The within-1e-3 comparison of a value a host shows with the value it was given.
near() { awk -v a="$1" -v b="$2" 'BEGIN { exit !(a != "" && a - b < 1e-3 && b - a < 1e-3) }'; }
# The test setting of a plug-in (or its preset N, with the tempo multiple 3 and no tap) as arguments:
# lv2apply's -c in CARGS, the command line's -s in SARGS, the test host's --set in SETS.
read_settings() { # URI [N]
    CARGS=()
    SARGS=()
    SETS=()
    local sym name value
    while IFS=$'\t' read -r sym name value; do
        [ -n "$sym" ] || continue
        if [ $# -gt 1 ]; then
            [ "$sym" = sync_coeff ] && value=3
            [ "$sym" = tap ] && value=0
        fi
        CARGS+=(-c "$sym" "$value")
        SARGS+=(-s "$name=$value")
        SETS+=(--set "$sym=$value")
    done < <("$CHECK" settings "$@")
}

# Tools (scripts/install-deps.sh installs them). Package -> a command or file it provides. Ardour is
# optional: without it the headless export is skipped.
declare -A NEED=([lv2-dev]=/usr/include/lv2/core/lv2.h [liblilv-dev]=/usr/include/lilv-0/lilv/lilv.h
    [lilv-utils]=lv2apply [sordi]=sordi [serdi]=serdi [jalv]=jalv [jackd2]=jackd
    [sox]=sox [xvfb]=Xvfb [xdotool]=xdotool [x11-utils]=xwininfo [imagemagick]=import
    [libclang-rt-19-dev]=/usr/lib/llvm-19/lib/clang/19/lib/linux/libclang_rt.rtsan-x86_64.a)
missing=()
for pkg in "${!NEED[@]}"; do
    [[ ${NEED[$pkg]} == /* && -e ${NEED[$pkg]} ]] || command -v "${NEED[$pkg]}" >/dev/null || missing+=("$pkg")
done
[ ${#missing[@]} = 0 ] || { fail "missing packages ${missing[*]}: install them with bash scripts/install-deps.sh"; finish; }

# Build what the checks use (configure again so that the lilv test host is picked up).
if ! (cmake "$BUILD" >/dev/null && cmake --build "$BUILD" --target tonvera tonvera_lv2 tonvera_lv2_check \
    tonvera_lv2_rtcheck tonvera_lv2_editor_check tonvera_port_write_log -j2 >/tmp/tonvera-lv2-build.log 2>&1); then
    fail "build of the bundle and test host (see /tmp/tonvera-lv2-build.log)"
    finish
fi
BUNDLE=$BUILD/marlevo-tonvera.lv2 TONVERA=$BUILD/tonvera CHECK=$BUILD/lv2/tonvera_lv2_check
RTCHECK=$BUILD/lv2/tonvera_lv2_rtcheck

WORK=$(mktemp -d /tmp/tonvera-lv2.XXXXXX)
PIDS=()
cleanup() {
    local p
    for p in "${PIDS[@]}"; do kill "$p" 2>/dev/null; done
    sleep 1
    for p in "${PIDS[@]}"; do kill -9 "$p" 2>/dev/null; done
    rm -rf "$WORK"
}
trap cleanup EXIT
mkdir -p "$WORK/lv2" "$WORK/home"
ln -s "$BUNDLE" "$WORK/lv2/marlevo-tonvera.lv2"
export LV2_PATH=$WORK/lv2
export HOME=$WORK/home # user preset files and host settings stay in the sandbox

# Test signals: plucked strings, 0.5 s, 32-bit float, 48 kHz.
IN2=$WORK/in2.wav IN1=$WORK/in1.wav
sox -n -r 48000 -c 2 -e floating-point -b 32 "$IN2" synth 0.5 pluck 196 pluck 294 gain -6 || { fail "sox test signal"; finish; }
sox -n -r 48000 -c 1 -e floating-point -b 32 "$IN1" synth 0.5 pluck 147 gain -6

# 1. lv2_validate over the whole bundle.
lv2_validate "$BUNDLE"/*.ttl >"$WORK/validate.log" 2>&1
st=$?
r=$(grep -E '^Found' "$WORK/validate.log" | tail -1)
say $st "lv2_validate: $r" "lv2_validate: $r"
[ $st = 0 ] || grep -E '^error' "$WORK/validate.log" | sort | uniq -c | head -5

# 2. Metadata as a host reads it: ranges, defaults, unique symbols, enumerations, presets, latency.
relay "ports " < <("$CHECK" ports 2>&1)
mapfile -t PLUGINS < <(grep -oE '^<urn:marlevo:tonvera:[a-z0-9]+:(stereo|mono)>' "$BUNDLE/manifest.ttl" | tr -d '<>')
[ ${#PLUGINS[@]} -gt 0 ] || { fail "no plug-in found in $BUNDLE"; finish; }

for uri in "${PLUGINS[@]}"; do
    code=$(cut -d: -f4 <<<"$uri")
    code=${code^^}
    in=$IN2
    [[ $uri == *:mono ]] && in=$IN1
    # 3. lv2apply renders the plug-in with its test setting; the command line renders the same setting in
    #    real-time mode with one-sample blocks, as lv2apply runs.
    read_settings "$uri"
    if ! lv2apply -i "$in" -o "$WORK/apply.wav" "${CARGS[@]}" "$uri" >"$WORK/apply.log" 2>&1; then
        fail "lv2apply $uri: $(tail -1 "$WORK/apply.log")"
    elif ! "$TONVERA" render --realtime --block 1 -e "$code" "${SARGS[@]}" --save-state "$WORK/ref.state" "$in" \
        "$WORK/ref.wav" >/dev/null 2>"$WORK/ref.log"; then
        fail "lv2apply $uri: reference render failed: $(tail -1 "$WORK/ref.log")"
    else
        r=$("$CHECK" compare "$WORK/apply.wav" "$WORK/ref.wav" 1e-6)
        say $? "lv2apply $uri: $r" "lv2apply $uri: $r"
        # The LV2 state of the same setting is the command line's saved state, byte for byte.
        "$CHECK" render "$uri" "$in" "$WORK/lv2.wav" "${SETS[@]}" --state-out "$WORK/lv2.state" >/dev/null 2>&1
        cmp -s "$WORK/lv2.state" "$WORK/ref.state"
        say $? "state bytes $uri: equal to tonvera --save-state" "state bytes $uri: differ from tonvera --save-state"
        # Output ports sharing the input buffers, in odd blocks, sound the same as separate buffers.
        "$CHECK" render "$uri" "$in" "$WORK/sep.wav" "${SETS[@]}" --block 97 >/dev/null 2>&1
        "$CHECK" render "$uri" "$in" "$WORK/inplace.wav" "${SETS[@]}" --block 97 --in-place >/dev/null 2>&1
        r=$("$CHECK" compare "$WORK/inplace.wav" "$WORK/sep.wav" 0)
        say $? "in-place $uri" "in-place $uri: $r"
    fi

    # 4. Factory presets applied the host's way (lilv state) sound like the command line's recall.
    rm -rf "$WORK/presets" && mkdir -p "$WORK/presets"
    if "$CHECK" presets "$uri" "$in" "$WORK/presets" >"$WORK/presets.log" 2>&1; then
        bad=0
        count=0
        while IFS=$'\t' read -r path label clamped; do
            sargs=()
            if [ -n "$clamped" ]; then
                IFS=$'\t' read -r -a parts <<<"$clamped"
                for p in "${parts[@]}"; do sargs+=(-s "$p"); done
            fi
            count=$((count + 1))
            if ! "$TONVERA" render --realtime --block 256 -e "$code" -p "$label" "${sargs[@]}" "$in" "$WORK/pref.wav" >/dev/null 2>&1 ||
                ! r=$("$CHECK" compare "$path" "$WORK/pref.wav" 1e-6); then
                echo "  $uri preset \"$label\": ${r:-reference render failed}"
                bad=$((bad + 1))
            fi
        done <"$WORK/presets.log"
        [ "$bad" -eq 0 ] && [ "$count" -gt 0 ]
        say $? "presets $uri: $count presets" "presets $uri: $bad of $count differ"
    else
        fail "presets $uri: $(tail -1 "$WORK/presets.log")"
    fi

    # 5. State: save, restore into new instances, same audio and same re-saved bytes.
    r=$("$CHECK" state "$uri" "$in" 2>&1)
    case $r in PASS*) pass "state ${r#PASS }" ;; *) fail "state ${r#FAIL }" ;; esac

    # 6. Host tempo: a time:Position on the atom port drives the tempo-synchronised effects like the
    #    command line's --tempo does, and a different tempo changes the sound.
    grep -q '"host_tempo"' "$BUNDLE/${code,,}.ttl" || continue
    read_settings "$uri" 0
    t90=$("$CHECK" render "$uri" "$in" "$WORK/t90.wav" --bpm 90 "${SETS[@]}")
    "$CHECK" render "$uri" "$in" "$WORK/t150.wav" --bpm 150 "${SETS[@]}" >/dev/null
    "$TONVERA" render --realtime --block 256 --tempo 90 -e "$code" "${SARGS[@]}" "$in" "$WORK/tref.wav" >/dev/null 2>&1
    if ! r=$("$CHECK" compare "$WORK/t90.wav" "$WORK/tref.wav" 1e-6); then
        fail "tempo $uri: 90 BPM differs from the command line: $r"
    elif "$CHECK" compare "$WORK/t90.wav" "$WORK/t150.wav" 0 >/dev/null; then
        fail "tempo $uri: 90 and 150 BPM sound the same"
    else
        [ "$t90" = "host_tempo 90.000" ]
        say $? "tempo $uri: follows 90 BPM like the command line ($r)" "tempo $uri: published $t90"
    fi
done

# 7. RealtimeSanitizer: run() of every plug-in and the command line's real-time render, with control,
#    footswitch, tap and tempo changes and blocks from 1 sample to the host's maximum, allocate nothing,
#    lock nothing and never block. Then deactivate + activate leaves no tail.
for what in rt embedded reset; do
    RTSAN_OPTIONS=symbolize=0 "$RTCHECK" "$what" >"$WORK/rt.log" 2>&1
    grep -q -E '^(PASS|FAIL)' "$WORK/rt.log" || fail "rtcheck $what: $(tail -1 "$WORK/rt.log")"
    relay "" < <(grep -E '^(PASS|FAIL|Real-time violation)' "$WORK/rt.log")
done

# 8. jalv on a dummy JACK server (which the editor tests share): transport tempo reaches the plug-in, a
#    factory preset applies.
start_jack() {
    export JACK_DEFAULT_SERVER=tonvera-lv2-test JACK_NO_START_SERVER=1
    local attempt i
    for attempt in 1 2; do
        jackd -n "$JACK_DEFAULT_SERVER" --no-realtime -d dummy -r 48000 -p 256 >"$WORK/jackd.log" 2>&1 &
        PIDS+=($!)
        for i in $(seq 50); do jack_lsp >/dev/null 2>&1 && return 0; sleep 0.1; done
        # Servers killed earlier leave their registrations behind; with no JACK server running they are stale.
        [ $attempt = 1 ] && grep -q 'Too many servers' "$WORK/jackd.log" && ! pgrep -x jackd >/dev/null || break
        rm -rf /dev/shm/jack-shm-registry /dev/shm/jack-[0-9]* /dev/shm/jack_sem.* /dev/shm/jack_db-*
    done
    return 1
}
jalv_test() {
    local code uri
    code=$(grep -l '"host_tempo"' "$BUNDLE"/*.ttl | grep -v presets | head -1 | xargs -r basename -s .ttl)
    uri=${code:+urn:marlevo:tonvera:$code:stereo}
    [ -n "$uri" ] || { skip "jalv: no tempo-synchronised effect registered"; return; }
    local pids=() i
    mkfifo "$WORK/jalv.in" "$WORK/transport.in"
    exec 7<>"$WORK/jalv.in" 8<>"$WORK/transport.in"
    stdbuf -oL jalv -x -n tonvera-jalv "$uri" <&7 >"$WORK/jalv.log" 2>&1 &
    pids+=($!)
    jack_transport <&8 >"$WORK/transport.log" 2>&1 &
    pids+=($!)
    PIDS+=("${pids[@]}")
    for i in $(seq 100); do grep -q '^bypass = ' "$WORK/jalv.log" && break; sleep 0.1; done
    if ! grep -q '^bypass = ' "$WORK/jalv.log"; then
        fail "jalv $uri: did not start ($(tail -1 "$WORK/jalv.log"))"
    else
        printf 'master\ntempo 137\nplay\n' >&8
        local got=""
        for i in $(seq 30); do
            echo monitors >&7
            sleep 0.2
            got=$(grep -o 'host_tempo = [0-9.]*' "$WORK/jalv.log" | tail -1)
            [ "$got" = "host_tempo = 137.000000" ] && break
        done
        [ "$got" = "host_tempo = 137.000000" ]
        say $? "jalv $uri: host tempo 137 BPM from jack_transport" "jalv $uri: host tempo not received (${got:-nothing})"
        # The last factory preset: afterwards jalv's controls hold the preset's values.
        local preset before ok=1 sym name value shown
        preset=$(grep -o "<$uri:preset:[0-9]*>" "$BUNDLE/$code-presets.ttl" | tr -d '<>' | sort -t: -k7 -n | tail -1)
        echo presets >&7
        sleep 0.5
        before=$(wc -l <"$WORK/jalv.log")
        echo "preset $preset" >&7
        sleep 0.5
        echo controls >&7
        sleep 0.5
        while IFS=$'\t' read -r sym name value; do
            [ -n "$sym" ] || continue
            shown=$(tail -n +"$((before + 1))" "$WORK/jalv.log" | grep -o "^$sym = [-0-9.]*" | tail -1 | awk '{print $3}')
            near "$shown" "$value" || { ok=0; echo "  $sym is ${shown:-missing}, the preset says $value"; }
        done < <("$CHECK" settings "$uri")
        [ $ok = 1 ]
        say $? "jalv $uri: factory preset ${preset##*:} applied" "jalv $uri: factory preset not applied"
    fi
    exec 7>&- 8>&-
    kill "${pids[@]}" 2>/dev/null
    sleep 1
    kill -9 "${pids[@]}" 2>/dev/null
    wait "${pids[@]}" 2>/dev/null
}
if ! start_jack; then
    fail "jalv: the dummy JACK server did not start: $(head -1 "$WORK/jackd.log")"
else
    jalv_test
fi

# 9. Ardour headless: a session on the dummy backend renders a sine through one plug-in.
ardour_test() {
    local lua
    lua=$(command -v ardour8-lua || command -v ardour7-lua || command -v ardour6-lua)
    [ -n "$lua" ] || { skip "ardour: no ardour*-lua tool installed"; return; }
    local uri=urn:marlevo:tonvera:lc:stereo
    grep -q "<urn:marlevo:tonvera:dt:stereo>" "$BUNDLE/manifest.ttl" && uri=urn:marlevo:tonvera:dt:stereo
    # The headless tool itself crashes now and then (also without this bundle): up to three tries.
    local attempt ok=0
    for attempt in 1 2 3; do
        rm -rf "$WORK/session" "$WORK/export" && mkdir -p "$WORK/export"
        if TV_SESSION=$WORK/session TV_URI=$uri TV_EXPORT=$WORK/export timeout 300 "$lua" \
            "$SRC/lv2/tests/ardour_export.lua" </dev/null >"$WORK/ardour.log" 2>&1 &&
            grep -q '^exported' "$WORK/ardour.log"; then
            ok=1
            break
        fi
        grep -q 'does not find' "$WORK/ardour.log" && break
    done
    if [ $ok = 0 ]; then
        fail "ardour $uri: the session script failed"
        grep -v -E 'MP3|^$' "$WORK/ardour.log" | tail -5 | sed 's/^/  /'
        return
    fi
    local wet=$WORK/export/wet.wav dry=$WORK/export/dry.wav
    [ -f "$wet" ] && [ -f "$dry" ] || { fail "ardour $uri: no export written"; return; }
    local rms diff
    rms=$(sox "$wet" -n stat 2>&1 | awk '/RMS +amplitude/ {print $3}')
    diff=$(sox -m -v 1 "$wet" -v -1 "$dry" -n stat 2>&1 | awk '/RMS +amplitude/ {print $3}')
    awk -v r="$rms" -v d="$diff" 'BEGIN { exit !(r > 0.01 && d > 0.001) }'
    say $? "ardour $uri: export RMS $rms, differs from dry by RMS $diff" "ardour $uri: export RMS ${rms:-?}, difference from dry ${diff:-?}"
}
ardour_test

# 10. The editor in jalv.gtk3 under Xvfb and in a minimal UI host.
. "$SRC/lv2/tests/editor.sh"
finish
