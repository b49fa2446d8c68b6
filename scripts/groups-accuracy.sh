#!/usr/bin/env bash
# Measures what candidate groups (--groups) buy on simulated territories:
# popgen populations with their pedigree and groups.tsv (--groups G
# --extra-group-fathers X: each offspring's parents in its group, but a
# share X of the fathers from another one). Prints per seed the share of
# related offspring whose best mother, best father and pair's father is the
# true one: without groups, with groups bounding both roles, and with the
# father lines dropped (the groups bound the mothers alone, so every father,
# extra-group ones included, stays a candidate).
# Usage: scripts/groups-accuracy.sh [SEEDS [GROUPS [EXTRA [POPGEN-OPTIONS...]]]]
# (default 3 seeds, 100 groups, 0.1 extra-group fathers, --mothers 1000
# --fathers 1000 --offspring 2000 --loci 6 --error 0.02). Uses the programs
# of build-tests (./scripts/test.sh builds them).
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
seeds="${1:-3}"
groups="${2:-100}"
extra="${3:-0.1}"
shift 3 2>/dev/null || shift $#
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

# The shares of related offspring whose best mother (table column 5), best
# father (12) and pair's father (20) is the true one (pedigree.txt), then
# the pair's father's share among the offspring whose father is from another
# group (groups.tsv).
right() {
  awk -F'\t' '
    FILENAME ~ /groups.tsv$/ { if ($2 == "father") fgroup[$1] = $3; if ($2 == "offspring") ogroup[$1] = $3; next }
    FILENAME ~ /pedigree.txt$/ { if ($0 !~ /^#/ && $2 != "-") { mother[$1] = $2; father[$1] = $3; n++ }; next }
    FNR > 1 && ($1 in mother) {
      m += $5 == mother[$1]; f += $12 == father[$1]; p += $20 == father[$1]
      if (fgroup[father[$1]] != ogroup[$1]) { x++; xp += $20 == father[$1] }
    }
    END { printf "%.4f\t%.4f\t%.4f\t%.4f (%d)", m / n, f / n, p / n, xp / x, x }' \
    "$1/groups.tsv" FS=' ' "$1/pedigree.txt" FS='\t' "$1/$2"
}

printf 'seed\tgroups\textra\tbounding\tmother\tfather\tpair_father\textra_group_pair_father\n'
for seed in $(seq 1 "$seeds"); do
  dir="$work/$seed"
  "$popgen" "${population[@]}" --groups "$groups" --extra-group-fathers "$extra" --seed "$seed" \
    --truth --out "$dir" >/dev/null
  grep -v "$(printf '\tfather\t')" "$dir/groups.tsv" >"$dir/groups-mothers.tsv"
  (cd "$dir" && "$program" -q -r 2 --table none.tsv >/dev/null &&
    "$program" -q -r 2 --table both.tsv --groups groups.tsv >/dev/null &&
    "$program" -q -r 2 --table mothers.tsv --groups groups-mothers.tsv >/dev/null)
  for run in none both mothers; do
    printf '%s\t%s\t%s\t%s\t%s\n' "$seed" "$groups" "$extra" "$run" "$(right "$dir" "$run.tsv")"
  done
done
