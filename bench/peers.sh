#!/usr/bin/env bash
# Side-by-side timing of Varnix and its peers (pandas, DuckDB) on the same
# generated data, in one run on this machine: only ratios measured together
# mean anything on a shared, noisy machine.
#
# usage: bench/peers.sh [JOB ...]     jobs: read j1 json xml (default: all)
# Environment: BENCH_DATA (default /tmp/varnix-bench-data), RUNS (default 3),
#              BUILD_DIR (default build), SHARED (default ../shared beside the repo).
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
shared=${SHARED:-$repo/../shared}
peers=$shared/bench-peers
data=${BENCH_DATA:-/tmp/varnix-bench-data}
runs=${RUNS:-3}
PY=${PY:-/usr/bin/python3} # the interpreter that has Debian's pandas
build=$repo/${BUILD_DIR:-build}
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

install_peers() {
  local missing=()
  dpkg-query -W -f='${Status}' python3-pandas 2>/dev/null | grep -q "ok installed" || missing+=(python3-pandas)
  [ -x /usr/bin/time ] || missing+=(time)
  if [ ${#missing[@]} -gt 0 ]; then
    local sudo=""; [ "$(id -u)" -ne 0 ] && sudo=sudo
    $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
  fi
  export DUCKDB_NODE_DIR=$build/peers/duckdb
  if [ ! -d "$DUCKDB_NODE_DIR/node_modules/@duckdb/node-api" ]; then
    mkdir -p "$DUCKDB_NODE_DIR"
    (cd "$DUCKDB_NODE_DIR" && npm install --silent @duckdb/node-api >/dev/null)
  fi
}

make_data() {
  if [ ! -s "$data/people_1m.csv" ]; then
    mkdir -p "$data"
    python3 "$peers/gen.py" "$data" >/dev/null
  fi
}

# Median wall seconds and peak MiB of RUNS runs of a command: "<seconds> <MiB>".
measure() {
  local results=()
  for _ in $(seq "$runs"); do
    /usr/bin/time -f "%e %M" -o "$out/time.txt" "$@" >/dev/null 2>"$out/stderr.txt" \
      || { echo "failed: $*" >&2; cat "$out/stderr.txt" >&2; echo "nan nan"; return; }
    results+=("$(cat "$out/time.txt")")
  done
  printf '%s\n' "${results[@]}" | sort -n | awk -v n="$runs" 'NR == int((n + 1) / 2) { printf "%.2f %.0f\n", $1, $2 / 1024 }'
}

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0 && a == a + 0) printf "%.2f", a / b; else print "-" }'; }

report() {
  local job=$1 varnix=$2 pandas=$3 duck=$4
  read -r vs vm <<<"$varnix"; read -r ps pm <<<"$pandas"; read -r ds dm <<<"$duck"
  printf '%-6s varnix %6ss %6sMiB | pandas %6ss %6sMiB | duckdb %6ss %6sMiB | time x pandas %s x duckdb %s | memory x pandas %s x duckdb %s\n' \
    "$job" "$vs" "$vm" "$ps" "$pm" "$ds" "$dm" "$(ratio "$vs" "$ps")" "$(ratio "$vs" "$ds")" \
    "$(ratio "$vm" "$pm")" "$(ratio "$vm" "$dm")"
}

run_job() {
  local people=$data/people_1m.csv cities=$data/cities.csv
  mkdir -p "$out/varnix" "$out/pandas" "$out/duckdb"
  case $1 in
    read)
      report read "$(measure "$build/bench/varnix_job" read "$people")" \
        "$(measure "$PY" "$repo/bench/peers/pandas_read.py" "$people")" \
        "$(measure node "$peers/duckdb/run.mjs" "$repo/bench/peers/duckdb_read.sql" "$people" "$cities" "$out/duckdb")" ;;
    j1)
      report j1 "$(measure "$build/bench/varnix_job" copy "$people" "$out/varnix/j1_copy.csv")" \
        "$(measure "$PY" "$peers/pandas/j1_copy.py" "$people" "$out/pandas")" \
        "$(measure node "$peers/duckdb/run.mjs" "$peers/duckdb/j1_copy.sql" "$people" "$cities" "$out/duckdb")"
      # The same rows as the reference peer, by the peers' own checker.
      "$PY" "$peers/check_outputs.py" "$out" pandas varnix | grep '^j1_copy' || true ;;
    json|xml)
      # No peer writes these; the figures are for comparison across commits.
      read -r ws wm <<<"$(measure "$build/bench/varnix_job" copy "$people" "$out/varnix/copy.$1")"
      printf '%-6s varnix %6ss %6sMiB (read + write %s)\n' "$1" "$ws" "$wm" "$1" ;;
    *) echo "unknown job $1" >&2; exit 2 ;;
  esac
}

install_peers
make_data
cmake --build "$build" --target varnix_job >/dev/null
jobs=("$@"); [ ${#jobs[@]} -eq 0 ] && jobs=(read j1 json xml)
echo "data: $data/people_1m.csv, median of $runs run(s), load $(cut -d' ' -f1-3 /proc/loadavg)"
for job in "${jobs[@]}"; do run_job "$job"; done
