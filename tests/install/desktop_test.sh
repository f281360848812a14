#!/usr/bin/env bash
# The installed desktop program under a virtual display: a first start shows
# the About box, closing through File > Exit writes the settings into
# $XDG_CONFIG_HOME/zinop/Zinop.ini and nothing into the install tree.
# Skipped (77) where Xvfb or xdotool is missing.
set -euo pipefail
build=$1 prefix=$2 bindir=$3
command -v Xvfb >/dev/null && command -v xdotool >/dev/null || { echo "no Xvfb/xdotool"; exit 77; }

fail() { echo "FAIL: $*" >&2; exit 1; }
work=$(mktemp -d)
xvfb_pid= app_pid=
cleanup() {
    [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null || true
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
    chmod -R u+w "$work" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

DESTDIR=$work/root cmake --install "$build" >/dev/null || fail "cmake --install"
root=$work/root${prefix}
chmod -R a-w "$root"

# A display of its own: Xvfb picks a free number and writes it to fd 3.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || fail "Xvfb did not start"
export DISPLAY=:$(cat "$work/display")

# Waits up to 30 s for a visible window whose title matches; prints its id.
wait_window() {
    local id
    for _ in $(seq 300); do
        id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1) || true
        [ -n "$id" ] && { echo "$id"; return 0; }
        sleep 0.1
    done
    return 1
}

# Polls the command given every 0.1 s for up to 30 s; fails when it never succeeds.
wait_until() {
    for _ in $(seq 300); do
        "$@" && return 0
        sleep 0.1
    done
    return 1
}
windows_shown() { xdotool search --onlyvisible --pid "$app_pid" 2>/dev/null | wc -l; }
only_main_shown() { [ "$(windows_shown)" -eq 1 ]; }
main_has_focus() { [ "$(xdotool getwindowfocus 2>/dev/null)" = "$main" ]; }
menu_shown() { [ "$(windows_shown)" -gt 1 ]; }

mkdir -p "$work/home" "$work/config"
HOME=$work/home XDG_CONFIG_HOME=$work/config LANG=C LC_ALL= QT_QPA_PLATFORM=xcb \
    "$root/$bindir/zinop" >"$work/zinop.log" 2>&1 &
app_pid=$!

about=$(wait_window '^About$') || fail "no About box on the first start: $(cat "$work/zinop.log")"
xdotool windowfocus --sync "$about" key Return
main=$(wait_window '^Zinop$') || fail "no main window"
# Keys go to the main window once the About box is gone and it has the focus;
# "e" only once the File menu shows.
wait_until only_main_shown || fail "the About box stays"
xdotool windowfocus --sync "$main"
wait_until main_has_focus || fail "the main window never takes the focus"
xdotool key alt+f
wait_until menu_shown || fail "Alt+F shows no File menu"
xdotool key e
for _ in $(seq 300); do kill -0 "$app_pid" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$app_pid" 2>/dev/null; then fail "File > Exit did not close the program"; fi
wait "$app_pid" || fail "zinop exited with $?: $(cat "$work/zinop.log")"
app_pid=

ini=$work/config/zinop/Zinop.ini
[ -f "$ini" ] || fail "no $ini"
grep -qx 'Version=35' "$ini" || fail "no Version=35 in $ini"
grep -qx "PluginsPath=$root/lib/zinop/plugins/" "$ini" ||
    grep -q "^PluginsPath=$root/.*/zinop/plugins/$" "$ini" || fail "plug-in folder: $(grep PluginsPath "$ini")"
[ "$(stat -c %a "$work/config/zinop")" = 700 ] || fail "settings folder is not private"
[ ! -e "$root/$bindir/Zinop.ini" ] || fail "Zinop.ini beside the installed program"
echo "installed zinop: About box, File > Exit, settings in $ini: ok"
