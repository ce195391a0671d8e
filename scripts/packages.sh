# Sourced by the scripts: installs the Debian packages the build, the tests and the demo need,
# only those missing, so a second run is quick.
mirel_packages=(
    cmake ninja-build g++ pkg-config dpkg-dev file
    qt6-base-dev qt6-webengine-dev qt6-webchannel-dev libgl-dev
    qt6-tools-dev qt6-l10n-tools  # Qt6LinguistTools for CMake, lupdate and lrelease
    qt6-translations-l10n  # Qt's own catalogues, which the program loads and tst_translations reads
    xvfb xauth locales
    lintian  # tst_package holds the .deb to Debian's policy
    xdotool  # e2e tests type and click in the real window (sign-in dialog, keys, zoom)
    openssl libnss3-tools  # tst_loadfailurepage makes server certificates and trusts one of them
    libxml2-utils  # tst_policytemplates checks the Group Policy templates with xmllint
    # The window tests use the display as a person would; the print test prints through a
    # CUPS scheduler of its own and looks at what came out.
    libx11-dev cups-daemon cups-client cups-core-drivers poppler-utils
)

# Only for scripts/test's Windows check, not in the Debian roots.
mirel_windows_check_packages=(g++-mingw-w64-x86-64-posix)

install_missing_packages() {
    local missing=() package
    for package in "${mirel_packages[@]}"; do
        if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
            missing+=("$package")
        fi
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    local sudo=()
    [ "$(id -u)" -ne 0 ] && sudo=(sudo)
    echo "Installing: ${missing[*]}"
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq "${missing[@]}"
}
