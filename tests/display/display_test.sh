#!/usr/bin/env bash
# The real kwtool on an X server (Xvfb) with a notification area (trayer):
# window title, size and place, the tray icon embedded in the tray, its
# right-click menu with its three entries, FilterWindow opened by a click on
# 过滤, and "退出" ending the process with exit code 0. Screenshots of both
# windows and of the tray menu go to the artifacts folder.
#
# usage: display_test.sh KWTOOL LAYOUT_PROBE ARTIFACTS_FOLDER
# Exit code 77 (skipped) when the X tools are missing.
set -euo pipefail

kwtool=$1
probe=$2
artifacts=$3
here=$(cd "$(dirname "$0")" && pwd)

for tool in Xvfb trayer xdotool xwininfo import python3; do
    if ! command -v "$tool" >/dev/null; then
        echo "SKIP: $tool is not installed"
        exit 77
    fi
done

work=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do
        kill "$pid" 2>/dev/null || true
    done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# Runs a command until it succeeds or the time (in seconds) is up; it waits
# for something the X server reports, never for a fixed time.
wait_for() {
    local seconds=$1
    shift
    local deadline=$((SECONDS + seconds))
    until "$@" >/dev/null 2>&1; do
        ((SECONDS < deadline)) || return 1
        sleep 0.05
    done
}

# X server on a display number of its own choosing, so that parallel runs
# never collide.
mkfifo "$work/displayfd"
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$work/displayfd" 2>"$work/xvfb.log" &
pids+=($!)
read -r -t 20 display_number <"$work/displayfd" || fail "Xvfb did not start"
export DISPLAY=":$display_number"
unset QT_QPA_PLATFORM WAYLAND_DISPLAY
echo "display $DISPLAY"

trayer --edge top --align right --widthtype pixel --width 120 --heighttype pixel --height 24 \
    --SetDockType true --transparent false --tint 0x404040 >"$work/trayer.log" 2>&1 &
pids+=($!)
wait_for 10 xdotool search --name "^panel$" || { cat "$work/trayer.log" >&2; fail "trayer did not show its panel"; }
panel=$(xdotool search --name '^panel$' | head -1)

layout=$("$probe")
read -r filter_x filter_y <<<"$layout"

# Started from another folder than its own.
(cd "$work" && exec "$kwtool") >"$work/kwtool.log" 2>&1 &
kwtool_pid=$!
pids+=($kwtool_pid)

main_title='澄岫百度关键字工具1.0'
wait_for 10 xdotool search --onlyvisible --name "^${main_title}\$" || fail "MainWindow did not appear"
main=$(xdotool search --onlyvisible --name "^${main_title}\$" | head -1)

geometry() { # window -> "x y width height map-state"
    xwininfo -id "$1" | awk '/Absolute upper-left X/{x=$4} /Absolute upper-left Y/{y=$4}
        /Width:/{w=$2} /Height:/{h=$2} /Map State:/{m=$3} END{print x, y, w, h, m}'
}
read -r main_x main_y main_w main_h main_map <<<"$(geometry "$main")"
echo "MainWindow: ${main_w}x${main_h}+${main_x}+${main_y} $main_map"
[ "$main_w" = 933 ] && [ "$main_h" = 569 ] || fail "MainWindow is ${main_w}x${main_h}, not 933x569"
[ "$main_x" = $(((1280 - 933) / 2)) ] && [ "$main_y" = $(((800 - 569) / 2)) ] || fail "MainWindow is not centred"

# The tray icon: a window of kwtool embedded into trayer's panel.
embedded() { xwininfo -tree -id "$panel" | grep -o '0x[0-9a-f]* "kwtool": ("kwtool"' | head -1 | cut -d' ' -f1; }
has_icon() { test -n "$(embedded)"; }
wait_for 10 has_icon || fail "the tray icon is not embedded in the tray"
icon=$(embedded)
read -r icon_x icon_y icon_w icon_h _ <<<"$(geometry "$icon")"
echo "tray icon: ${icon_w}x${icon_h}+${icon_x}+${icon_y}"

