#!/usr/bin/env bash
# An installed Kalvero as a new user meets it: installed into a staging folder, its program
# folder read-only, started from some other working folder with a home of its own. No message
# at start, Coptic typed through the shipped map, the Keyboard Map from the Language menu,
# and Alt+X keeps the settings in the user's folder without an error box.
#   E2E_SCREENSHOT=file.png  also saves the Keyboard Map window there.
# Root writes into read-only folders; the read-only mount it needs lives in a mount namespace
# of this run's own.
if [ "$(id -u)" -eq 0 ] && [ -z "${KALVERO_E2E_OWN_MOUNTS:-}" ] && command -v unshare >/dev/null; then
    export KALVERO_E2E_OWN_MOUNTS=1
    exec unshare -m --propagation private bash "$0" "$@"
fi
. "$(dirname "$0")/lib.sh"

stage="$E2E_TMP/stage"
DESTDIR="$stage" cmake --install "${KALVERO_BUILD_DIR:?KALVERO_BUILD_DIR must name the build folder}" \
    --prefix /usr >/dev/null || e2e_fail "cmake --install"
bin="$stage/usr/bin"
installed_cleanup() {
    if [ "$(id -u)" -eq 0 ]; then umount "$bin" 2>/dev/null || true; fi
    chmod u+w "$bin" 2>/dev/null || true
    e2e_cleanup
}
trap installed_cleanup EXIT
chmod a-w "$bin"
if [ "$(id -u)" -eq 0 ]; then
    mount --bind "$bin" "$bin" && mount -o remount,bind,ro "$bin" || e2e_fail "cannot make $bin read-only"
fi
if touch "$bin/probe" 2>/dev/null; then e2e_fail "the program folder is still writable"; fi

home="$E2E_TMP/home"
mkdir -p "$home/Documents" "$E2E_TMP/elsewhere"
export HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_DATA_DIRS="$home/.local/share"

e2e_start_x
(cd "$E2E_TMP/elsewhere" && exec "$bin/kalvero" >"$E2E_TMP/kalvero.log" 2>&1) &
E2E_APP_PID=$!
E2E_PIDS+=("$E2E_APP_PID")
win=$(e2e_wait_window "Untitled - Kalvero") || e2e_fail "the main window did not appear"
sleep 1
box=$(xdotool search --onlyvisible --name '^Kalvero$' 2>/dev/null || true)
[ -z "$box" ] || e2e_fail "a message box appeared at start"

e2e_focus "$win"
e2e_key ctrl+3
e2e_type "abc"
e2e_key ctrl+a ctrl+c
e2e_assert_eq "$(e2e_clipboard)" "ⲁⲃⲭ" "Coptic typed through the installed map"

# Language menu, Keyboard Map...
e2e_key alt+l
e2e_key k
km=$(e2e_wait_window "Keyboard Map") || e2e_fail "the Keyboard Map window did not appear"
sleep 0.5
if [ -n "${E2E_SCREENSHOT:-}" ]; then import -window "$km" "$E2E_SCREENSHOT"; fi
# The lower half of the a key (third row, after Caps) types what the map gives: alfa, over the
# selected text.
xdotool mousemove --window "$km" 115 142 click 1
sleep 0.3
e2e_focus "$win"
e2e_key ctrl+a ctrl+c
e2e_assert_eq "$(e2e_clipboard)" "ⲁ" "a click on the a key of the Keyboard Map"

e2e_key ctrl+n
e2e_key alt+x
e2e_wait_exit || e2e_fail "Alt+X did not close the program (an error box?)"
settings="$XDG_CONFIG_HOME/kalvero/settings.opt"
[ -f "$settings" ] || e2e_fail "settings.opt is not in \$XDG_CONFIG_HOME/kalvero"
grep -q '^\[Font\]' "$settings" || e2e_fail "settings.opt has no [Font] section"
[ ! -e "$bin/settings.opt" ] && [ ! -e "$E2E_TMP/elsewhere/settings.opt" ] || e2e_fail "settings.opt written elsewhere"
echo "PASS installed"
