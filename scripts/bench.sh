#!/usr/bin/env bash
# Times parentsphere on simulated populations: builds a Release program and
# popgen in build-bench, generates each workload once (cached by its
# parameters), runs the program on it with the radius typed on standard input,
# and prints one line per workload: parameters, wall time, peak memory and the
# number of families (family lines in Fam.out). Run with --help for the options.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

# name mothers fathers offspring loci radius [variant...]
# Variants: failed-sample (offspring 1000 untyped, -99 everywhere), outlier (the
# first parent's first allele typed 99999), snp (SNP loci), threads=N (run with
# --threads N), table (write the ranked table), k=K (--max-mismatches K),
# fathers-from=N (fathers numbered from N: popgen and the program get
# --first-father-id N), timeout=S (the run's time limit unless --timeout is
# given: a programme takes minutes).
WORKLOADS=(
  "hatchery 1999 2000 20000 16 2"
  "hatchery-r6 1999 2000 20000 16 6"
  "wide 200 200 2000 12 20"
  "large-wide 1000 1000 10000 16 20"
  "tagging 1999 8000 200000 24 2"
  "hatchery-r8 1999 2000 20000 16 8"
  "outlier-r8 1999 2000 20000 16 8 outlier"
  "tagging-t1 1999 8000 200000 24 2 threads=1"
  "tagging-t2 1999 8000 200000 24 2 threads=2"
  "million 1999 2000 1000000 16 2"
  "million-t2 1999 2000 1000000 16 2 threads=2"
  "snp 1000 1000 20000 500 0 snp"
  "r24 1999 2000 2000 16 24"
  "r24-20k 1999 2000 20000 16 24"
  "r32 1999 2000 2000 16 32"
  "failed 1999 2000 2000 16 2 failed-sample"
  # Not run by default: quick checks of the script and of a build.
  # The ranked table at scale: an SNP panel, the tagging workload, a programme.
  "snp96-k3-t1 1999 2000 20000 96 0 snp table k=3 threads=1"
  "snp96-k3-t2 1999 2000 20000 96 0 snp table k=3 threads=2"
  "tagging-table-t1 1999 8000 200000 24 2 table threads=1"
  "tagging-table-t2 1999 8000 200000 24 2 table threads=2"
  "programme 15000 15000 1000000 96 0 snp table fathers-from=15001 threads=2 timeout=900"
  "tiny 30 30 200 10 4"
  "small 200 200 2000 16 2"
)
DEFAULT_NAMES=(hatchery hatchery-r6 wide large-wide tagging)
# The performance targets: wide radii, bad samples, SNP panels, large runs, threads.
TARGET_NAMES=(hatchery hatchery-r6 hatchery-r8 outlier-r8 tagging tagging-t1 tagging-t2 million
  million-t2 snp r24 r24-20k r32 failed)
# The ranked table's targets: --table-targets runs them.
TABLE_TARGET_NAMES=(snp96-k3-t1 snp96-k3-t2 tagging-t1 tagging-t2 tagging-table-t1
  tagging-table-t2 programme)

