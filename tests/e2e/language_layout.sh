#!/usr/bin/env bash
# Language input in the real window on an X server with two keyboard layouts (de, us): English
# and Coptic step the layout to us, Arabic leaves the user's layout alone; Coptic typing puts
# Coptic letters into the document.
. "$(dirname "$0")/lib.sh"

# A small XKB client: "group" prints the locked group, "lock N" locks group N, "load LAYOUTS
# SYMBOLS" gives the server a keymap with those groups and names them in _XKB_RULES_NAMES as
# setxkbmap does (setxkbmap itself leaves Xvfb's keymap unchanged here).
cat >"$E2E_TMP/xkbgroup.c" <<'C'
#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
int main(int argc, char **argv)
{
    Display *d = XOpenDisplay(NULL);
    if (!d) return 2;
    if (argc > 2 && strcmp(argv[1], "lock") == 0) {
        XkbLockGroup(d, XkbUseCoreKbd, (unsigned)atoi(argv[2]));
    } else if (argc > 3 && strcmp(argv[1], "load") == 0) {
        XkbComponentNamesRec names;
        memset(&names, 0, sizeof names);
        names.keycodes = "evdev+aliases(qwerty)";
        names.types = "complete";
        names.compat = "complete";
        names.symbols = argv[3];
        if (!XkbGetKeyboardByName(d, XkbUseCoreKbd, &names, XkbGBN_AllComponentsMask,
                                  XkbGBN_AllComponentsMask & ~XkbGBN_GeometryMask, True))
            return 4;
        char value[256];
        int length = snprintf(value, sizeof value, "evdev%cpc105%c%s%c,%c%c", 0, 0, argv[2], 0, 0, 0);
        XChangeProperty(d, DefaultRootWindow(d), XInternAtom(d, "_XKB_RULES_NAMES", False), XA_STRING, 8,
                        PropModeReplace, (unsigned char *)value, length);
    } else {
        XkbStateRec state;
        if (XkbGetState(d, XkbUseCoreKbd, &state) != Success) return 3;
        printf("%d\n", state.locked_group);
    }
    XSync(d, False);
    XCloseDisplay(d);
    return 0;
}
C
cc -o "$E2E_TMP/xkbgroup" "$E2E_TMP/xkbgroup.c" -lX11 || e2e_fail "could not build the XKB probe"
group() { "$E2E_TMP/xkbgroup" group; }

e2e_start_x
"$E2E_TMP/xkbgroup" load de,us "pc+de+us:2+inet(evdev)" || e2e_fail "the X server took no de,us keymap"
e2e_assert_eq "$(group)" "0" "group before the editor starts (de)"

e2e_start_kalvero
win=$(e2e_wait_window "Kalvero") || e2e_fail "the main window did not appear"
e2e_focus "$win"
# English is active at start: the first refresh already stepped to us.
e2e_assert_eq "$(group)" "1" "group in English mode"

# Arabic: the layout the user picks stays, through typing and caret moves.
e2e_key ctrl+2
"$E2E_TMP/xkbgroup" lock 0
sleep 0.2
e2e_type "ab"
e2e_key Left Right Home End
e2e_assert_eq "$(group)" "0" "group in Arabic mode after typing and caret moves"

# Coptic: switching steps to us at once.
e2e_key ctrl+3
e2e_assert_eq "$(group)" "1" "group right after switching to Coptic"

# Typed in Coptic: the letters of the shipped map go in.
e2e_key ctrl+a Delete
e2e_type "abc"
e2e_key ctrl+a ctrl+c
expected=$(grep -P '^a\t|^b\t|^c\t' "$E2E_MAP" | head -n 3 | cut -f3 | tr -d '\n')
[ -n "$expected" ] || e2e_fail "the shipped map has no a, b, c entries"
e2e_assert_eq "$(e2e_clipboard)" "$expected" "text typed in Coptic mode"

# A caret move in Coptic with another layout chosen steps back to us.
"$E2E_TMP/xkbgroup" lock 0
sleep 0.2
e2e_key Left
e2e_assert_eq "$(group)" "1" "group after a caret move in Coptic mode"
echo "PASS language_layout"
