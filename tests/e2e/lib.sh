# Shared helpers of the end-to-end runs: a private X server with a window manager, a copy of the
# real binary in a scratch folder (so settings.opt lands there), and xdotool/xclip wrappers.
# Each script sources this file and calls e2e_start_x, then e2e_start_kalvero.
set -euo pipefail

E2E_BIN="${KALVERO_BIN:?KALVERO_BIN must name the kalvero executable}"
E2E_MAP="${KALVERO_MAP:?KALVERO_MAP must name the shipped map.txt}"
E2E_TMP="$(mktemp -d /tmp/kalvero-e2e.XXXXXX)"
E2E_PIDS=()
# Recovery copies stay in the run's scratch folder, never among the user's.
export XDG_STATE_HOME="$E2E_TMP/state"

e2e_cleanup() {
    local pid
    for pid in "${E2E_PIDS[@]}"; do kill "$pid" 2>/dev/null || true; done
    sleep 0.3
    for pid in "${E2E_PIDS[@]}"; do kill -9 "$pid" 2>/dev/null || true; done
    if [ -z "${E2E_KEEP:-}" ]; then rm -rf "$E2E_TMP"; else echo "kept $E2E_TMP"; fi
}
trap e2e_cleanup EXIT

e2e_fail() {
    echo "FAIL: $*" >&2
    if [ -n "${DISPLAY:-}" ] && command -v import >/dev/null; then
        import -window root "$E2E_TMP/failure.png" 2>/dev/null && echo "screenshot: $E2E_TMP/failure.png" >&2 && E2E_KEEP=1
    fi
    exit 1
}

# Starts Xvfb on a display it picks itself (-displayfd, so runs side by side never share one),
# with openbox so that windows get the keyboard focus. Extra arguments are passed to setxkbmap.
# A server started beside another one starting has been seen to stop answering right after it
# began: a server that is gone or does not answer is started again, up to three times.
e2e_start_x() {
    local fdfile="$E2E_TMP/display" attempt i n pid
    for attempt in 1 2 3; do
        n=""
        : >"$fdfile"
        Xvfb -displayfd 3 -screen 0 1280x900x24 -nolisten tcp 3>"$fdfile" >/dev/null 2>&1 &
        pid=$!
        E2E_PIDS+=("$pid")
        for i in $(seq 100); do
            # The number is complete once its line has ended.
            if [ "$(wc -l <"$fdfile" 2>/dev/null || echo 0)" -ge 1 ]; then
                n=$(tr -dc '0-9' <"$fdfile")
                break
            fi
            kill -0 "$pid" 2>/dev/null || break
            sleep 0.1
        done
        if [ -n "$n" ]; then
            export DISPLAY=":$n"
            for i in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
            sleep 0.2
            kill -0 "$pid" 2>/dev/null && xdpyinfo >/dev/null 2>&1 && break
        fi
        kill "$pid" 2>/dev/null || true
        n=""
    done
    [ -n "$n" ] || e2e_fail "Xvfb did not start (or did not answer) in three attempts"
    if [ $# -gt 0 ]; then setxkbmap "$@"; fi
    openbox >/dev/null 2>&1 &
    E2E_PIDS+=("$!")
    sleep 0.5
}

# Copies the binary into $E2E_TMP/bin, makes $E2E_TMP/work the working directory with map.txt
# (unless E2E_NO_MAP is set) and starts the editor there with the given arguments.
e2e_start_kalvero() {
    mkdir -p "$E2E_TMP/bin" "$E2E_TMP/work"
    cp "$E2E_BIN" "$E2E_TMP/bin/kalvero"
    [ -n "${E2E_NO_MAP:-}" ] || cp "$E2E_MAP" "$E2E_TMP/work/map.txt"
    (cd "$E2E_TMP/work" && exec "$E2E_TMP/bin/kalvero" "$@" >"$E2E_TMP/kalvero.log" 2>&1) &
    E2E_APP_PID=$!
    E2E_PIDS+=("$E2E_APP_PID")
}

# Waits until a window whose name matches the pattern is visible; prints its id.
e2e_wait_window() {
    local pattern="$1" i id
    for i in $(seq 100); do
        id=$(xdotool search --onlyvisible --name "$pattern" 2>/dev/null | head -n 1 || true)
        if [ -n "$id" ]; then echo "$id"; return 0; fi
        sleep 0.1
    done
    return 1
}

e2e_window_name() { xdotool getwindowname "$1" 2>/dev/null || true; }

e2e_focus() { xdotool windowactivate --sync "$1" >/dev/null 2>&1 || xdotool windowfocus --sync "$1"; sleep 0.2; }

e2e_type() { xdotool type --delay 40 "$1"; sleep 0.3; }

e2e_key() { xdotool key --delay 60 "$@"; sleep 0.3; }

# The text of the X clipboard.
e2e_clipboard() { xclip -selection clipboard -o 2>/dev/null || true; }

# Waits for the editor process to end; fails after a few seconds.
e2e_wait_exit() {
    local i
    for i in $(seq 50); do
        kill -0 "$E2E_APP_PID" 2>/dev/null || return 0
        sleep 0.1
    done
    return 1
}

e2e_assert_eq() {
    if [ "$1" != "$2" ]; then e2e_fail "$3: expected [$2], got [$1]"; fi
}