usage() {
  cat <<'EOF'
Usage: scripts/bench.sh [options] [WORKLOAD...]

Workloads (mothers, fathers, offspring, loci; radius):
  hatchery      1999, 2000, 20000, 16; r=2
  hatchery-r6   1999, 2000, 20000, 16; r=6
  wide          200, 200, 2000, 12; r=20
  large-wide    1000, 1000, 10000, 16; r=20
  tagging       1999, 8000, 200000, 24; r=2
  tiny          30, 30, 200, 10; r=4      (not in the default set)
  small         200, 200, 2000, 16; r=2   (not in the default set)
  The performance targets (--targets runs them all):
  hatchery-r8   1999, 2000, 20000, 16; r=8
  outlier-r8    the same, the first parent's first allele typed 99999
  tagging-t1    tagging with --threads 1 (tagging-t2: --threads 2)
  million       1999, 2000, 1000000, 16; r=2 (million-t2: --threads 2)
  snp           1000, 1000, 20000, 500 SNP loci; r=0
  r24, r32      1999, 2000, 2000, 16; r=24 and r=32 (r24-20k: 20000 offspring)
  failed        1999, 2000, 2000, 16; r=2, offspring 1000 untyped (-99 everywhere)
  The ranked table's targets (--table-targets runs them with tagging-t1/t2):
  snp96-k3-t1   1999, 2000, 20000, 96 SNP loci; r=0 --table --max-mismatches 3,
                --threads 1 (snp96-k3-t2: --threads 2)
  tagging-table-t1  tagging with --table, --threads 1 (-t2: --threads 2)
  programme     15000, 15000, 1000000, 96 SNP loci; r=0 --table,
                --first-father-id 15001, --threads 2 (needs popgen's
                --first-father-id; skipped without it)
Without names, the first five run.

Options:
  --quick          run the tiny workload only (checks the script and a build)
  --targets        run the workloads of the performance targets
  --table-targets  run the workloads of the ranked table's targets
  --repeat N       runs per workload (default 1); prints the best and median time
  --timeout S      time limit of one run in seconds (default 120, the programme 900);
                   reported as "timeout"
  --memory GIB     memory cap of one run (ulimit -v, default 16); reported as "out of memory"
  --binary PATH    time this parentsphere executable instead of a fresh Release build
  --threads N      run with --threads N, unless the workload names its own count
                   (without it, the program's default: the cores available)
  --seed N         population seed (default 1)
  --scratch DIR    where populations and runs go (default build-bench/workloads)
  --keep           keep the reports of the last run of each workload
  --table          also write the ranked table of the most likely parents
                   (parentsphere --table table.tsv, radius still at the prompt)
  --candidates     with --table, also write the short list (--candidates short.tsv)
  --help           show this text

Populations are generated by tools/popgen with its default rates and kept in
the scratch folder; they are made again when popgen is rebuilt. Wall time and
peak memory (maximum resident set size) are taken by tools/runstat around the
program alone, from its start to its exit.
EOF
}

repeat=1
limit=120
limit_given=0
memory_gib=16
binary=""
threads=""
seed=1
scratch=""
keep=0
program_args=()
names=()
while [ $# -gt 0 ]; do
  case "$1" in
    --quick) names+=(tiny) ;;
    --targets) names+=("${TARGET_NAMES[@]}") ;;
    --table-targets) names+=("${TABLE_TARGET_NAMES[@]}") ;;
    --repeat) repeat="${2:?--repeat needs a value}"; shift ;;
    --timeout) limit="${2:?--timeout needs a value}"; limit_given=1; shift ;;
    --memory) memory_gib="${2:?--memory needs a value}"; shift ;;
    --binary) binary="${2:?--binary needs a value}"; shift ;;
    --threads) threads="${2:?--threads needs a value}"; shift ;;
    --seed) seed="${2:?--seed needs a value}"; shift ;;
    --scratch) scratch="${2:?--scratch needs a value}"; shift ;;
    --keep) keep=1 ;;
    --table) program_args+=(--table table.tsv) ;;
    --candidates) program_args+=(--candidates short.tsv) ;;
    -h|--help) usage; exit 0 ;;
    -*) echo "bench: unknown option '$1' (see --help)" >&2; exit 2 ;;
    *) names+=("$1") ;;
  esac
  shift
done
for value in "$repeat" "$limit" "$memory_gib" ${threads:+"$threads"}; do
  if ! [[ "$value" =~ ^[1-9][0-9]*$ ]]; then
    echo "bench: '$value' is not a positive whole number" >&2
    exit 2
  fi
done
if ! [[ "$seed" =~ ^[0-9]+$ ]]; then
  echo "bench: seed '$seed' is not a whole number" >&2
  exit 2
