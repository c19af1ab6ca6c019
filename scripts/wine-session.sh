#!/usr/bin/env bash
# Runs a command in a Wine session: a prefix (made fresh with --fresh), a persistent wineserver for the
# command's length, and the test drive T: mapped to a folder when one is given.
# Usage: scripts/wine-session.sh [--fresh] PREFIX [TEST_DRIVE_FOLDER] -- COMMAND...
# Windows are made on $DISPLAY: run it under xvfb-run where there is no display.
set -euo pipefail

fresh=0
if [[ "${1:-}" == "--fresh" ]]; then
    fresh=1
    shift
fi
prefix=$(realpath -m "$1") # Wine takes only an absolute prefix
shift
drive=""
if [[ "${1:-}" != "--" ]]; then
    drive=$1
    shift
fi
shift # --

export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wine64=/usr/lib/wine/wine64
[[ -x "$wine64" ]] || wine64=wine64
export WINE64=$wine64 # the 64-bit loader, for the command

if [[ $fresh -eq 1 ]]; then
    rm -rf "$prefix"
fi
mkdir -p "$prefix"
wineserver -p
trap 'wineserver -k || true' EXIT
"$wine64" wineboot -i > /dev/null 2>&1
if [[ -n "$drive" ]]; then
    rm -rf "$drive" && mkdir -p "$drive"
    ln -sfn "$drive" "$prefix/dosdevices/t:"
    export PF_TEST_DRIVE=T:
fi
"$@"
