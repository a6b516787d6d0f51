# SPDX-License-Identifier: GPL-3.0-or-later
# Sourced by the scripts that build this project: installs the Debian packages they need.
# install_missing PACKAGE...: as root, installs those not installed yet; as another user, prints
# the apt-get line to run first and stops.
install_missing() {
    local missing=()
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" \
            || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    if [ "$(id -u)" -ne 0 ]; then
        echo "Missing packages. Install them as root, then run this command again:" >&2
        echo "  sudo apt-get install -y ${missing[*]}" >&2
        exit 1
    fi
    apt-get update
    DEBIAN_FRONTEND=noninteractive apt-get install -y "${missing[@]}"
}

# The packages that every build of this project needs.
base_packages=(cmake g++ make qt6-base-dev qt6-base-private-dev qt6-serialport-dev qt6-translations-l10n libgl-dev
    fonts-liberation2 librsvg2-bin)
# What CPack needs for the Debian package (dpkg-shlibdeps, file), and what the packaging tests
# check it with.
package_packages=(dpkg-dev file)
package_test_packages=(desktop-file-utils appstream lintian mandoc man-db xvfb python3-xlib cmark)
# The report tests read the PDF back with pdftotext and pdfinfo.
report_test_packages=(poppler-utils)
# The Windows build made here (tools/windows.sh): the cross compiler, the installer's tools and the
# .ico maker; what its tests under Wine drive the program with; and what building the static Qt for
# Windows from Debian's source package needs beyond the Linux build's packages.
windows_packages=(g++-mingw-w64-x86-64-posix ninja-build nsis icoutils)
windows_test_packages=(wine64 xvfb xdotool imagemagick python3-xlib)
windows_qt_source_packages=(dpkg-dev perl python3)
