#!/usr/bin/env bash
# Side-by-side timing of Varnix and its peers (pandas, DuckDB) on the same
# generated data, in one run on this machine: only ratios measured together
# mean anything on a shared, noisy machine.
#
# usage: bench/peers.sh [JOB ...]     jobs: read readjson j1 j2 j3 j4 j5 j6 j7 j8 json xml xlsx xls record
#                                     firstrows (default: all)
#
# read, json and xml run build/bench/varnix_job (xml beside DuckDB's XML built
# with string functions); j1-j8 run the documents of
# bench/jobs/ through the command line, with their inputs and outputs pointed
# at the data by alias, and then compare the three tools' results with the
# peers' own checker (pandas as the reference); j8 (a JavaScript function
# per row, pandas only) compares its new column with pandas' itself.
# Environment: BENCH_DATA (default /tmp/varnix-bench-data), RUNS (default 3),
#              BENCH_SCALE (default 1: rows in millions; another scale, such as 10,
#              generates its data into BENCH_DATA/scale-N and runs j1-j4 by default;
#              above 10, j1 j6 j5 j2 and firstrows, without pandas, which holds every
#              row in memory; several scales, such as "1,10", run each job at each
#              of them in turn and print how many times each tool's time grew
#              from the first to the last, the jobs being those of the last),
#              BENCH_MEMORY_GB (default: the program's own limit, 4 GB),
#              PANDAS=0 (leaves pandas out, as above ten million rows),
#              DUCKDB_NODE_DIR (default: installed into BUILD_DIR/peers/duckdb),
#              BUILD_DIR (default build), SHARED (default ../shared beside the repo).
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
shared=${SHARED:-$repo/../shared}
peers=$shared/bench-peers
data=${BENCH_DATA:-/tmp/varnix-bench-data}
runs=${RUNS:-3}
# Several scales ("1,10") run each job at every one of them in turn, so that
# a job's growth is measured within minutes rather than across an hour of a
# machine whose speed drifts.
IFS=, read -r -a scales <<<"${BENCH_SCALE:-1}"
for scale in "${scales[@]}"; do
  awk -v s="$scale" 'BEGIN { exit !(s * 1000000 >= 1) }' \
    || { echo "BENCH_SCALE must be positive numbers, separated by commas" >&2; exit 2; }
done
data_root=$data
PY=${PY:-/usr/bin/python3} # the interpreter that has Debian's pandas
build=$repo/${BUILD_DIR:-build}
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
# The command line runs with preferences of its own, not this user's: the
# default memory limit (4 GB) unless BENCH_MEMORY_GB raises it, as a user
# would in Preferences.
mkdir -p "$out/config/Varnix Software"
awk -v m="${BENCH_MEMORY_GB:-}" 'BEGIN { print "[General]"; if (m != "") print "max_memory_usage=" m }' \
  >"$out/config/Varnix Software/Varnix.conf"
# The data, row count and peers of one scale. Other sizes keep their own
# data, so that the default one is not regenerated; pandas holds every row
# in memory (about 40 GB at a hundred million rows).
use_scale() {
  scale=$1
  rows=$(awk -v s="$scale" 'BEGIN { printf "%d", s * 1000000 }')
  data=$data_root
  [ "$scale" = 1 ] || data=$data_root/scale-$scale
  with_pandas=$(awk -v s="$scale" 'BEGIN { print (s > 10) ? "" : 1 }')
  if [ "${PANDAS:-1}" = 0 ]; then with_pandas=; fi
}
use_scale "${scales[-1]}"

