#!/usr/bin/env bash
# Installs the peers the flyer benchmark compares with: Debian's Chromium (headless screenshot)
# and wkhtmltoimage. They are benchmark tools only, never dependencies of the program.
set -euo pipefail
missing=()
command -v chromium >/dev/null 2>&1 || missing+=(chromium)
command -v wkhtmltoimage >/dev/null 2>&1 || missing+=(wkhtmltopdf)
[ ${#missing[@]} -eq 0 ] && exit 0
if [ "$(id -u)" -eq 0 ]; then SUDO=(); else SUDO=(sudo); fi
"${SUDO[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${SUDO[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
