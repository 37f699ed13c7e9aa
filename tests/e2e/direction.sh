#!/usr/bin/env bash
# Right-to-left paragraphs in the real window: an Arabic sentence typed through the map into an
# empty document makes its paragraph right to left, and the saved file says so with \rtlpar;
# Home then Left Left Left puts the caret after the third letter (column 4); Ctrl with the left
# Shift key makes the paragraph left to right again. With E2E_SCREENSHOT set to a file name, an
# Arabic, an English and a Coptic paragraph are photographed into it.
. "$(dirname "$0")/lib.sh"

doc="$E2E_TMP/rtl.rtf"
: >"$doc" # an empty file opens as an empty document with a name: Ctrl+S needs no dialog

e2e_start_x
e2e_start_kalvero "$doc"
win=$(e2e_wait_window "rtl.rtf - Kalvero") || e2e_fail "the document did not open"
xdotool windowsize --sync "$win" 900 500
e2e_focus "$win"

# Arabic: k t b -> كتب, k l m t -> كلمت; the full stop maps to itself.
e2e_key ctrl+2
e2e_type "ktb klmt."
e2e_key ctrl+s
sleep 0.5
grep -q '\\rtlpar' "$doc" || e2e_fail "the saved file has no \\rtlpar: $(head -c 800 "$doc")"
grep -q '\\u1603?\\u1578?\\u1576? \\u1603?\\u1604?\\u1605?\\u1578?.' "$doc" \
    || e2e_fail "the saved text is not the typed sentence: $(head -c 800 "$doc")"

# Home is the start of the line (its right end); Left moves towards the left of the screen, into
# the first word: after three presses the caret stands after its third letter, column 4. An
# English letter typed there shows the place in the saved file.
e2e_key Home Left Left Left
if [ -n "${E2E_SCREENSHOT_CARET:-}" ]; then import -window "$win" "$E2E_SCREENSHOT_CARET"; fi
e2e_key ctrl+1
e2e_type "X"
e2e_key ctrl+s
sleep 0.5
grep -q '\\u1603?\\u1578?\\u1576?X \\u1603?' "$doc" || e2e_fail "the caret was not after the third letter: $(head -c 800 "$doc")"

# Ctrl with the left Shift key, pressed and released alone: left to right again.
e2e_key ctrl+Shift_L
e2e_key ctrl+s
sleep 0.5
if grep -q '\\rtlpar' "$doc"; then e2e_fail "the paragraph is still right to left: $(head -c 800 "$doc")"; fi
# And Ctrl with the right Shift key makes it right to left once more.
e2e_key ctrl+Shift_R
e2e_key ctrl+s
sleep 0.5
grep -q '\\rtlpar' "$doc" || e2e_fail "Ctrl+Right Shift did not make the paragraph right to left"

if [ -n "${E2E_SCREENSHOT:-}" ]; then
    # Arabic, English and Coptic paragraphs side by side, each in its own direction.
    e2e_key ctrl+a Delete
    e2e_key ctrl+2
    e2e_type "ktb Alklmt Alhdyvt fy Alnhr."
    e2e_key Return ctrl+1
    e2e_type "An English paragraph reads from left to right."
    e2e_key Return ctrl+3
    e2e_type "pinouti nem pimwou."
    e2e_key ctrl+Home
    sleep 0.5
    import -window "$win" "$E2E_SCREENSHOT"
fi
echo "PASS direction"
