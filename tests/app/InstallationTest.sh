#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks what a desktop needs of it: the
# program, its document renderer (beside it, where the program looks) and its reminder agent,
# their desktop entries and D-Bus service files naming what was
# installed, the icon at every size, and metainfo, each accepted by the freedesktop validators.
set -euo pipefail
build=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null

id=org.quintaver.Scheduler
fail=0
check() { if ! "$@"; then echo "FAILED: $*"; fail=1; fi; }

check test -x "$prefix/bin/quintaver-scheduler"
# The renderer starts, closes itself in, says it is ready and ends when its input does.
check test -x "$prefix/bin/quintaver-pdf-renderer"
ready=$("$prefix/bin/quintaver-pdf-renderer" </dev/null | od -An -tu4 -N4 | tr -d ' ') || ready=
check test "$ready" = 100
desktop="$prefix/share/applications/$id.desktop"
service="$prefix/share/dbus-1/services/$id.service"
check test -f "$desktop"
check test -f "$service"
check desktop-file-validate "$desktop"
check grep -qx "Exec=$prefix/bin/quintaver-scheduler" "$desktop"
check grep -qx "DBusActivatable=true" "$desktop"
check grep -qx "X-GNOME-UsesNotifications=true" "$desktop"
check grep -qx "Icon=$id" "$desktop"
check grep -qx "Name=$id" "$service"
check grep -qx "Exec=$prefix/bin/quintaver-scheduler" "$service"
check test -f "$prefix/share/icons/hicolor/scalable/apps/$id.svg"
for size in 16 24 32 48 64 128 256; do
    png="$prefix/share/icons/hicolor/${size}x${size}/apps/$id.png"
    check test -f "$png"
    # A PNG's width and height are the big-endian words at bytes 16 and 20.
    check test "$(od -An -tu1 -j16 -N8 "$png" | awk '{print $3*256+$4 "x" $7*256+$8}')" \
        = "${size}x${size}"
done
# The reminder agent: started by the bus, and at login.
agent_service="$prefix/share/dbus-1/services/$id.Reminders.service"
autostart="$prefix/etc/xdg/autostart/$id.Reminders.desktop"
check test -x "$prefix/bin/quintaver-reminder-agent"
check grep -qx "Exec=$prefix/bin/quintaver-reminder-agent" "$agent_service"
check desktop-file-validate "$autostart"
check grep -qx "Exec=$prefix/bin/quintaver-reminder-agent" "$autostart"
check appstreamcli validate --no-net "$prefix/share/metainfo/$id.metainfo.xml"

if [ "$fail" -ne 0 ]; then
    exit 1
fi
echo "installation into $prefix is complete and valid"
