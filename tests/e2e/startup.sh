#!/usr/bin/env bash
# Start-up, caption, typing, Alt+X and the settings file beside the executable.
. "$(dirname "$0")/lib.sh"

e2e_start_x
e2e_start_kalvero
win=$(e2e_wait_window "Kalvero") || e2e_fail "the main window did not appear"
e2e_assert_eq "$(e2e_window_name "$win")" "Untitled - Kalvero" "caption at start"

e2e_focus "$win"
e2e_type "Hello Kalvero"
e2e_key ctrl+a ctrl+c
e2e_assert_eq "$(e2e_clipboard)" "Hello Kalvero" "typed text copied back"

# Alt+X asks to save the modified document; Escape answers Cancel and the window stays.
e2e_key alt+x
sleep 0.5
confirm=$(e2e_wait_window "Confirm") || e2e_fail "no save question at Alt+X"
e2e_key Escape
sleep 0.3
kill -0 "$E2E_APP_PID" 2>/dev/null || e2e_fail "the window closed although Cancel was answered"

# New discards the text without a question; then Alt+X closes at once.
e2e_focus "$win"
e2e_key ctrl+n
e2e_key alt+x
e2e_wait_exit || e2e_fail "Alt+X did not close the window"

[ -f "$E2E_TMP/bin/settings.opt" ] || e2e_fail "settings.opt was not written beside the executable"
grep -q '^\[Font\]' "$E2E_TMP/bin/settings.opt" || e2e_fail "settings.opt has no [Font] section"
grep -q '^Size=' "$E2E_TMP/bin/settings.opt" || e2e_fail "settings.opt has no Size"
grep -q '^Name=' "$E2E_TMP/bin/settings.opt" || e2e_fail "settings.opt has no Name"
[ ! -e "$E2E_TMP/work/settings.opt" ] || e2e_fail "settings.opt was written into the working directory"
echo "PASS startup"