# The popup: kwtool's override-redirect window that appears after a right click.
popup_windows() {
    xwininfo -root -children | awk '$1 ~ /^0x/ && /"kwtool"/ {print $1}' | while read -r id; do
        xwininfo -id "$id" | grep -q 'Override Redirect State: yes' &&
            xwininfo -id "$id" | grep -q 'Map State: IsViewable' && echo "$id"
    done | grep -v "^$icon\$" || true
}
popup_open() { test -n "$(popup_windows)"; }
popup_closed() { test -z "$(popup_windows)"; }
clicks=0
open_tray_menu() {
    # Two clicks at one spot in quick succession make a double click, which
    # opens no menu: each click goes to another side of the icon's centre.
    clicks=$((clicks + 1))
    local x=$((icon_x + icon_w / 2 + (clicks % 2 ? -6 : 6))) y=$((icon_y + icon_h / 2))
    xdotool mousemove "$x" "$y" click 3
    wait_for 10 popup_open || fail "a right click on the tray icon opened no menu"
    popup=$(popup_windows | head -1)
    read -r popup_x popup_y popup_w popup_h _ <<<"$(geometry "$popup")"
    echo "tray menu: ${popup_w}x${popup_h}+${popup_x}+${popup_y} for the cursor at $x,$y"
    [ $((popup_x + popup_w)) = $((x - 5)) ] || fail "the menu's right edge is not 5 pixels left of the cursor"
    [ "$popup_y" = $((y - 5)) ] || fail "the menu's top is not 5 pixels above the cursor"
}
# Chooses the entry at a position (1 隐藏, 2 显示, 3 退出) with the keyboard.
choose_entry() {
    local downs=()
    for ((i = 0; i < $1; ++i)); do downs+=(Down); done
    xdotool key "${downs[@]}" Return
    wait_for 10 popup_closed || fail "the menu did not close"
}
# A screenshot once the window has been painted (a fresh window shows one
# plain colour until its first paint).
painted_shot() { # window file
    import -window "$1" "$2" && [ "$(convert "$2" -format '%[fx:standard_deviation > 0.01]' info:)" = 1 ]
}
screenshot() {
    wait_for 10 painted_shot "$1" "$2" || fail "window $1 was never painted"
}
map_state() { geometry "$main" | cut -d' ' -f5; }
main_mapped_as() { test "$(map_state)" = "$1"; }

screenshot "$main" "$artifacts/main-window.png"

open_tray_menu
import -window root -crop "$((popup_w + 40))x$((popup_h + 40))+$((popup_x - 20))+$((popup_y - 5))" \
    "$artifacts/tray-menu.png"
choose_entry 1
wait_for 10 main_mapped_as IsUnMapped || fail "隐藏 did not hide MainWindow"
echo "隐藏 hid MainWindow"
test -n "$(embedded)" || fail "the tray icon went away with the hidden window"

open_tray_menu
choose_entry 2
wait_for 10 main_mapped_as IsViewable || fail "显示 did not show MainWindow"
read -r again_x again_y _ <<<"$(geometry "$main")"
[ "$again_x $again_y" = "$main_x $main_y" ] || fail "MainWindow came back elsewhere"
echo "显示 showed MainWindow at its place"

# 过滤 opens FilterWindow.
xdotool mousemove "$((main_x + filter_x))" "$((main_y + filter_y))" click 1
filter_title='过滤窗口'
wait_for 10 xdotool search --onlyvisible --name "^${filter_title}\$" || fail "a click on 过滤 opened no FilterWindow"
filter=$(xdotool search --onlyvisible --name "^${filter_title}\$" | head -1)
read -r filter_win_x filter_win_y filter_w filter_h _ <<<"$(geometry "$filter")"
echo "FilterWindow: ${filter_w}x${filter_h}+${filter_win_x}+${filter_win_y}"
[ "$filter_w" = 572 ] && [ "$filter_h" = 484 ] || fail "FilterWindow is ${filter_w}x${filter_h}, not 572x484"
[ "$filter_win_x" = $(((1280 - 572) / 2)) ] && [ "$filter_win_y" = $(((800 - 484) / 2)) ] ||
    fail "FilterWindow is not centred"
screenshot "$filter" "$artifacts/filter-window.png"
import -window root "$artifacts/desktop-with-filter-window.png"

python3 "$here/send_close.py" "$filter"
wait_for 10 bash -c "! xdotool search --onlyvisible --name '^${filter_title}\$'" || fail "FilterWindow did not close"
kill -0 "$kwtool_pid" || fail "closing FilterWindow ended the program"
echo "FilterWindow closed; the program runs on"

open_tray_menu
choose_entry 3
status=0
wait_for 10 bash -c "! kill -0 $kwtool_pid" || fail "退出 did not end the program"
wait "$kwtool_pid" || status=$?
[ "$status" = 0 ] || fail "the program ended with exit code $status"
echo "退出 ended the program with exit code 0"