fi
[ ${#names[@]} -eq 0 ] && names=("${DEFAULT_NAMES[@]}")

lookup() {  # lookup NAME: prints the workload's line, fails for an unknown name
  local w
  for w in "${WORKLOADS[@]}"; do
    [ "${w%% *}" = "$1" ] && { echo "$w"; return 0; }
  done
  return 1
}
for name in "${names[@]}"; do
  if ! lookup "$name" >/dev/null; then
    echo "bench: unknown workload '$name' (see --help)" >&2
    exit 2
  fi
done

build="$ROOT/build-bench"
[ -n "$scratch" ] || scratch="$build/workloads"
mkdir -p "$scratch"
scratch="$(cd "$scratch" && pwd)"

targets=(popgen runstat)
[ -n "$binary" ] || targets+=(parentsphere)
need_cli11
configure "$build" -DCMAKE_BUILD_TYPE=Release -DPARENTSPHERE_TESTS=OFF
if ! cmake --build "$build" --target "${targets[@]}" -j "$(jobs)" >"$scratch/build.log" 2>&1; then
  cat "$scratch/build.log" >&2
  echo "bench: the build failed" >&2
  exit 1
fi
popgen="$build/tools/popgen"
runstat="$build/tools/runstat"
if [ -z "$binary" ]; then
  binary="$build/parentsphere"
else
  [ -x "$binary" ] || { echo "bench: '$binary' is not an executable" >&2; exit 2; }
  binary="$(cd "$(dirname "$binary")" && pwd)/$(basename "$binary")"
fi

# True when popgen can number fathers from another identifier.
popgen_numbers_fathers() { "$popgen" --help 2>&1 | grep -q -- --first-father-id; }

# population M F O L [VARIANT...]: prints the folder holding the generated
# tables, altered as the variants say.
population() {
  local m="$1" f="$2" o="$3" l="$4" variant extra=() tag=""
  shift 4
  for variant in "$@"; do
    case "$variant" in
      snp) extra+=(--snp); tag+="-snp" ;;
      outlier|failed-sample) tag+="-$variant" ;;
      fathers-from=*) extra+=(--first-father-id "${variant#fathers-from=}"); tag+="-$variant" ;;
    esac
  done
  local dir="$scratch/pop-m$m-f$f-o$o-l$l-s$seed$tag"
  if [ ! -f "$dir/.done" ] || [ "$popgen" -nt "$dir/.done" ]; then
    rm -rf "$dir"
    "$popgen" --mothers "$m" --fathers "$f" --offspring "$o" --loci "$l" --seed "$seed" \
      "${extra[@]}" --out "$dir" >/dev/null
    for variant in "$@"; do
      case "$variant" in
        # A typo in one allele: the first data row of the parents, first column.
        outlier) awk '!done && !/^#/ { $1 = 99999; done = 1 } { print }' "$dir/parents.PAR" \
                   >"$dir/.edit" && mv "$dir/.edit" "$dir/parents.PAR" ;;
        # A sample that failed to amplify: every allele of offspring 1000 untyped.
        failed-sample) awk '!/^#/ && ++row == 1000 { for (i = 1; i <= NF; ++i) $i = -99 } { print }' \
                   "$dir/sons.PRO" >"$dir/.edit" && mv "$dir/.edit" "$dir/sons.PRO" ;;
      esac
    done
    touch "$dir/.done"
  fi
  echo "$dir"
}

# One run in the current folder. Sets wall (seconds), rss (KiB or "-") and
# outcome ("ok", "timeout", "out of memory" or "failed (status N)"). The time
# is taken by runstat around the program alone: process starts of wrappers
# would add tens of milliseconds on a small virtual machine.
run_once() {
  local radius="$1" status line
  shift
  rm -f Parent.out Fam.out Famgenotypes.out table.tsv short.tsv
  printf '%s\n' "$radius" >.stdin
  set +e
  "$runstat" "$run_limit" "$((memory_gib * 1048576))" .stdin "$binary" "${program_args[@]}" "$@" \
    >.stdout 2>.stderr
  status=$?
  set -e
  line=$(grep '^wall=' .stderr | tail -n 1)
  wall=$(sed -n 's/^wall=\([0-9.]*\).*/\1/p' <<<"$line")
  wall=$(awk -v w="$wall" 'BEGIN { printf "%.3f", w }')
  rss=$(sed -n 's/.*rss_kib=\([0-9]*\).*/\1/p' <<<"$line")
  [ -n "$rss" ] || rss="-"
  if [ "$status" = 0 ] && grep -q DONE .stdout; then
    outcome=ok
  elif [ "$status" = 124 ]; then
    outcome=timeout
  elif [ "$status" = 137 ] || grep -qiE 'bad_alloc|cannot allocate|out of memory|not enough memory' .stdout .stderr; then
    # 137: killed outright, which here is the kernel running out of memory.
    outcome="out of memory"
  else
    outcome="failed (status $status)"
  fi
}

