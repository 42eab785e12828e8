#!/usr/bin/env bash
# Fails when a source folder includes a folder above it. Each folder may include its own and
# those of a lower rank; folders of the same rank never include each other.
set -euo pipefail
src=$1
declare -A rank=(
    [platform]=0 [renderer]=0 [store]=1 [model]=2 [reminders]=3 [agent]=3 [documents]=3 [backup]=3 [ui]=4
    [transfer]=4 [calendar]=4 [report]=5 [categories]=5 [policies]=6 [agenda]=6 [contacts]=6 [importexport]=6
    [recovery]=6
    [app]=7
)
status=0
for dir in "$src"/*/; do
    folder=$(basename "$dir")
    own=${rank[$folder]:-}
    if [ -z "$own" ]; then
        echo "$folder: a folder with no rank; give it one here"
        status=1
        continue
    fi
    while IFS=: read -r file line target; do
        included=${target%%/*}
        [ "$included" = "$folder" ] && continue
        theirs=${rank[$included]:-}
        if [ -z "$theirs" ] || [ "$theirs" -ge "$own" ]; then
            echo "${file#"$src"/}:$line includes $target"
            status=1
        fi
    done < <(grep -rnoP '^#include "\K[^"]+/[^"]+' "$dir" || true)
done
exit $status
