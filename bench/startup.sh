#!/bin/bash
# The command line's start-up overhead: the mean time of "varnix -cli" on a
# document with one Input and one Output of a one-row file, next to the time
# of /bin/true measured the same way in the same run.
set -euo pipefail
program=${1:-build/varnix}
runs=${RUNS:-30}
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
printf 'name,amount\nAda,1\n' >"$dir/one.csv"
cat >"$dir/one.transform" <<DOC
<!DOCTYPE Varnix>
<root><meta><version value="87"/></meta><inputs><input id="1" medium="0" header="1" delimiter="1" path="$dir/one.csv"/></inputs><outputs><output id="2" file_type="0" path="$dir/out.csv" pos="0^200"/></outputs><connections><connection start_id="1" end_id="2"/></connections></root>
DOC

# Mean wall time in milliseconds of running the command $runs times.
mean_ms() {
    local start end
    "$@" >/dev/null 2>&1 # warm the page cache
    start=$(date +%s%N)
    for ((i = 0; i < runs; i++)); do
        "$@" >/dev/null 2>&1
    done
    end=$(date +%s%N)
    awk -v t=$((end - start)) -v n="$runs" 'BEGIN { printf "%.1f", t / n / 1000000 }'
}

"$program" -cli "$dir/one.transform" >/dev/null
[ -s "$dir/out.csv" ] || { echo "startup: the document wrote nothing" >&2; exit 1; }
true_ms=$(mean_ms /bin/true)
cli_ms=$(mean_ms "$program" -cli "$dir/one.transform")
version_ms=$(mean_ms "$program" -version)
echo "command line start-up: $cli_ms ms (one Input, one Output, one row; mean of $runs runs)"
echo "varnix -version: $version_ms ms; /bin/true: $true_ms ms (same run)"
echo "load: $(cut -d' ' -f1-3 /proc/loadavg)"
