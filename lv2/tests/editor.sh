# The editor in real hosts, sourced by run.sh (its helpers, LV2_PATH, HOME and dummy JACK server):
# jalv.gtk3 under Xvfb, driven with xdotool at the coordinates xwininfo gives and photographed with
# ImageMagick; the port values the editor writes are logged by a preload around the host's write
# function. The minimal UI host tonvera_lv2_editor_check opens and closes editors many times.
UI=$BUNDLE/marlevo-tonvera-ui.so
EDCHECK=$BUILD/lv2/tonvera_lv2_editor_check
PRELOAD=$BUILD/lv2/libtonvera_port_write_log.so
for tool in Xvfb xdotool xwininfo import compare convert jalv.gtk3 jack_lsp; do
    command -v $tool >/dev/null || { skip "editor: $tool missing"; return; }
done
[ -f "$UI" ] && [ -x "$EDCHECK" ] && [ -f "$PRELOAD" ] || { skip "editor: the UI library is not built"; return; }

JALV=""
stop() { [ -n "$1" ] && kill "$1" 2>/dev/null && for _ in $(seq 50); do kill -0 "$1" 2>/dev/null || break; sleep 0.1; done; }

# A private X server.
Xvfb -displayfd 1 -screen 0 640x480x24 -nolisten tcp >"$WORK/display" 2>"$WORK/xvfb.log" &
PIDS+=($!)
for _ in $(seq 50); do [ -s "$WORK/display" ] && break; sleep 0.1; done
[ -s "$WORK/display" ] || { fail "editor: Xvfb did not start: $(tail -1 "$WORK/xvfb.log")"; return; }
export DISPLAY=:$(head -1 "$WORK/display")
jack_lsp >/dev/null 2>&1 || { fail "editor: no JACK server"; return; }

# User presets go into the sandbox's documents folder.
cat >"$WORK/registry.ini" <<EOF
[HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Explorer\Shell Folders]
Personal=$HOME/Documents
[HKEY_CURRENT_USER\Software\Marlevo\Marlevo Tonvera]
Installation Type=Private
EOF
export TONVERA_REGISTRY=$WORK/registry.ini

LOG=$WORK/writes.log
WIN="" X0=0 Y0=0

esay() { say "$1" "editor $2" "editor $3"; }
# Opens an editor's menu at (X, Y) and chooses the item in row ROW of its first column (rows of 16 px).
menu() { click "$1" 162; click "$2" $((182 + 16 * $3)); } # X ITEM_X ROW

# The LV2 port index of a symbol in one plug-in's description.
port_index() { # URI SYMBOL
    local ttl=$BUNDLE/$(echo "$1" | cut -d: -f4).ttl
    awk -v uri="<$1>" -v sym="\"$2\"" '/^<urn:/ { inside = ($1 == uri) }
        inside && $1 == "lv2:index" { index_ = $2 } inside && $1 == "lv2:symbol" && $2 == sym { print index_; exit }' "$ttl"
}
# The last value the editor wrote to a port.
written() { awk -v p="$1" '$1 == p { v = $2 } END { print v }' "$LOG"; }

# Starts jalv.gtk3 with the plug-in's editor; sets WIN and its screen position X0, Y0.
open_editor() { # URI
    local line="" i attempt
    JLOG=$WORK/jalv-$(echo "$1" | cut -d: -f4-5 | tr : -).log
    for attempt in 1 2; do
        : >"$LOG"
        TONVERA_PORT_LOG=$LOG LD_PRELOAD=$PRELOAD jalv.gtk3 -n tonvera-ui "$1" >"$JLOG" 2>&1 &
        JALV=$!
        PIDS+=("$JALV")
        for i in $(seq 300); do # a loaded machine starts jalv.gtk3 slowly
            line=$(xwininfo -root -tree 2>/dev/null | grep '"Marlevo Tonvera"' | head -1)
            [ -n "$line" ] && break
            kill -0 "$JALV" 2>/dev/null || break
            sleep 0.1
        done
        [ -n "$line" ] && break
        # jalv 1.6.6 gives up (and crashes) when the busy JACK server does not answer its connection.
        close_editor
        grep -q 'Failed to connect to audio system' "$JLOG" || return 1
    done
    [ -n "$line" ] || return 1
    # 0x600001 "Marlevo Tonvera": ()  185x320+0+0  +10+60
    local size
    read -r WIN size X0 Y0 < <(echo "$line" | awk '{ split($NF, p, "+"); print $1, $(NF-1), p[2], p[3] }')
    sleep 1 # the host's first port events and the editor's first ticks
    [ "${size%%+*}" = 185x320 ]
}
close_editor() { stop "$JALV"; wait "$JALV" 2>/dev/null; JALV=""; }
click() { xdotool mousemove $((X0 + $1)) $((Y0 + $2)) click 1; sleep 0.3; }
shot() { import -window "$WIN" "png:$1" 2>/dev/null; }
differing() { compare -metric AE "$@" null: 2>&1 | awk '{print $1}'; }

