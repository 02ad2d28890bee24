#!/usr/bin/env bash
# Screenshots of the program itself waiting for a timed task ("-auto"), on a virtual X
# screen with a window manager (openbox): with a tray host (trayer) the tray icon and its
# menu, without one the minimised window that stands in for the tray, restored, and its
# menu. English and German pictures (en/, de/ below the picture folder). HOME and the XDG
# folders are temporary, so nothing of this machine's settings is read or touched.
# Usage: [SCREEN=WIDTHxHEIGHT] [QT_SCALE_FACTOR=N] tests/ui/tray-screenshots.sh [build folder] [picture folder]
# SCREEN is the screen's size in logical pixels (default 1024x600); the X screen is
# QT_SCALE_FACTOR (default 1) times as large and the program draws at that scale.
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build}
out=$(realpath -m "${2:-$build/screenshots/tray}")
for tool in Xvfb openbox trayer xdotool xprop import; do
    command -v "$tool" >/dev/null || { echo "missing: $tool (scripts/setup installs it)" >&2; exit 1; }
done
cmake --build "$build" --target tessaro >/dev/null
program=$(realpath "$build/tessaro")
work=$(mktemp -d)
services=() # the X server and the window manager
started=()  # what one round starts

stop() {
    local pid
    for ((i = ${#started[@]} - 1; i >= 0; i--)); do
        pid=${started[i]}
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    started=()
}
trap 'stop; started=("${services[@]}"); stop; rm -rf "$work"' EXIT

# Waits up to ten seconds for a command to succeed.
await() {
    for _ in $(seq 100); do
        if "$@" >/dev/null 2>&1; then
            return 0
        fi
        sleep 0.1
    done
    echo "gave up waiting for: $*" >&2
    return 1
}

shot() {
    sleep 0.5
    import -window root "$1"
    echo "$1"
}

# The first display number without a server.
display=90
while [ -e "/tmp/.X$display-lock" ] || [ -e "/tmp/.X11-unix/X$display" ]; do
    display=$((display + 1))
done
export DISPLAY=:$display
screen=${SCREEN:-1024x600}
scale=${QT_SCALE_FACTOR:-1}
Xvfb "$DISPLAY" -screen 0 "$((${screen%x*} * scale))x$((${screen#*x} * scale))x24" -nolisten tcp \
    >"$work/xvfb.log" 2>&1 &
services+=($!)
await xdotool getdisplaygeometry
openbox >"$work/openbox.log" 2>&1 &
services+=($!)
sleep 1

# One backup task at a set time that ran today: "-auto" waits for tomorrow's run.
mkdir -p "$work/home" "$work/config/Tessaro" "$work/run" "$work/source" "$work/dest"
chmod 700 "$work/run"
win="C:${work//\//\\}"
template=$(<examples/example.buj.in)
template=${template//'C:\TESSARO_CLONE\example-backup'/"$win\\dest"}
printf '%s\n' "${template//'C:\TESSARO_CLONE\examples\source'/"$win\\source"}" >"$work/Documents.buj"
today=$(($(date +%s) / 86400 + 25569 + 693594))
cat >"$work/config/Tessaro/tessaro.ini" <<EOF
[Config]
Startup=0
TaskCount=1
[AutoTask0]
Name=$win\\Documents.buj
Mode=3
LastDate=$today
LastTime=0
BackupDate=$((today + 1))
BackupTime=0
EOF

# The desktop's LANGUAGE and the program's own language option both name the language.
start_program() {
    env -i PATH=/usr/bin:/bin DISPLAY="$DISPLAY" LANG=C.UTF-8 LANGUAGE="$1" HOME="$work/home" \
        XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/run" QT_QPA_PLATFORM=xcb QT_SCALE_FACTOR="$scale" \
        "$program" -auto -lang:"$1" >>"$work/program.log" 2>&1 &
    started+=($!)
}

# trayer's panel, not its hidden leader window.
tray_panel() {
    local window
    for window in $(xdotool search --class trayer); do
        if [ "$(xdotool getwindowname "$window")" = panel ]; then
            echo "$window"
            return 0
        fi
    done
    return 1
}

# The window the program shows in place of the tray icon, minimised.
minimised_window() {
    local window
    for window in $(xdotool search --name '^Tessaro'); do
        if xprop -id "$window" WM_STATE 2>/dev/null | grep -q 'window state: Iconic'; then
            echo "$window"
            return 0
        fi
    done
    return 1
}

# It is shown.
shown() {
    xprop -id "$1" WM_STATE | grep -q 'window state: Normal'
}

for language in en de; do
    dir="$out/$language"
    mkdir -p "$dir"

    trayer --edge bottom --align right --widthtype request --height $((32 * scale)) --SetDockType true \
        --transparent false --tint 0xd0d0d0 >"$work/trayer.log" 2>&1 &
    started+=($!)
    tray=$(await tray_panel && tray_panel)
    start_program "$language"
    # The icon takes the tray's room: trayer grows from its empty width.
    sleep 6
    shot "$dir/tray-icon.png"
    eval "$(xdotool getwindowgeometry --shell "$tray")"
    xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 2)) click 3
    shot "$dir/tray-menu.png"
    xdotool key Escape
    stop

    # No tray host: no tray, so the minimised window with the menu bar comes instead.
    start_program "$language"
    sleep 4
    window=$(await minimised_window && minimised_window)
    shot "$dir/no-tray-minimised.png"
    xdotool windowmap "$window"
    await shown "$window"
    xdotool windowactivate "$window" 2>/dev/null || true
    shot "$dir/no-tray-window.png"
    # The menu bar's one title, at the window's top left.
    xdotool mousemove --window "$window" $((30 * scale)) $((8 * scale)) click 1
    shot "$dir/no-tray-menu.png"
    xdotool key Escape
    stop
done
