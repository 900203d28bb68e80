#!/usr/bin/env bash
# Runs one test with a fresh HOME and XDG folders, so no test sees the user's real settings or files.
set -u
root=$(mktemp -d "${TMPDIR:-/tmp}/listora-test.XXXXXX")
trap 'rm -rf "$root"' EXIT
export HOME="$root/home"
export XDG_CONFIG_HOME="$HOME/.config" XDG_DATA_HOME="$HOME/.local/share" XDG_CACHE_HOME="$HOME/.cache"
export XDG_RUNTIME_DIR="$root/run"
mkdir -p "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_CACHE_HOME" "$HOME/Documents" "$HOME/Pictures"
mkdir -m 700 -p "$XDG_RUNTIME_DIR"
export TMPDIR="$root"
"$@"
