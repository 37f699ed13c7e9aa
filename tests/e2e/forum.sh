#!/usr/bin/env bash
# Copy for Forum from the Edit menu puts the document's markup on the X clipboard.
. "$(dirname "$0")/lib.sh"

doc="$E2E_TMP/forum.rtf"
# Centred, Arial 14 pt, red "ab" in bold, then a second paragraph aligned left in automatic colour.
printf '%s' '{\rtf1\ansi\deff0{\fonttbl{\f0\fnil Arial;}}{\colortbl ;\red255\green0\blue0;}\pard\qc\f0\fs28\cf1\b ab\par\pard\cf0\b0 c}' >"$doc"

e2e_start_x
e2e_start_kalvero "$doc"
win=$(e2e_wait_window "forum.rtf - Kalvero") || e2e_fail "the window did not appear"
e2e_focus "$win"
# Right after loading, Undo, Cut, Copy and Paste are disabled (fresh X server: empty clipboard), so the
# Edit menu opened from the keyboard highlights "Copy for Forum", its first enabled item.
e2e_key alt+e
e2e_key Return
sleep 0.5
expected='[center][font=Arial][size=14pt][color=Red]<b>ab</b>[/color][/size][/font][/center][left][font=Arial][size=14pt][color=WindowText]<b></b><br>c'
e2e_assert_eq "$(e2e_clipboard)" "$expected" "forum markup on the clipboard"
echo "PASS forum"
