#!/usr/bin/env bash
# Measures the hermaphrodite mode on popgen plant populations with selfs
# (popgen --hermaphrodites --selfing S --truth): per seed, among related
# seeds, the share whose best pair is the true pair (either way round), the
# share of true selfs whose pair is flagged self, and the share of
# outcrossed seeds flagged self. The same population is also given in the
# doubled coding (each plant listed again as a father under identifier +
# 2000, without --hermaphrodites), where a self is a pair of a plant and its
# copy.
# Usage: scripts/selfing-accuracy.sh [SEEDS [SELFING [POPGEN-OPTIONS...]]]
# (default 3 seeds, 0.1 selfs, --mothers 100 --offspring 1000 --loci 12
# --error 0.01). Uses the programs of build-tests (./scripts/test.sh).
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
seeds="${1:-3}"
selfing="${2:-0.1}"
shift 2 2>/dev/null || shift $#
population=("$@")
[ ${#population[@]} -gt 0 ] || population=(--mothers 100 --offspring 1000 --loci 12 --error 0.01)
[[ "$seeds" =~ ^[1-9][0-9]*$ ]] || { echo "selfing-accuracy: '$seeds' is not a positive whole number" >&2; exit 2; }
program="$ROOT/build-tests/parentsphere"
popgen="$ROOT/build-tests/tools/popgen"
[ -x "$program" ] && [ -x "$popgen" ] || { echo "selfing-accuracy: run ./scripts/test.sh first" >&2; exit 1; }
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# pair right, selfs flagged, outcrossed flagged, strict pair calls and
# their share right; table columns 19 and 20 hold the pair (identifiers of
# 2000 and above are the doubled copies), 24 its call.
score() {
  awk -F'\t' '
    FNR == NR { if ($0 !~ /^#/ && $2 != "-") { m[$1] = $2; f[$1] = $3; n++ }; next }
    FNR > 1 && ($1 in m) {
      a = $19; b = $20; if (b >= 2000) b -= 2000
      right = (a == m[$1] && b == f[$1]) || (a == f[$1] && b == m[$1])
      ok += right; sure += $24 == "strict"; sureRight += $24 == "strict" && right
      flagged = a == b
      if (m[$1] == f[$1]) { selfs++; hit += flagged } else { out++; false += flagged }
    }
    END { printf "%.4f\t%.4f (%d)\t%.4f (%d)\t%.4f\t%.4f", ok / n, hit / selfs, selfs, false / out, out,
                 sure / n, sure ? sureRight / sure : 0 }' \
    FS=' ' "$1/pedigree.txt" FS='\t' "$1/$2"
}

printf 'seed\tcoding\tpair_right\tselfs_flagged\toutcrossed_flagged\tpair_strict\tstrict_right\n'
for seed in $(seq 1 "$seeds"); do
  dir="$work/$seed"
  "$popgen" "${population[@]}" --hermaphrodites --selfing "$selfing" --seed "$seed" --truth \
    --out "$dir" >/dev/null
  grep -v '#' "$dir/parents.PAR" >"$dir/once"
  awk '{ $NF = $NF + 2000; print }' "$dir/once" | cat "$dir/once" - >"$dir/doubled.PAR"
  (cd "$dir" && "$program" -q -r 2 --hermaphrodites --table herm.tsv -o h >/dev/null &&
    "$program" -q -r 2 --parents doubled.PAR --table doubled.tsv -o d >/dev/null)
  printf '%s\thermaphrodites\t%s\n' "$seed" "$(score "$dir" herm.tsv)"
  printf '%s\tdoubled\t%s\n' "$seed" "$(score "$dir" doubled.tsv)"
done
