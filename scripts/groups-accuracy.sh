#!/usr/bin/env bash
# Measures what candidate groups (--groups) buy on simulated territories:
# popgen populations with their pedigree, each mother put into one of G
# territories and each related offspring into its true mother's (a file that
# bounds the mothers only, so every father stays a candidate, extra-group
# ones included). Prints per seed the share of related offspring whose best
# mother, and best father, is the true one, without and with the groups.
# Usage: scripts/groups-accuracy.sh [SEEDS [GROUPS [POPGEN-OPTIONS...]]]
# (default 3 seeds, 100 territories, --mothers 1000 --fathers 1000
# --offspring 2000 --loci 6 --error 0.02). Uses the programs of build-tests
# (./scripts/test.sh builds them).
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
seeds="${1:-3}"
groups="${2:-100}"
shift 2 2>/dev/null || shift $#
population=("$@")
[ ${#population[@]} -gt 0 ] || population=(--mothers 1000 --fathers 1000 --offspring 2000 --loci 6 --error 0.02)
for value in "$seeds" "$groups"; do
  [[ "$value" =~ ^[1-9][0-9]*$ ]] || { echo "groups-accuracy: '$value' is not a positive whole number" >&2; exit 2; }
done
program="$ROOT/build-tests/parentsphere"
popgen="$ROOT/build-tests/tools/popgen"
[ -x "$program" ] && [ -x "$popgen" ] || { echo "groups-accuracy: run ./scripts/test.sh first" >&2; exit 1; }
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# share of related offspring whose table column COLUMN (5 mother, 12
# father, 20 the pair's father) holds the true parent (pedigree column 2 or 3)
right() {
  awk -F'\t' -v col="$2" -v truth="$3" '
    FNR == NR { if ($0 !~ /^#/ && $2 != "-") { want[$1] = $truth; n++ }; next }
    FNR > 1 && ($1 in want) && $col == want[$1] { ok++ }
    END { printf "%.4f", ok / n }' FS=' ' "$1/pedigree.txt" FS='\t' "$1/$4"
}

printf 'seed\tgroups\tmother_without\tmother_with\tfather_without\tfather_with\tpair_father_without\tpair_father_with\n'
for seed in $(seq 1 "$seeds"); do
  dir="$work/$seed"
  "$popgen" "${population[@]}" --seed "$seed" --truth --out "$dir" >/dev/null
  awk -v g="$groups" 'BEGIN { print "number\trole\tgroup" }
    /^#/ { next }
    FNR == NR { if ($NF < 2000) print $NF "\tmother\tt" ($NF % g); next }
    $2 != "-" { print $1 "\toffspring\tt" ($2 % g) }' "$dir/parents.PAR" "$dir/pedigree.txt" >"$dir/groups.tsv"
  (cd "$dir" && "$program" -q -r 2 --table plain.tsv >/dev/null &&
    "$program" -q -r 2 --table grouped.tsv --groups groups.tsv >/dev/null)
  printf '%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\n' "$seed" "$groups" \
    "$(right "$dir" 5 2 plain.tsv)" "$(right "$dir" 5 2 grouped.tsv)" \
    "$(right "$dir" 12 3 plain.tsv)" "$(right "$dir" 12 3 grouped.tsv)" \
    "$(right "$dir" 20 3 plain.tsv)" "$(right "$dir" 20 3 grouped.tsv)"
done
