#!/bin/sh
# Fails when the engine library (the first argument) uses any symbol that one
# of the shared libraries named after it defines.
set -eu
nm=$1
engine=$2
shift 2
used=$(mktemp)
trap 'rm -f "$used"' EXIT
"$nm" --undefined-only --format=just-symbols "$engine" | sort -u >"$used"
status=0
for library in "$@"; do
    # A shared library's symbols carry a version (name@@Qt_5).
    hits=$("$nm" -D --defined-only --format=just-symbols "$library" | sed 's/@.*//' | sort -u |
        comm -12 "$used" -)
    if [ -n "$hits" ]; then
        echo "$engine uses $(echo "$hits" | wc -l) symbol(s) of $library, such as:"
        echo "$hits" | head -10 | c++filt | sed 's/^/  /'
        status=1
    fi
done
[ $status -eq 0 ] && echo "$engine uses no symbol of: $*"
exit $status