install_peers() {
  local missing=()
  dpkg-query -W -f='${Status}' python3-pandas 2>/dev/null | grep -q "ok installed" || missing+=(python3-pandas)
  [ -x /usr/bin/time ] || missing+=(time)
  if [ ${#missing[@]} -gt 0 ]; then
    local sudo=""; [ "$(id -u)" -ne 0 ] && sudo=sudo
    $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
  fi
  export DUCKDB_NODE_DIR=${DUCKDB_NODE_DIR:-$build/peers/duckdb}
  # The workbook jobs and the ones without a DuckDB side need no DuckDB.
  local job needs=""
  for job in "${jobs[@]}"; do
    case $job in xlsx|xls|json|j8|record) ;; *) needs=1 ;; esac
  done
  if [ -n "$needs" ] && [ ! -d "$DUCKDB_NODE_DIR/node_modules/@duckdb/node-api" ]; then
    mkdir -p "$DUCKDB_NODE_DIR"
    (cd "$DUCKDB_NODE_DIR" && npm install --silent @duckdb/node-api >/dev/null)
  fi
}

make_data() {
  if [ ! -s "$data/people_1m.csv" ]; then
    mkdir -p "$data"
    python3 "$peers/gen.py" "$data" --rows "$rows" >/dev/null
  fi
}

# Median wall seconds and peak MiB of RUNS runs of a command: "<seconds> <MiB>",
# or "failed failed" (and the command's messages on stderr) when it fails.
measure() {
  if [ "$1" = "$PY" ] && [ -z "$with_pandas" ]; then echo "- -"; return 0; fi
  local results=()
  for _ in $(seq "$runs"); do
    /usr/bin/time -f "%e %M" -o "$out/time.txt" "$@" >"$out/stdout.txt" 2>"$out/stderr.txt" \
      || { echo "failed: $*" >&2; tail -n 20 "$out/stdout.txt" "$out/stderr.txt" >&2
           echo "failed failed"; return 0; }
    results+=("$(cat "$out/time.txt")")
  done
  printf '%s\n' "${results[@]}" | sort -n | awk -v n="$runs" 'NR == int((n + 1) / 2) { printf "%.2f %.0f\n", $1, $2 / 1024 }'
}

