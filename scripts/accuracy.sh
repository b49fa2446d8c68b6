#!/usr/bin/env bash
# Measures how often the ranked table (--table) is right on simulated
# populations with known parents: builds a Release program and popgen in
# build-bench, generates each population with its pedigree (popgen --truth),
# runs the program with the table, and prints per seed and over all seeds the
# share of related offspring whose best mother is the true one and the share
# of confident mother calls that are right. Run with --help for the options.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

usage() {
  cat <<'EOF_USAGE'
Usage: scripts/accuracy.sh [options] [-- PARENTSPHERE-OPTIONS...]

Options:
  --seeds N       populations to simulate, seeds 1 to N (default 3)
  --mothers N     candidate mothers (default 200)
  --fathers N     candidate fathers (default 200)
  --offspring N   offspring (default 2000; popgen makes 10% of them unrelated)
  --loci N        loci (default 12)
  --error P       share of loci with one allele one repeat off (default 0.01)
  --missing P     share of untyped loci (default 0.02)
  --radius R      radius of the run (default 2; the table does not depend on it
                  apart from its in_sphere, pair_in_fam and families columns)
  --binary PATH   use this parentsphere instead of a fresh Release build
  --help          show this text
Options after -- go to parentsphere (e.g. -- --min-delta 3 --error-rate 0.01).

Targets: best mother true for at least 95% of related offspring; confident
mother calls right at least 99% of the time. A call on an unrelated offspring
(whose mother is not sampled) is never right; they are also counted apart.
EOF_USAGE
}

seeds=3 mothers=200 fathers=200 offspring=2000 loci=12 error=0.01 missing=0.02 radius=2
binary=""
program_args=()
while [ $# -gt 0 ]; do
  case "$1" in
    --seeds) seeds="${2:?--seeds needs a value}"; shift ;;
    --mothers) mothers="${2:?--mothers needs a value}"; shift ;;
    --fathers) fathers="${2:?--fathers needs a value}"; shift ;;
    --offspring) offspring="${2:?--offspring needs a value}"; shift ;;
    --loci) loci="${2:?--loci needs a value}"; shift ;;
    --error) error="${2:?--error needs a value}"; shift ;;
    --missing) missing="${2:?--missing needs a value}"; shift ;;
    --radius) radius="${2:?--radius needs a value}"; shift ;;
    --binary) binary="${2:?--binary needs a value}"; shift ;;
    -h|--help) usage; exit 0 ;;
    --) shift; program_args=("$@"); break ;;
    *) echo "accuracy: unknown argument '$1' (see --help)" >&2; exit 2 ;;
  esac
  shift
done
for value in "$seeds" "$mothers" "$fathers" "$offspring" "$loci"; do
  if ! [[ "$value" =~ ^[1-9][0-9]*$ ]]; then
    echo "accuracy: '$value' is not a positive whole number" >&2
    exit 2
  fi
done
if ! [[ "$radius" =~ ^[0-9]+$ ]]; then
  echo "accuracy: radius '$radius' is not a whole number" >&2
  exit 2
fi

build="$ROOT/build-bench"
targets=(popgen)
[ -n "$binary" ] || targets+=(parentsphere)
configure "$build" -DCMAKE_BUILD_TYPE=Release -DPARENTSPHERE_TESTS=OFF
mkdir -p "$build/accuracy"
if ! cmake --build "$build" --target "${targets[@]}" -j "$(jobs)" >"$build/accuracy/build.log" 2>&1; then
  cat "$build/accuracy/build.log" >&2
  echo "accuracy: the build failed" >&2
  exit 1
fi
if [ -z "$binary" ]; then
  binary="$build/parentsphere"
else
  [ -x "$binary" ] || { echo "accuracy: '$binary' is not an executable" >&2; exit 2; }
  binary="$(cd "$(dirname "$binary")" && pwd)/$(basename "$binary")"
fi

# score PEDIGREE TABLE: prints related offspring, right best mothers,
# confident calls, right confident calls, confident calls on unrelated
# offspring (never right: their mother is not sampled).
score() {
  awk -F'\t' '
    FNR == NR { if ($0 !~ /^#/) { split($0, f, " "); mother[f[1]] = f[2] } next }
    FNR == 1 { for (i = 1; i <= NF; ++i) col[$i] = i; next }
    {
      truth = mother[$col["offspring"]]; best = $col["mother"]
      if (truth != "-") { ++related; if (best == truth) ++right }
      if ($col["mother_call"] == "confident") {
        ++confident
        if (best == truth) ++confidentRight
        if (truth == "-") ++unrelatedConfident
      }
    }
    END { print related + 0, right + 0, confident + 0, confidentRight + 0, unrelatedConfident + 0 }
  ' "$1" "$2"
}

share() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f%%", 100 * a / b; else printf "-" }'; }

echo "populations: $mothers mothers, $fathers fathers, $offspring offspring, $loci loci," \
  "error $error, missing $missing, radius $radius${program_args[*]:+; options ${program_args[*]}}"
row() { printf '%-5s %8s %17s %10s %16s %20s %20s\n' "$@"; }
row seed related "best mother true" confident "confident right" "confident unrelated" \
  "right among related"
totals=(0 0 0 0 0)
for ((seed = 1; seed <= seeds; ++seed)); do
  dir="$build/accuracy/seed-$seed"
  rm -rf "$dir"
  "$build/tools/popgen" --mothers "$mothers" --fathers "$fathers" --offspring "$offspring" \
    --loci "$loci" --error "$error" --missing "$missing" --seed "$seed" --truth --out "$dir" >/dev/null
  if ! (cd "$dir" && "$binary" --radius "$radius" --table table.tsv "${program_args[@]}" >run.out 2>run.err); then
    cat "$dir/run.out" "$dir/run.err" >&2
    echo "accuracy: the run on seed $seed failed" >&2
    exit 1
  fi
  read -r -a counts < <(score "$dir/pedigree.txt" "$dir/table.tsv")
  for i in 0 1 2 3 4; do totals[i]=$((totals[i] + counts[i])); done
  row "$seed" "${counts[0]}" "$(share "${counts[1]}" "${counts[0]}")" "${counts[2]}" \
    "$(share "${counts[3]}" "${counts[2]}")" "${counts[4]}" \
    "$(share "${counts[3]}" "$((counts[2] - counts[4]))")"
done
row all "${totals[0]}" "$(share "${totals[1]}" "${totals[0]}")" "${totals[2]}" \
  "$(share "${totals[3]}" "${totals[2]}")" "${totals[4]}" \
  "$(share "${totals[3]}" "$((totals[2] - totals[4]))")"
echo "targets: best mother true >= 95% of related offspring; confident calls right >= 99%"
