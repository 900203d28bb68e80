#!/usr/bin/env bash
# Builds the Debian package exactly as the README says and checks it (packaging/linux/check-deb.sh).
set -euo pipefail
cd "$(dirname "$0")/../.."
rm -f build-release/listora_*_amd64.deb
cmake --preset release >/dev/null
cmake --build --preset release -j 2 --target package
packages=(build-release/listora_*_amd64.deb)
if [ ${#packages[@]} -ne 1 ] || [ ! -f "${packages[0]}" ]; then
    echo "package: expected one listora_<version>_amd64.deb in build-release, found: ${packages[*]}" >&2
    exit 1
fi
bash packaging/linux/check-deb.sh "${packages[0]}"