# The runs of the tools beside each other, in turns (one run of each, then
# again), so that a slower or faster spell of a shared machine falls on every
# tool alike rather than on the one measured during it: each tool's median
# (as measure() gives it) into the array "medians", in the order given. The
# commands are separated by ":::"; the first one's last output stays in
# $out/stdout.txt.
measure_turns() {
  local -a cmds=() part=() times=()
  local a i
  for a in "$@" ":::"; do
    if [ "$a" = ":::" ]; then cmds+=("$(printf '%q ' "${part[@]}")"); part=(); else part+=("$a"); fi
  done
  local py; py=$(printf '%q ' "$PY")
  for ((i = 0; i < ${#cmds[@]}; i++)); do
    times[i]=""
    if [ -z "$with_pandas" ] && [ "${cmds[i]#"$py"}" != "${cmds[i]}" ]; then times[i]=skipped; fi
  done
  for _ in $(seq "$runs"); do
    for ((i = 0; i < ${#cmds[@]}; i++)); do
      case ${times[i]} in failed|skipped) continue ;; esac
      if eval "/usr/bin/time -f '%e %M' -o \"\$out/time.txt\" ${cmds[i]}" \
          >"$out/stdout-$i.txt" 2>"$out/stderr-$i.txt"; then
        times[i]+="$(cat "$out/time.txt");"
      else
        echo "failed: ${cmds[i]}" >&2; tail -n 20 "$out/stdout-$i.txt" "$out/stderr-$i.txt" >&2
        times[i]=failed
      fi
    done
  done
  cp "$out/stdout-0.txt" "$out/stdout.txt" 2>/dev/null || true
  medians=()
  for ((i = 0; i < ${#cmds[@]}; i++)); do
    case ${times[i]} in
      failed) medians+=("failed failed") ;;
      skipped) medians+=("- -") ;;
      *) medians+=("$(tr ';' '\n' <<<"${times[i]}" | grep . | sort -n |
           awk -v n="$runs" 'NR == int((n + 1) / 2) { printf "%.2f %.0f\n", $1, $2 / 1024 }')") ;;
    esac
  done
}

ratio() {
  awk -v a="$1" -v b="$2" 'BEGIN { if (a ~ /^[0-9.]+$/ && b ~ /^[0-9.]+$/ && b > 0) printf "%.2f", a / b; else print "-" }'
}

# One tool's figures, or "failed" in their place.
figures() {
  if [ "$1" = failed ] || [ "$1" = - ]; then printf '%15s' "$1"; else printf '%6ss %6sMiB' "$1" "$2"; fi
}

# The bytes of the file a job reads (the people file unless set), for the
# ratio of a tool's peak memory to it.
input_bytes=0
# One job's figures beside the peers': the third peer is DuckDB unless named.
# Each report's seconds by scale, name and tool, for the growth lines.
declare -A seconds=()
reported=()
report() {
  local job=$1 varnix=$2 pandas=$3 third=$4 name=${5:-duckdb}
  read -r vs vm <<<"$varnix"; read -r ps pm <<<"$pandas"; read -r ts tm <<<"$third"
  seconds["$scale|$job|varnix"]=$vs; seconds["$scale|$job|pandas"]=$ps; seconds["$scale|$job|$name"]=$ts
  [[ " ${reported[*]} " == *" $job "* ]] || reported+=("$job")
  printf '%-11s varnix %s | pandas %s | %s %s | time x pandas %s x %s %s | memory x pandas %s x %s %s | peak x file %s\n' \
    "$job" "$(figures "$vs" "$vm")" "$(figures "$ps" "$pm")" "$name" "$(figures "$ts" "$tm")" \
    "$(ratio "$vs" "$ps")" "$name" "$(ratio "$vs" "$ts")" "$(ratio "$vm" "$pm")" "$name" "$(ratio "$vm" "$tm")" \
    "$(ratio "$vm" "$(awk -v b="$input_bytes" 'BEGIN { printf "%.3f", b / 1048576 }')")"
}

# The command line that runs a document of bench/jobs/, into the array
# "cmd"; the rest of the arguments are "alias=path" assignments.
varnix_doc() {
  local doc=$1; shift
  cmd=(env "XDG_CONFIG_HOME=$out/config" "$build/varnix" "$repo/bench/jobs/$doc.transform")
  for a in "$@"; do cmd+=(-file "$a"); done
  cmd+=(-cli -verbosity 2)
}

# The peers' checker over this job's files only (linked into a folder of
# their own, so that it does not read every earlier job's results again): its
# lines for them, then a verdict for the job, since the checker's own closing
# line also counts the other jobs' files as missing.
check_job() {
  local job=$1; shift
  # The checker holds every row of three tools in memory (about 19 GB at ten
  # million rows), so larger runs compare only the row counts.
  if [ "$scale" != 1 ]; then
    local f peer counts
    for f in "$@"; do
      counts=""
      for peer in pandas varnix duckdb; do
        counts+=" $peer $( [ -e "$out/$peer/$f" ] && wc -l <"$out/$peer/$f" || echo missing)"
      done
      echo "  $f lines:$counts (full check at BENCH_SCALE=1)"
    done
    return 0
  fi
  local root=$out/check-$job pattern f peer
  for peer in pandas varnix duckdb; do
    mkdir -p "$root/$peer"
    for f in "$@"; do
      if [ -e "$out/$peer/$f" ]; then ln -sf "$out/$peer/$f" "$root/$peer/$f"; fi
    done
  done
  pattern="^($(printf '%s|' "$@" | sed 's/|$//' | sed 's/\./\\./g')) "
  "$PY" "$peers/check_outputs.py" "$root" pandas varnix duckdb >"$out/check.txt" 2>&1 || true
  grep -E "$pattern" "$out/check.txt" | sed 's/^/  /' || true
  awk -v job="$job" -v pat="$pattern" '$0 ~ pat { if ($0 ~ / same as pandas$/) p++; else f++ }
    END { if (p + f == 0) printf "  %s check: failed (the checker gave no result)\n", job
          else printf "  %s check: %d passed, %d failed%s\n", job, p, f, f ? "" : " (all same as pandas)" }' \
    "$out/check.txt"
}

run_job() {
  local people=$data/people_1m.csv cities=$data/cities.csv
  local o=$out
  input_bytes=$(stat -c %s "$people")
  mkdir -p "$o/varnix" "$o/pandas" "$o/duckdb"
  case $1 in
    read)
      measure_turns "$build/bench/varnix_job" read "$people" \
        ::: "$PY" "$repo/bench/peers/pandas_read.py" "$people" \
        ::: node "$peers/duckdb/run.mjs" "$repo/bench/peers/duckdb_read.sql" "$people" "$cities" "$o/duckdb"
      # The last run's count of the table's bytes per cell (see varnix_job).
      local cell table; cell=$(sed -n 's/^bytes per cell //p' "$out/stdout.txt")
      table=$(sed -n 's/^table bytes per cell //p' "$out/stdout.txt")
      report read "${medians[@]}"
      echo "  read: the table holds ${cell:-?} bytes per cell (its columns ${table:-?})" ;;
    readjson)
      # JSON lines of the same rows as the CSV, then a nested JSON array;
      # the CSV read beside them is the yardstick for the JSON lines read.
      if [ ! -s "$data/people_1m.jsonl" ]; then python3 "$repo/bench/peers/make_json.py" "$data"; fi
      local f
      for f in people_1m.jsonl nested_100k.json; do
        input_bytes=$(stat -c %s "$data/$f")
        measure_turns "$build/bench/varnix_job" read "$data/$f" \
          ::: "$PY" "$repo/bench/peers/pandas_read_json.py" "$data/$f" \
          ::: node "$peers/duckdb/run.mjs" "$repo/bench/peers/duckdb_read_json.sql" "$data/$f" "$cities" "$o/duckdb"
        report "${f%%.*}" "${medians[@]}"
      done ;;
    j1|j2|j3|j5|j6|j7)
      local name; name=$(job_name "$1")
      varnix_doc "$name" "people=$people" "out=$o/varnix/$name.csv"
      measure_turns "${cmd[@]}" ::: "$PY" "$peers/pandas/$name.py" "$people" "$o/pandas" \
        ::: node "$peers/duckdb/run.mjs" "$peers/duckdb/$name.sql" "$people" "$cities" "$o/duckdb"
      report "$1" "${medians[@]}"
      check_job "$1" "$name.csv" ;;
    j4)
      varnix_doc j4_join "people=$people" "cities=$cities" \
        "inner=$o/varnix/j4_inner.csv" "left=$o/varnix/j4_left.csv"
      measure_turns "${cmd[@]}" ::: "$PY" "$peers/pandas/j4_join.py" "$people" "$cities" "$o/pandas" \
        ::: node "$peers/duckdb/run.mjs" "$peers/duckdb/j4_join.sql" "$people" "$cities" "$o/duckdb"
      report j4 "${medians[@]}"
      check_job j4 j4_inner.csv j4_left.csv ;;
    j8)
      # A user's own function per row: JavaScript here, a Python function
      # applied over zip() of the two columns in pandas.
      varnix_doc j8_javascript "people=$people" "out=$o/varnix/j8_javascript.csv"
      local v p
      v=$(measure "${cmd[@]}")
      p=$(measure "$PY" "$repo/bench/peers/pandas_javascript.py" "$people" "$o/pandas")
      read -r vs vm <<<"$v"; read -r ps pm <<<"$p"
      printf '%-6s varnix %s | pandas %s | time x pandas %s | memory x pandas %s | peak x file %s\n' j8 \
        "$(figures "$vs" "$vm")" "$(figures "$ps" "$pm")" "$(ratio "$vs" "$ps")" "$(ratio "$vm" "$pm")" \
        "$(ratio "$vm" "$(awk -v b="$input_bytes" 'BEGIN { printf "%.3f", b / 1048576 }')")"
      check_j8 "$o/varnix/j8_javascript.csv" "$o/pandas/j8_javascript.csv" ;;
    firstrows)
      # How soon the window's data pane gets the first rows of a large file.
      "$build/bench/varnix_job" firstrows "$people" >"$out/stdout.txt" 2>&1 || true
      printf '%-11s %s of a %s MB file\n' firstrows "$(cat "$out/stdout.txt")" "$((input_bytes / 1000000))" ;;
    json)
      # No peer writes this program's JSON; the figures are for comparison across commits.
      read -r ws wm <<<"$(measure "$build/bench/varnix_job" copy "$people" "$o/varnix/copy.json")"
      printf '%-6s varnix %s (read + write json)\n' json "$(figures "$ws" "$wm")" ;;
    xml)
      # DuckDB builds the same XML text with string functions and writes it
      # as one-column CSV without quoting; both files must be the same bytes.
      measure_turns "$build/bench/varnix_job" copy "$people" "$o/varnix/copy.xml" \
        ::: node "$peers/duckdb/run.mjs" "$repo/bench/peers/duckdb_write_xml.sql" "$people" "$cities" "$o/duckdb"
      report "xml write" "${medians[0]}" "- -" "${medians[1]}"
      if cmp -s "$o/varnix/copy.xml" "$o/duckdb/xml_write.xml"; then echo "  xml check: the same bytes as DuckDB's"
      else echo "  xml check: failed (the two files differ)"; fi ;;
    xlsx|xls) workbook_job "$1" ;;
    record)
      # What a run record costs: J1 with and without -record, in this run.
      local name bs bm rs rm; name=$(job_name j1)
      varnix_doc "$name" "people=$people" "out=$o/varnix/$name.csv"
      read -r bs bm <<<"$(measure "${cmd[@]}")"
      cmd+=(-record "$o/varnix/$name.run.json")
      read -r rs rm <<<"$(measure "${cmd[@]}")"
      printf '%-6s j1 %s | j1 -record %s | cost %s\n' record "$(figures "$bs" "$bm")" \
        "$(figures "$rs" "$rm")" "$(awk -v a="$bs" -v b="$rs" 'BEGIN { printf "%+.1f%%", (b - a) * 100 / a }')" ;;
    *) echo "unknown job $1" >&2; exit 2 ;;
  esac
}


