#!/usr/bin/env bash
# Text typed into a new document survives SIGKILL: once the pause has passed its copy is written,
# and the next start offers it; Yes brings the text back as an unsaved document. Ending normally
# then leaves no copy behind.
. "$(dirname "$0")/lib.sh"

folder="$XDG_STATE_HOME/kalvero/recovery"
e2e_start_x
e2e_start_kalvero
win=$(e2e_wait_window "Untitled - Kalvero") || e2e_fail "the window did not open"
e2e_focus "$win"
e2e_type "kept through a kill"

copy="$folder/$E2E_APP_PID.rtf"
for i in $(seq 60); do [ -s "$copy" ] && break; sleep 1; done
[ -s "$copy" ] || e2e_fail "no recovery copy 60 s after typing"
grep -q "kept through a kill" "$copy" || e2e_fail "the recovery copy lacks the typed text"
kill -9 "$E2E_APP_PID"
wait "$E2E_APP_PID" 2>/dev/null || true

e2e_start_kalvero
e2e_wait_window "^Confirm$" >/dev/null || e2e_fail "no recovery offer at the next start"
e2e_key alt+y
win=$(e2e_wait_window "Untitled - Kalvero") || e2e_fail "the window did not come back after Yes"
e2e_focus "$win"
e2e_key ctrl+a ctrl+c
e2e_assert_eq "$(e2e_clipboard)" "kept through a kill" "text after recovery"
[ -e "$copy" ] && e2e_fail "the old copy is still there after Yes"
[ -s "$folder/$E2E_APP_PID.rtf" ] || e2e_fail "the recovered text has no copy of its own"

# Closing without saving ends normally: no copy remains.
e2e_key alt+x
e2e_wait_window "^Confirm$" >/dev/null || e2e_fail "no save question for the recovered document"
e2e_key alt+n
e2e_wait_exit || e2e_fail "answering No did not close the window"
[ -z "$(ls -A "$folder")" ] || e2e_fail "copies left after a normal end: $(ls "$folder")"
echo "PASS recovery"
