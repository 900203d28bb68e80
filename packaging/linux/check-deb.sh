#!/usr/bin/env bash
# Checks a built Listora package as a user would meet it: its control data and contents, lintian,
# and the programs unpacked into a scratch root, where listora-cli must find its data and its
# renderer and render a flyer.
# Usage: check-deb.sh PACKAGE.deb
set -euo pipefail
deb=${1:?usage: check-deb.sh PACKAGE.deb}
[ -f "$deb" ] || { echo "check-deb: no package at $deb" >&2; exit 1; }
deb=$(realpath "$deb")
failures=0
fail() { echo "check-deb: $*" >&2; failures=$((failures + 1)); }

scratch=$(mktemp -d "${TMPDIR:-/tmp}/listora-deb.XXXXXX")
trap 'rm -rf "$scratch"' EXIT

field() { dpkg-deb --field "$deb" "$1"; }
[ "$(field Package)" = listora ] || fail "package name is '$(field Package)'"
[ "$(field Architecture)" = amd64 ] || fail "architecture is '$(field Architecture)'"
version=$(field Version)
[ "$(basename "$deb")" = "listora_${version}_amd64.deb" ] || fail "file name $(basename "$deb") does not name version $version"
depends=$(field Depends)
# The libraries come from dpkg-shlibdeps, the fonts and xdg-utils from the package's own list.
for need in libqt6webenginecore6 libqt6widgets6 libc6 fonts-liberation2 fonts-wine xdg-utils; do
    grep -q "\b$need\b" <<<"$depends" || fail "Depends lacks $need: $depends"
done

contents=$(dpkg-deb --contents "$deb" | awk '{print $6}')
app_id=example.tarnwick.Listora
for path in ./usr/bin/listora ./usr/bin/listora-cli ./usr/libexec/listora/listora-render-worker \
    ./usr/share/listora/Themes/Themes.ini ./usr/share/listora/Samples/qim.htm ./usr/share/listora/_blank.gif \
    ./usr/share/listora/Help/index.htm ./usr/share/applications/$app_id.desktop \
    ./usr/share/metainfo/$app_id.metainfo.xml ./usr/share/mime/packages/$app_id.xml \
    ./usr/share/icons/hicolor/48x48/apps/$app_id.png \
    ./usr/share/icons/hicolor/48x48/mimetypes/application-x-listora-project.png \
    ./usr/share/doc/listora/copyright ./usr/share/doc/listora/changelog.gz ./usr/share/man/man1/listora.1.gz \
    ./usr/share/man/man1/listora-cli.1.gz; do
    grep -qxF "$path" <<<"$contents" || fail "the package lacks $path"
done
if grep -v '^\./usr/' <<<"$contents" | grep -qv '^\./$'; then
    fail "files outside /usr: $(grep -v '^\./usr/' <<<"$contents" | grep -v '^\./$' | head -5 | tr '\n' ' ')"
fi

# Errors fail; warnings are shown for whoever reads the log.
if ! lintian --fail-on error --tag-display-limit 0 "$deb" >"$scratch/lintian.log" 2>&1; then
    fail "lintian reports errors"
fi
grep -v '^running with root privileges' "$scratch/lintian.log" >&2 || true

root="$scratch/root"
dpkg-deb -x "$deb" "$root"
desktop="$root/usr/share/applications/$app_id.desktop"
desktop-file-validate "$desktop" || fail "desktop-file-validate rejects $desktop"
grep -qx 'Exec=listora %f' "$desktop" || fail "the menu entry does not hand the program a file"
grep -qx 'MimeType=application/x-listora-project;' "$desktop" || fail "the menu entry names no project type"
grep -q 'pattern="\*\.lso"' "$root/usr/share/mime/packages/$app_id.xml" || fail "the project type has no *.lso glob"

# A user's own environment: nothing of the build tree, a home of its own, no display.
home="$scratch/home"
mkdir -p "$home/Documents" "$home/Pictures" "$scratch/run"
chmod 700 "$scratch/run"
run() {
    env -u LISTORA_DATA_DIR -u LISTORA_BIN_DIR -u LISTORA_SOURCE_DIR -u DISPLAY -u WAYLAND_DISPLAY \
        -u QT_QPA_PLATFORM HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_DATA_HOME="$home/.local/share" \
        XDG_CACHE_HOME="$home/.cache" XDG_RUNTIME_DIR="$scratch/run" LANG=C.UTF-8 LC_ALL=C.UTF-8 "$@"
}
cli="$root/usr/bin/listora-cli"
if ! run "$cli" --version >"$scratch/version.txt" 2>&1; then
    fail "the unpacked listora-cli does not run: $(cat "$scratch/version.txt")"
fi
run "$cli" settings >"$scratch/settings.json" 2>"$scratch/settings.err" || fail "listora-cli settings: $(cat "$scratch/settings.err")"
grep -q "\"Path2Themes\": *\"$root/usr/share/listora/Themes\"" "$scratch/settings.json" ||
    fail "the unpacked listora-cli does not take its themes from the unpacked tree: $(grep Path2Themes "$scratch/settings.json")"
flyer="$scratch/flyer.png"
if run "$cli" render --theme "Simple - KT101" --out "$flyer" 2>"$scratch/render.err"; then
    size=$(identify -format '%wx%h' "$flyer")
    [ "$size" = 816x1056 ] || fail "the flyer is $size, not 816x1056"
    # A blank or single-colour page means the theme, its pictures or the fonts were not found.
    colours=$(convert "$flyer" -format '%k' info:)
    [ "$colours" -gt 500 ] || fail "the flyer shows only $colours colours"
else
    fail "the unpacked listora-cli cannot render: $(cat "$scratch/render.err")"
fi

if [ $failures -ne 0 ]; then
    echo "check-deb: $failures problem(s) with $deb" >&2
    exit 1
fi
echo "check-deb: $(basename "$deb") is sound"
