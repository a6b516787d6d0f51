# SPDX-License-Identifier: GPL-3.0-or-later
# Sourced by setup.sh: the Windows build made on this Linux machine with MinGW-w64 and a static Qt
# for Windows, its installer, and its tests under Wine.
#   QT_WINDOWS_PREFIX   a static Qt for Windows, unpacked or built (lib/cmake/Qt6 in it)
#   QT_WINDOWS_ARCHIVE  the same packed (default: ../shared/windows/, where CI puts it); it is
#                       unpacked once into the cache folder below
# Without either, `./setup.sh windows` builds the Qt from Debian's source package qt6-base into the
# cache folder, once (about 21 minutes on 2 cores).
windows_qt_cache=${XDG_CACHE_HOME:-$HOME/.cache}/talvor-tester
windows_qt_name=qt6.4.2-windows-x86_64-mingw-static
windows_qt_default_archive=../shared/windows/$windows_qt_name.tar.xz

# Prints the prefix of a static Qt for Windows that is at hand (unpacking the archive once), or
# nothing.
find_windows_qt() {
    local archive=${QT_WINDOWS_ARCHIVE:-$windows_qt_default_archive}
    local unpacked=$windows_qt_cache/archive/qt6-windows-x86_64-static
    local built=$windows_qt_cache/$windows_qt_name
    if [ -n "${QT_WINDOWS_PREFIX:-}" ]; then
        [ -f "$QT_WINDOWS_PREFIX/bin/qt-cmake" ] || {
            echo "QT_WINDOWS_PREFIX=$QT_WINDOWS_PREFIX holds no Qt (bin/qt-cmake)" >&2
            return 1
        }
        echo "$QT_WINDOWS_PREFIX"
    elif [ -f "$built/bin/qt-cmake" ]; then
        echo "$built"
    elif [ -f "$archive" ]; then
        if [ ! -f "$unpacked/bin/qt-cmake" ] || [ "$archive" -nt "$unpacked/bin/qt-cmake" ]; then
            rm -rf "$windows_qt_cache/archive"
            mkdir -p "$windows_qt_cache/archive"
            tar -xJf "$archive" -C "$windows_qt_cache/archive"
            touch "$unpacked/bin/qt-cmake"
        fi
        echo "$unpacked"
    fi
}

# The static Qt for Windows from Debian's own source package, the version of the Linux build:
# Core, Gui, Widgets and Test with the windows, offscreen and minimal platforms.
build_windows_qt() {
    local prefix=$windows_qt_cache/$windows_qt_name
    local work=$windows_qt_cache/qt-source
    install_missing "${base_packages[@]}" "${windows_packages[@]}" \
        "${windows_qt_source_packages[@]}"
    local sources=/etc/apt/sources.list.d/talvor-deb-src.sources
    if [ ! -f "$sources" ]; then
        [ "$(id -u)" -eq 0 ] || {
            echo "Building Qt for Windows needs Debian's source packages: run as root." >&2
            exit 1
        }
        sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources >"$sources"
        apt-get update
    fi
    rm -rf "$work"
    mkdir -p "$work/build"
    (cd "$work" && apt-get source qt6-base)
    windows_toolchain >"$work/mingw-w64-x86_64-posix.cmake"
    (
        cd "$work/build"
        ../qt6-base-*/configure -prefix "$prefix" -release -static -static-runtime \
            -xplatform win32-g++ -qt-host-path /usr -nomake examples -nomake tests \
            -no-opengl -no-dbus -no-icu -no-direct2d -no-feature-directwrite3 \
            -no-feature-network -no-feature-sql -no-feature-xml -no-feature-concurrent \
            -no-feature-printsupport -no-feature-tabletevent -no-feature-androiddeployqt \
            -qt-zlib -qt-pcre -qt-libpng -no-libjpeg -qt-doubleconversion \
            -- -DCMAKE_TOOLCHAIN_FILE="$work/mingw-w64-x86_64-posix.cmake" \
            -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake
        cmake --build . --parallel "$(nproc)"
        cmake --install .
    )
    # So that the folder works wherever it is: the toolchain beside Qt's own, found from there.
    cp "$work/mingw-w64-x86_64-posix.cmake" "$prefix/lib/cmake/Qt6/"
    sed -i 's|^set(__qt_initially_configured_toolchain_file .*|set(__qt_initially_configured_toolchain_file "${CMAKE_CURRENT_LIST_DIR}/mingw-w64-x86_64-posix.cmake")|' \
        "$prefix/lib/cmake/Qt6/qt.toolchain.cmake"
    rm -rf "$work"
}

windows_toolchain() {
    cat <<'TOOLCHAIN'
# Cross toolchain: Debian 12 mingw-w64 (posix threads flavour) -> x86_64 Windows
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TOOLCHAIN_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER   /usr/bin/${TOOLCHAIN_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER /usr/bin/${TOOLCHAIN_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER  /usr/bin/${TOOLCHAIN_PREFIX}-windres)
set(CMAKE_AR           /usr/bin/${TOOLCHAIN_PREFIX}-gcc-ar-posix)
set(CMAKE_RANLIB       /usr/bin/${TOOLCHAIN_PREFIX}-gcc-ranlib-posix)
set(CMAKE_FIND_ROOT_PATH /usr/${TOOLCHAIN_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
TOOLCHAIN
}

# build_windows QT_PREFIX: talvor-tester.exe, the installer and the zip in build-windows/, and
# the component's test; the installer's test takes the device simulator from build/.
build_windows() {
    install_missing "${base_packages[@]}" "${windows_packages[@]}"
    "$1/bin/qt-cmake" -S . -B build-windows -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DTALVOR_SIM="$PWD/build/talvor-sim" >/dev/null
    cmake --build build-windows -j"$(nproc)"
}

# `./setup.sh windows`
windows_command() {
    local qt
    qt=$(find_windows_qt)
    if [ -z "$qt" ]; then
        build_windows_qt
        qt=$(find_windows_qt)
    fi
    build_windows "$qt"
    ls -l build-windows/Talvor-Tester-*-setup.exe build-windows/Talvor-Tester-*.zip
}

# The Windows step of `./setup.sh test`: with a Windows Qt at hand, builds the Windows program and
# runs its tests under Wine (build/ must hold the Linux build's talvor-sim); without, says so.
test_windows() {
    local qt
    qt=$(find_windows_qt)
    if [ -z "$qt" ]; then
        echo "Windows tests skipped: no Qt for Windows at hand. Run ./setup.sh windows (or set"
        echo "QT_WINDOWS_ARCHIVE or QT_WINDOWS_PREFIX), then ./setup.sh test again."
        return 0
    fi
    install_missing "${windows_test_packages[@]}"
    local start=$SECONDS
    build_windows "$qt"
    ctest --test-dir build-windows --output-on-failure
    echo "Windows build and tests under Wine: $((SECONDS - start)) s"
}
