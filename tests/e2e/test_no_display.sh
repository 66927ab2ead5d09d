#!/usr/bin/env bash
# Started where no display can be opened (none set, or one that does not answer), or where Qt's
# platform plugin is missing, the program says which in one line on standard error and exits with
# status 1: no abort, no core dump.
set -u
program=$1
failed=0

expect() {
    local case=$1 message=$2
    shift 2
    local errors status lines
    errors=$(env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$@" "$program" 2>&1 >/dev/null)
    status=$?
    lines=$(printf '%s\n' "$errors" | grep -c .)
    if [[ $status -ne 1 || $lines -ne 1 || $errors != *"$message"* ]]; then
        echo "FAIL: $case: status $status, standard error:"
        printf '%s\n' "$errors"
        failed=1
    fi
}

expect "no display set" "nessuno schermo disponibile" -u DISPLAY
expect "a display that does not answer" "nessuno schermo disponibile" DISPLAY=:99999
# The platform plugin that a missing qt6-qpa-plugins package would leave Qt without.
expect "no platform plugin" "manca il plugin della piattaforma Qt" DISPLAY=:0 QT_QPA_PLATFORM=missing
echo "$((1 - failed)) passed, $failed failed"
exit $failed
