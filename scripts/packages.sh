# Debian packages, sourced by run.sh and test.sh.
# Building and running the editor.
KALVERO_RUN_PACKAGES="cmake ninja-build g++ pkg-config qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins libgl-dev libx11-dev libjpeg-dev libuchardet-dev fonts-noto-core"
# Everything the tests need on top: GoogleTest and Google Benchmark, an X server with a window manager,
# xdotool and xclip for the end-to-end runs, setxkbmap for the keyboard-layout run, pdftotext for the
# printing tests, LibreOffice as the independent RTF reader and writer, clang for the fuzz target,
# the validators of the installed desktop entry and AppStream file, dpkg-dev (dpkg-shlibdeps) for
# cpack -G DEB, util-linux (unshare) and file for the install and package runs.
KALVERO_TEST_PACKAGES="$KALVERO_RUN_PACKAGES libgtest-dev libbenchmark-dev xvfb xauth openbox xdotool xclip x11-xkb-utils x11-utils x11-apps imagemagick poppler-utils libreoffice-writer-nogui clang libclang-rt-14-dev pandoc desktop-file-utils appstream dpkg-dev util-linux file"

# Installs the packages that are missing. As root it runs apt-get; otherwise it prints the line to run.
kalvero_install_missing() {
    local missing=() p
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    if [ "$(id -u)" -eq 0 ]; then
        echo "Installing: ${missing[*]}"
        export DEBIAN_FRONTEND=noninteractive
        apt-get update -qq && apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
    else
        echo "These Debian packages are missing. Install them with:" >&2
        echo "  sudo apt-get install -y ${missing[*]}" >&2
        return 1
    fi
}
