#!/bin/sh
# Fails when a source file includes a file of a higher layer. The layers,
# from the ground up; a folder may include its own layer and those below.
set -eu
cd "$(dirname "$0")/.."
rank() {
    case $1 in
    core) echo 1 ;;
    input) echo 2 ;;
    output) echo 3 ;;
    transforms) echo 4 ;;
    graph) echo 5 ;;
    document) echo 6 ;;
    batch | charts) echo 7 ;;
    ui) echo 8 ;;
    *) echo 0 ;;
    esac
}
status=0
for dir in core input output transforms graph document batch charts ui; do
    own=$(rank "$dir")
    for line in $(grep -rHo '#include "[a-z]*/' "$dir" --include='*.cpp' --include='*.h' |
        sed 's/#include "//; s/\/$//' | sort -u); do
        file=${line%%:*}
        target=${line#*:}
        other=$(rank "$target")
        if [ "$other" -gt "$own" ] || { [ "$other" -eq "$own" ] && [ "$target" != "$dir" ]; }; then
            echo "$file includes $target/, a layer above or beside $dir/"
            status=1
        fi
    done
done
[ $status -eq 0 ] && echo "every folder includes only its own layer and those below"
exit $status
