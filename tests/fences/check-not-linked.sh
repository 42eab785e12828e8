#!/usr/bin/env bash
# Fails when a binary depends on any of the libraries named after it (by the start of their
# file names, "libQt6Pdf" for instance).
set -euo pipefail
binary=$1
shift
needed=$(readelf -d "$binary" | sed -n 's/.*Shared library: \[\(.*\)\]/\1/p')
if ! grep -q 'libQt6Core' <<<"$needed"; then
    echo "$binary: no Qt Core in its dynamic section; it does not show its links"
    exit 1
fi
status=0
for banned in "$@"; do
    if grep -q "^$banned" <<<"$needed"; then
        echo "$(basename "$binary"): links $banned"
        status=1
    fi
done
exit $status
