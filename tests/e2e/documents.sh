#!/usr/bin/env bash
# A file named on the command line is opened; typing, Ctrl+S, then LibreOffice reads the saved RTF.
# Closing with unsaved changes asks, and No closes without saving. The About box closes with Escape.
. "$(dirname "$0")/lib.sh"

doc="$E2E_TMP/letter.rtf"
printf '{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}}\\f0\\fs24 Dear friend\\par}' >"$doc"

e2e_start_x
e2e_start_kalvero "$doc"
win=$(e2e_wait_window "letter.rtf - Kalvero") || e2e_fail "the file named on the command line was not opened"
e2e_focus "$win"

# Type at the end of the text, save with Ctrl+S (no dialog for a named document).
e2e_key ctrl+End
e2e_type " and welcome"
e2e_key ctrl+s
sleep 0.5

lo_profile="$E2E_TMP/lo-profile"
(cd "$E2E_TMP" && soffice -env:UserInstallation="file://$lo_profile" --headless --convert-to "txt:Text (encoded):UTF8" "$doc" >/dev/null 2>&1) \
    || e2e_fail "LibreOffice could not convert the saved file"
text=$(sed -e '1s/^\xEF\xBB\xBF//' -e 's/\r$//' "$E2E_TMP/letter.txt")
e2e_assert_eq "$text" "Dear friend and welcome" "text of the saved file as LibreOffice reads it"

# The About box opens from the Help menu and Escape closes it.
e2e_key alt+h
e2e_key Return
about=$(e2e_wait_window "About Kalvero") || e2e_fail "the About box did not open"
e2e_key Escape
sleep 0.5
if xdotool search --onlyvisible --name "About Kalvero" >/dev/null 2>&1; then e2e_fail "Escape did not close the About box"; fi

# Unsaved change, then Alt+X: the question comes; "No" closes without saving.
e2e_focus "$win"
e2e_type "!"
e2e_key alt+x
e2e_wait_window "Confirm" >/dev/null || e2e_fail "no save question at Alt+X"
e2e_key alt+n
e2e_wait_exit || e2e_fail "answering No did not close the window"
grep -q 'welcome!' "$doc" && e2e_fail "the text typed after saving was saved although No was answered"
echo "PASS documents"