# Writing a sheet from CSV, then reading one back. Every tool reads the same
# workbook: for .xlsx the one openpyxl wrote, for .xls LibreOffice's (pandas
# cannot write .xls here).
workbook_job() {
  local ext=$1 rows=100000
  [ "$ext" = xls ] && rows=65000
  local o=$out/$ext
  local csv=$o/people_${rows}.csv
  mkdir -p "$o/varnix" "$o/pandas" "$o/office"
  head -n $((rows + 1)) "$data/people_1m.csv" >"$csv"
  local office=(soffice --headless "-env:UserInstallation=file://$out/office-profile")
  # The first start of an office profile costs far more than later ones.
  if [ ! -d "$out/office-profile" ]; then
    printf 'a\n1\n' >"$o/warm.csv"
    "${office[@]}" --convert-to xlsx --outdir "$o" "$o/warm.csv" >/dev/null 2>&1 || true
  fi
  local pandas_write="- -"
  if [ "$ext" = xlsx ]; then
    pandas_write=$(measure "$PY" "$repo/bench/peers/pandas_excel.py" write "$csv" "$o/pandas/people.xlsx")
  fi
  report "$ext write" "$(measure "$build/bench/varnix_job" copy "$csv" "$o/varnix/people.$ext")" \
    "$pandas_write" \
    "$(measure "${office[@]}" --convert-to "$ext" --outdir "$o/office" "$csv")" libreoffice
  local book=$o/pandas/people.xlsx
  [ "$ext" = xls ] && book=$o/office/people_${rows}.xls
  local pandas_read="- -"
  if [ "$ext" = xlsx ] || "$PY" -c "import xlrd" 2>/dev/null; then
    pandas_read=$(measure "$PY" "$repo/bench/peers/pandas_excel.py" read "$book")
  fi
  report "$ext read" "$(measure "$build/bench/varnix_job" read "$book")" "$pandas_read" \
    "$(measure "${office[@]}" --convert-to csv --outdir "$o/office" "$book")" libreoffice
}

