#!/usr/bin/env bash
# Installs the build into a staging tree and builds the Debian package from it, for the checks
# that follow. Usage: package.sh BUILD_DIR WORK_DIR
set -euo pipefail
build=$1
work=$2
rm -rf "$work"
cmake --install "$build" --prefix "$work/stage"
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/deb"
