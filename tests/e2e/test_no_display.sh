#!/usr/bin/env bash
# Started where no display can be opened (none set, or one that does not answer), the program
# says so in one line on standard error and exits with status 1: no abort, no core dump.
set -u
program=$1
failed=0
for display in unset :99999; do
    if [[ $display == unset ]]; then
        errors=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$program" 2>&1 >/dev/null)
    else
        errors=$(env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM DISPLAY="$display" "$program" 2>&1 >/dev/null)
    fi
    status=$?
    lines=$(printf '%s\n' "$errors" | grep -c .)
    if [[ $status -ne 1 || $lines -ne 1 || $errors != *"nessuno schermo disponibile"* ]]; then
        echo "FAIL: display $display: status $status, standard error:"
        printf '%s\n' "$errors"
        failed=1
    fi
done
echo "$((1 - failed)) passed, $failed failed"
exit $failed