# The new column of both results, compared as numbers (pandas writes 20.0
# where JavaScript writes 20, and an empty cell for NaN).
check_j8() {
  "$PY" - "$1" "$2" <<'PY' || echo "  j8 check: failed (no result to compare)"
import csv, math, sys
def column(path):
    with open(path, newline="") as f:
        return [row[-1] for row in csv.reader(f)][1:]
def number(text):
    return math.nan if text in ("", "NaN") else float(text)
def same(x, y):
    a, b = number(x), number(y)
    return (math.isnan(a) and math.isnan(b)) or a == b
a, b = column(sys.argv[1]), column(sys.argv[2])
differ = sum(1 for x, y in zip(a, b) if not same(x, y)) + abs(len(a) - len(b))
print("  j8 check: %s (%d rows, %d differ from pandas)" % ("passed" if differ == 0 else "failed", len(a), differ))
PY
}

job_name() {
  case $1 in
    j1) echo j1_copy ;; j2) echo j2_sort ;; j3) echo j3_dedupe ;;
    j5) echo j5_group ;; j6) echo j6_filter ;; j7) echo j7_pivot ;;
  esac
}

jobs=("$@")
if [ ${#jobs[@]} -eq 0 ]; then
  if [ "$scale" = 1 ]; then jobs=(read readjson j1 j2 j3 j4 j5 j6 j7 j8 json xml xlsx xls record firstrows)
  elif [ -z "$with_pandas" ]; then jobs=(j1 j6 j5 j2 firstrows)
  else jobs=(j1 j2 j3 j4); fi
fi
install_peers
cmake --build "$build" --target varnix varnix_job >/dev/null
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
# The machine, with every set of figures: ratios differ between CPUs and caches.
cache() { getconf "LEVEL$1_CACHE_SIZE" 2>/dev/null | awk '{ printf "%d KiB", $1 / 1024 }'; }
echo "machine: $(lscpu | sed -n 's/^Model name: *//p' | head -1), $(nproc) cores," \
  "L1d $(getconf LEVEL1_DCACHE_SIZE | awk '{ printf "%d KiB", $1 / 1024 }'), L2 $(cache 2), L3 $(cache 3)"
# How many times a job's time grew from the first scale to the last, for
# each tool that has both figures.
growth() {
  local first=${scales[0]} last=${scales[-1]} job tool a b line
  for job in "${reported[@]}"; do
    line=""
    for tool in varnix pandas duckdb libreoffice; do
      a=${seconds["$last|$job|$tool"]:-}; b=${seconds["$first|$job|$tool"]:-}
      [[ $a =~ ^[0-9.]+$ && $b =~ ^[0-9.]+$ ]] || continue
      line+="$(printf ' | %s %s x' "$tool" "$(ratio "$a" "$b")")"
    done
    [ -z "$line" ] || printf '%-11s growth %s to %s million rows:%s\n' "$job" "$first" "$last" "${line# |}"
  done
}

for job in "${jobs[@]}"; do
  reported=()
  for s in "${scales[@]}"; do
    use_scale "$s"
    make_data
    if [ ${#scales[@]} -gt 1 ] || [ "$job" = "${jobs[0]}" ]; then
      echo "data: $data/people_1m.csv ($rows rows), median of $runs run(s), load $(cut -d' ' -f1-3 /proc/loadavg)"
    fi
    run_job "$job"
  done
  [ ${#scales[@]} -eq 1 ] || growth
done
