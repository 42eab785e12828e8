#!/usr/bin/env bash
# check-no-symbols.sh FILE... -- CLASS...: fails when a binary or library defines a member of
# any of the classes (the tests' stand-ins must stay out of what the program links).
set -euo pipefail
files=()
while [ "$1" != "--" ]; do
    files+=("$1")
    shift
done
shift
status=0
for file in "${files[@]}"; do
    symbols=$(nm -C --defined-only "$file" 2>/dev/null | grep -v ':$' || true)
    if [ -z "$symbols" ]; then
        echo "$file: no symbols to read; the check would see nothing"
        status=1
        continue
    fi
    for class in "$@"; do
        if grep -q "[^A-Za-z_]$class::" <<<"$symbols"; then
            echo "$(basename "$file"): defines members of $class"
            status=1
        fi
    done
done
exit $status