echo "parentsphere: $binary"
echo "limits per run: ${limit} s, ${memory_gib} GiB; runs per workload: $repeat; seed $seed${threads:+; --threads $threads}"
[ ${#program_args[@]} -eq 0 ] || echo "program arguments: ${program_args[*]}"
printf '%-12s %7s %7s %9s %4s %6s  %10s %10s %11s %9s\n' \
  workload mothers fathers offspring loci radius best median "peak memory" families
for name in "${names[@]}"; do
  read -r _ m f o l r variants <<<"$(lookup "$name")"
  read -r -a variants <<<"$variants"
  args=()
  run_limit=$limit
  for variant in "${variants[@]}"; do
    case "$variant" in
      timeout=*) [ "$limit_given" = 1 ] || run_limit="${variant#timeout=}" ;;
      threads=*) args+=(--threads "${variant#threads=}") ;;
      table) [ ${#program_args[@]} -gt 0 ] || args+=(--table table.tsv) ;;
      k=*) args+=(--max-mismatches "${variant#k=}") ;;
      fathers-from=*) args+=(--first-father-id "${variant#fathers-from=}") ;;
    esac
  done
  if [[ " ${variants[*]} " = *" fathers-from="* ]] && ! popgen_numbers_fathers; then
    printf '%-12s %7s %7s %9s %4s %6s  skipped (popgen has no --first-father-id)\n' \
      "$name" "$m" "$f" "$o" "$l" "$r"
    continue
  fi
  [[ " ${args[*]} " = *" --threads "* ]] || [ -z "$threads" ] || args+=(--threads "$threads")
  pop="$(population "$m" "$f" "$o" "$l" "${variants[@]}")"
  rundir="$scratch/run-$name"
  rm -rf "$rundir"
  mkdir -p "$rundir"
  ln -s "$pop/parents.PAR" "$rundir/parents.PAR"
  ln -s "$pop/sons.PRO" "$rundir/sons.PRO"
  cd "$rundir"
  walls=()
  peak=0
  families="-"
  result=ok
  for ((i = 0; i < repeat; ++i)); do
    run_once "$r" "${args[@]}"
    if [ "$outcome" != ok ]; then
      result="$outcome"
      break
    fi
    walls+=("$wall")
    if [ "$rss" = "-" ]; then peak="-"; elif [ "$peak" != "-" ] && [ "$rss" -gt "$peak" ]; then peak=$rss; fi
    families=$(tail -n +5 Fam.out | grep -c . || true)
    [ "$keep" = 1 ] || rm -f Parent.out Fam.out Famgenotypes.out table.tsv short.tsv
  done
  cd "$ROOT"
  if [ "$result" != ok ]; then
    printf '%-12s %7s %7s %9s %4s %6s  %s (after %s s)\n' "$name" "$m" "$f" "$o" "$l" "$r" \
      "$result" "$wall"
    continue
  fi
  read -r best median < <(printf '%s\n' "${walls[@]}" | sort -g | awk '
    { t[NR] = $1 }
    END { m = NR % 2 ? t[(NR + 1) / 2] : (t[NR / 2] + t[NR / 2 + 1]) / 2; printf "%.3f %.3f\n", t[1], m }')
  if [ "$peak" = "-" ]; then memory="-"; else memory=$(awk -v k="$peak" 'BEGIN { printf "%.1f MiB", k / 1024 }'); fi
  printf '%-12s %7s %7s %9s %4s %6s  %8s s %8s s %11s %9s\n' "$name" "$m" "$f" "$o" "$l" "$r" \
    "$best" "$median" "$memory" "$families"
done
