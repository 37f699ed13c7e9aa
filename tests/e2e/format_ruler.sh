#!/usr/bin/env bash
# Formatting in the real window: a drag of the left-indent marker with the mouse, a style button
# by keyboard focus-free click, and the saved file holding the indent.
. "$(dirname "$0")/lib.sh"

# Finds the ruler in a screenshot of the window: at indent 0 both left markers stand at x 2..11,
# so column 6 shows FirstInd as 9 black pixels (ruler rows 2..10), then 3 other pixels (the etched
# line covers the top of LeftInd), then LeftInd as 9 black pixels (rows 14..22). Prints the ruler's
# top row, or nothing.
ruler_top_in() {
    local shot="$1" column="$2"
    convert "$shot" -crop "1x400+${column}+0" +repage -depth 8 txt:- 2>/dev/null | awk -F'[ ,:]+' '
        NR > 1 { y = $2; black[y] = ($0 ~ /#000000/) ; if (y > last) last = y }
        END {
            for (y = 0; y + 20 <= last; y++) {
                ok = 1
                for (i = 0; i < 9 && ok; i++) if (!black[y + i]) ok = 0
                if (ok && black[y + 9]) ok = 0
                for (i = 12; i < 21 && ok; i++) if (!black[y + i]) ok = 0
                if (ok) { print y - 2; exit }
            }
        }'
}

# The columns (0..299) that are black over the 9 rows 14..22 of the ruler: LeftInd's stem, and
# whatever else stands there (tick marks).
black_columns() {
    local shot="$1" top="$2"
    convert "$shot" -crop "300x9+0+$((top + 14))" +repage -depth 8 txt:- 2>/dev/null | awk -F'[ ,:]+' '
        NR > 1 && $0 ~ /#000000/ { count[$1]++ }
        END { for (x = 0; x < 300; x++) if (count[x] == 9) printf "%d ", x; print "" }'
}

doc="$E2E_TMP/indent.rtf"
printf '{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}}\\f0\\fs24 A paragraph long enough to wrap when its left indent grows, so that the following lines show where the left marker was dropped on the ruler.\\par}' >"$doc"

e2e_start_x
e2e_start_kalvero "$doc"
win=$(e2e_wait_window "indent.rtf - Kalvero") || e2e_fail "the document did not open"
xdotool windowsize --sync "$win" 900 600
e2e_focus "$win"
e2e_key ctrl+Home

import -window "$win" "$E2E_TMP/before.png"
top=$(ruler_top_in "$E2E_TMP/before.png" 6)
[ -n "$top" ] || e2e_fail "the indent markers were not found at indent 0"
echo "ruler top in the window: $top"

# Press LeftInd at its middle (x 7 of the window: Left 2 + grab offset 5), move 40 pixels right
# in steps, release: Left becomes 42, so the left indent is (42 + 5 - 6) * 3 / 4 = 30 points.
# xwininfo gives the client area's place on the screen (xdotool's geometry counts the frame twice).
X=$(xwininfo -id "$win" | awk '/Absolute upper-left X/ {print $4}')
Y=$(xwininfo -id "$win" | awk '/Absolute upper-left Y/ {print $4}')
xdotool mousemove --sync $((X + 7)) $((Y + top + 18))
xdotool mousedown 1
for step in 10 20 30 40; do xdotool mousemove --sync $((X + 7 + step)) $((Y + top + 18)); sleep 0.05; done
xdotool mouseup 1
sleep 0.3

import -window "$win" "$E2E_TMP/after.png"
# The stem of the up arrow is columns 3..6 of the marker: at Left 2 before, at Left 42 after
# (30 points placed back: 30 * 4 / 3 + 2).
before=" $(black_columns "$E2E_TMP/before.png" "$top")"
after=" $(black_columns "$E2E_TMP/after.png" "$top")"
echo "black columns before: $before; after: $after"
case "$before" in *" 5 6 7 8 "*) ;; *) e2e_fail "LeftInd's stem not at columns 5..8 before the drag" ;; esac
case "$after" in *" 45 46 47 48 "*) ;; *) e2e_fail "LeftInd's stem not at columns 45..48 after the drop" ;; esac
case "$after" in *" 5 6 7 8 "*) e2e_fail "LeftInd still at Left 2 after the drop" ;; esac

e2e_key ctrl+s
sleep 0.5
# The following lines at 30 points (600 twips), the first line back at 0.
grep -q '\\li600' "$doc" || e2e_fail "the saved file has no left indent of 600 twips: $(head -c 600 "$doc")"
grep -q '\\fi-600' "$doc" || e2e_fail "the saved file has no first-line indent of -600 twips: $(head -c 600 "$doc")"

# An independent reader sees the indent too.
lo_profile="$E2E_TMP/lo-profile"
(cd "$E2E_TMP" && soffice -env:UserInstallation="file://$lo_profile" --headless --convert-to fodt "$doc" >/dev/null 2>&1) \
    || e2e_fail "LibreOffice could not convert the saved file"
grep -Eq 'fo:margin-left="0\.41[67][0-9]*in"' "$E2E_TMP/indent.fodt" \
    || e2e_fail "LibreOffice reads no 30-point left margin: $(grep -o 'fo:margin-left="[^"]*"' "$E2E_TMP/indent.fodt" | sort -u | tr '\n' ' ')"
echo "PASS format_ruler"
