#!/usr/bin/env bash
# Installs every Debian package that building, running and testing Listora needs, and makes the
# Tahoma face from Wine's fonts visible to fontconfig. Safe to run again: it only adds what is missing.
set -euo pipefail

packages=(
    # build
    cmake ninja-build g++ pkg-config git ccache
    qt6-base-dev qt6-base-dev-tools qt6-webengine-dev qt6-webengine-dev-tools libqt6webenginecore6-bin
    qt6-pdf-dev qt6-image-formats-plugins libqt6svg6 libgl-dev libfontconfig-dev libfreetype-dev libjpeg-dev
    libjpeg62-turbo-dev libturbojpeg0-dev libqrencode-dev libqpdf-dev
    # fuzzing
    clang libclang-rt-14-dev
    # running: fonts of the flyers, the mail hand-off
    fontconfig fonts-dejavu-core fonts-liberation fonts-liberation2 fonts-crosextra-carlito
    fonts-crosextra-caladea fonts-wine xdg-utils
    # tests with real parts: display, printing, PDF and picture checks
    xvfb xauth x11-utils xdotool imagemagick qpdf poppler-utils cups printer-driver-cups-pdf libjpeg-turbo-progs
    fonts-urw-base35 zbar-tools
    # TrueType copies of the URW faces, made by the build (the page engine embeds no CFF font)
    fontforge-nox
    # a test run as root renders once more as an ordinary user (setpriv, unshare)
    util-linux
    # every file written under a comma-decimal locale (de_DE.UTF-8) as under C
    locales-all
    # desktop integration checks of the installed tree
    desktop-file-utils appstream
    # the Debian package: making it, checking it
    dpkg-dev lintian
)

if [ "$(id -u)" -eq 0 ]; then
    SUDO=()
else
    SUDO=(sudo)
fi

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    "${SUDO[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${SUDO[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# Only Wine's Tahoma: its whole folder would bring a "Symbol" face that takes over other requests.
if [ "$(id -u)" -eq 0 ]; then
    fontdir=/usr/local/share/fonts/listora-tahoma
else
    fontdir="$HOME/.local/share/fonts/listora-tahoma"
fi
wine_fonts=/usr/share/wine/fonts
changed=0
for face in tahoma.ttf tahomabd.ttf; do
    if [ -f "$wine_fonts/$face" ] && [ ! -e "$fontdir/$face" ]; then
        "${SUDO[@]}" mkdir -p "$fontdir"
        "${SUDO[@]}" ln -sf "$wine_fonts/$face" "$fontdir/$face"
        changed=1
    fi
done
if [ $changed -eq 1 ]; then
    "${SUDO[@]}" fc-cache -f "$fontdir" >/dev/null
fi
