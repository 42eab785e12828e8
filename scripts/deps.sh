# Sourced by the other scripts: installs the Debian 12 packages that are missing.
# Usage: qs_install_packages build|test

qs_packages_build=(
    cmake ninja-build g++ pkg-config
    # The linker: far faster than the default one on the many test programs.
    lld
    qt6-base-dev qt6-pdf-dev qt6-svg-dev libgl-dev libvulkan-dev
    libsqlite3-dev libgtest-dev libbenchmark-dev
    # The document renderer's sandbox.
    libseccomp-dev
    # Import and export of spreadsheets: zip reading and workbook writing.
    libminizip-dev libxlsxwriter-dev
    # Import of CSV text: the parser of delimited records.
    libcsv-dev
    # Repeating events: RFC 5545 rules read and expanded (brings the libical3 runtime).
    libical-dev
    # The SVG icon engine and image plugins, and the font the screens are drawn with.
    libqt6svg6 fonts-dejavu-core
)
qs_packages_test=(
    xvfb xauth x11-utils dbus dbus-x11 dunst sqlite3 desktop-file-utils appstream
    # A real XEmbed tray and real pointer clicks for the panel icon's end-to-end tests.
    trayer xdotool
    fonts-dejavu-core
    # The checks beyond the compiler (scripts/analyse).
    python3 clang-format clang-tidy clazy
)

qs_install_packages() {
    local wanted=("${qs_packages_build[@]}")
    if [ "${1:-}" = test ]; then
        wanted+=("${qs_packages_test[@]}")
    fi
    local missing=()
    local package
    for package in "${wanted[@]}"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
            missing+=("$package")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=()
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends \
        "${missing[@]}"
}

# Installs packages that only a helper script needs (not the build or the tests).
qs_install_extra() {
    local sudo=()
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "$@"
}