# One effect of every family, and the tuner: the window is the face `tonvera snapshot` draws.
for code in OD CLG PAG SPG PE CH AW BD RV CM OT AT; do
    uri=urn:marlevo:tonvera:${code,,}:stereo
    grep -q "<$uri>" "$BUNDLE/manifest.ttl" || continue
    if ! open_editor "$uri"; then
        fail "editor $code: no 185x320 editor window in jalv.gtk3 ($(tail -1 "$JLOG"))"
        close_editor
        continue
    fi
    shot "$WORK/shot.png"
    "$TONVERA" snapshot -e "$code" "$WORK/snap.png" >/dev/null 2>&1 || echo "  tonvera snapshot failed"
    d=$(differing "$WORK/shot.png" "$WORK/snap.png")
    [ "$d" = 0 ]
    esay $? "$code: opens in jalv.gtk3, the window equals tonvera snapshot" \
        "$code: the window differs from tonvera snapshot in ${d:-?} pixels"
    close_editor
done

# The chorus, driven by the mouse and the keyboard.
uri=urn:marlevo:tonvera:ch:stereo
if open_editor "$uri"; then
    # Footswitch (layout 0, 161x38): the on/off port turns and the LED (layout 14, 15x15) changes.
    bypass=$(port_index "$uri" bypass)
    shot "$WORK/before.png"
    click 92 297
    shot "$WORK/after.png"
    convert "$WORK/before.png" -crop 15x15+85+259 +repage "$WORK/led0.png"
    convert "$WORK/after.png" -crop 15x15+85+259 +repage "$WORK/led1.png"
    led=$(differing "$WORK/led0.png" "$WORK/led1.png")
    [ "$(written "$bypass")" = 1.000000 ] && [ "${led:-0}" != 0 ]
    esay $? "CH footswitch: port $bypass = 1, the LED changed ($led pixels)" \
        "CH footswitch: port $bypass = $(written "$bypass"), LED pixels changed: ${led:-?}"
    # Knob 2 (layout 1, 45x45) dragged upwards: its port moves.
    knob=$((bypass + 1)) # the first parameter follows the footswitch
    xdotool mousemove $((X0 + 26)) $((Y0 + 80)) mousedown 1 mousemove $((X0 + 26)) $((Y0 + 65)) \
        mousemove $((X0 + 26)) $((Y0 + 50)) mouseup 1
    sleep 0.3
    [ -n "$(written "$knob")" ]
    esay $? "CH knob drag: port $knob moved to $(written "$knob")" "CH knob drag: nothing written to port $knob"

    # The second factory preset from the preset menu (layout 17, 57x20; rows of 16 px below it):
    # every parameter port takes the preset's value.
    preset=$(grep -o "<$uri:preset:[0-9]*>" "$BUNDLE/ch-presets.ttl" | tr -d '<>' | sort -t: -k7 -n | sed -n 2p)
    : >"$LOG"
    menu 147 139 1
    bad=0
    count=0
    while read -r sym value; do
        count=$((count + 1))
        got=$(written "$(port_index "$uri" "$sym")")
        near "$got" "$value" || { bad=$((bad + 1)); echo "  $sym: wrote ${got:-nothing}, the preset says $value"; }
    done < <(awk -v p="<$preset>" '/^<urn:/ { inside = ($1 == p) }
        inside && $1 == "lv2:symbol" { gsub(/"/, "", $2); s = $2 } inside && $1 == "pset:value" { print s, $2 }' \
        "$BUNDLE/ch-presets.ttl")
    [ $bad = 0 ] && [ $count -gt 0 ]
    esay $? "CH preset menu: ${preset##*:} wrote all $count ports" \
        "CH preset menu: $bad of $count ports not written as preset ${preset##*:} says"

    # "Save As..." from the action menu (layout 18, 50x20), a typed name and Return: the preset file
    # holds it.
    menu 91 86 1
    # Slow enough that the editor reads each key before xdotool takes back its temporary key code.
    LC_ALL=C.UTF-8 xdotool type --delay 150 "Jalv Täke 1"
    xdotool key Return
    sleep 0.5
    file="$HOME/Documents/Marlevo/PlugIn Presets/Marlevo Tonvera.mlvpreset"
    grep -q "Jalv Täke 1" "$file" 2>/dev/null
    esay $? "CH save as: \"Jalv Täke 1\" is in the preset file" "CH save as: \"Jalv Täke 1\" is not in $file"
    close_editor
else
    fail "editor CH: did not open for the mouse tests"
    close_editor
fi

# The mono plug-in shares the editor; its ports lie elsewhere.
uri=urn:marlevo:tonvera:ch:mono
if open_editor "$uri"; then
    bypass=$(port_index "$uri" bypass)
    click 92 297
    [ "$(written "$bypass")" = 1.000000 ]
    esay $? "CH mono: the footswitch writes port $bypass" "CH mono: port $bypass = $(written "$bypass")"
else
    fail "editor CH mono: did not open"
fi
close_editor

# Without a display; 50 rounds of two editors at once; processor time and memory of the biggest.
for mode in nodisplay "cycle 50"; do
    relay "editor " < <("$EDCHECK" "$UI" urn:marlevo:tonvera:ch:stereo urn:marlevo:tonvera:ch:ui $mode 2>&1)
done
for code in RV BD; do
    r=$("$EDCHECK" "$UI" "urn:marlevo:tonvera:${code,,}:stereo" "urn:marlevo:tonvera:${code,,}:ui" budget 6 2>&1)
    echo "$r" | awk '{ exit !(NF > 3 && $(NF-3) <= 30 && $(NF-1) <= 2048) }'
    esay $? "$code budget: $r" "$code budget (30 ms, 2048 KiB per editor): $r"
done
