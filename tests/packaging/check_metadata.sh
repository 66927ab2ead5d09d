#!/usr/bin/env bash
# Validates the installed menu entry and AppStream metadata, and checks that every icon they
# name is installed. Usage: check_metadata.sh WORK_DIR APP_ID
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
echo "1 passed, 0 failed"
