#!/usr/bin/env bash
# Fails when a probe for a core library depends on Qt Widgets, Gui or D-Bus.
# --allow-dbus: the probes that follow may depend on D-Bus (a library that schedules reminders
# on the agent), never on Widgets or Gui.
set -euo pipefail
status=0
banned_libraries=(libQt6Widgets libQt6Gui libQt6DBus)
if [ "${1:-}" = --allow-dbus ]; then
    banned_libraries=(libQt6Widgets libQt6Gui)
    shift
fi
for probe in "$@"; do
    needed=$(readelf -d "$probe" | sed -n 's/.*Shared library: \[\(.*\)\]/\1/p')
    if ! grep -q 'libQt6Core' <<<"$needed"; then
        echo "$probe: no Qt Core in its dynamic section; the probe does not show its links"
        status=1
    fi
    for banned in "${banned_libraries[@]}"; do
        if grep -q "$banned" <<<"$needed"; then
            echo "$(basename "$probe"): links $banned"
            status=1
        fi
    done
done
exit $status
