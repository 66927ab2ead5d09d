#!/usr/bin/env bash
# Validates the installed menu entry and AppStream metadata, checks that every icon they name is
# installed, and that the installed program finds its libraries where the system's loader looks by
# itself, with no run path of its own. Usage: check_metadata.sh WORK_DIR APP_ID
set -euo pipefail
share=$1/stage/share
id=$2
desktop-file-validate "$share/applications/$id.desktop"
appstreamcli validate --no-net "$share/metainfo/$id.metainfo.xml"
grep -qx "Icon=$id" "$share/applications/$id.desktop"
for size in 16x16 32x32 64x64 128x128; do
    test -s "$share/icons/hicolor/$size/apps/$id.png"
done
test -s "$share/icons/hicolor/scalable/apps/$id.svg"
test -s "$share/man/man6/scherzetto.6.gz"
if readelf -d "$1/stage/games/scherzetto" | grep -E 'R(UN)?PATH'; then
    echo "the installed program has a run path" >&2
    exit 1
fi
echo "1 passed, 0 failed"
