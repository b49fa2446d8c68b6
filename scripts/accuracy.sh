#!/usr/bin/env bash
# Measures how right the ranked table's calls are on simulated populations
# with known parents: builds a Release program and popgen in build-bench,
# generates each design's populations with their pedigree (popgen --truth),
# runs the program with the table, telling it the true shares of sampled
# parents and the error rate when it takes them, and prints per design and
# role the share of strict and relaxed calls that are right, how often an
# offspring whose true parent is not sampled still gets a strict call, and how
# well the posteriors match the share right. Run with --help for the options.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

usage() {
  cat <<'EOF_USAGE'
Usage: scripts/accuracy.sh [options] [-- PARENTSPHERE-OPTIONS...]

Each design is simulated for seeds 1 to N and scored against the truth.

Options:
  --design L,M[,F]  a design: L loci, a share M of the mothers and F of the
                    fathers (default 0) left out of parents.PAR; repeat for
                    several. Default: 12,0 12,0.3 12,0.6 6,0.3
  --seeds N         populations per design, seeds 1 to N (default 3)
  --mothers N       candidate mothers before any are left out (default 200)
  --fathers N       candidate fathers before any are left out (default 200)
  --offspring N     offspring (default 2000)
  --related P       share of offspring with a real pair (default 0.9)
  --error P         share of loci with one allele misread (default 0.01)
  --missing P       share of untyped loci (default 0.02)
  --snp             SNP loci (popgen --snp) instead of microsatellites
  --frequencies F   draw the alleles from this frequencies file (the layout of
                    parentsphere --frequencies), so the populations are shaped
                    like the file's; the designs' locus counts are then ignored
  --calibrate N     run the program with --calibrate N --seed SEED
  --hermaphrodites  plants instead of mothers and fathers (--mothers plants);
                    needs a parentsphere with --hermaphrodites
  --selfing P       with --hermaphrodites: share of selfs (default 0.1)
  --groups N        N territories, written to groups.tsv and given to the
                    program's --groups (needs a parentsphere that has it)
  --groups-bound R  with --groups: 'both' roles (default), or 'mothers': the
                    father lines are dropped from groups.tsv, so the groups
                    bound the mothers alone
  --extra-group-fathers P
                    with --groups: share of fathers from another group (default 0.1)
  --known-mothers   give the program each offspring's true mother when she is
                    sampled (--known-mothers known.txt); the father and pair
                    lines then measure the calls given the mother
  --radius R        radius of the run (default 2)
  --per-seed        also print the lines of each seed
  --binary PATH     use this parentsphere instead of a fresh Release build
  --help            show this text
Options after -- go to parentsphere (e.g. -- --min-delta 3).

The program is told the truth when it has the options: --sampled-mothers and
--sampled-fathers get the share of offspring whose true mother (father) is
among the candidates (related share x share kept), and --error-rate the
--error share; options given after -- take precedence.

Columns, per role (mother, father, pair) over all seeds: offspring; strict:
share of offspring with a strict call (`confident` in tables without
posteriors), and right: the share of those naming the true parent (pair: both);
relaxed and right likewise, s+r right: strict and relaxed calls together;
unsampled: offspring whose true parent is not among the candidates (left out
or unrelated; pair: either parent), strict: the share of those that still get
a strict call; n>=0.9 and n>=0.5: calls with a posterior in [0.9,1] and in
[0.5,0.9), their mean posterior and their share right ('-' for a table
without posteriors or relaxed calls); best: of the offspring whose true
parent (pair: both) is among the candidates, the share whose best candidate
is the true one, whatever its call.

Targets: strict calls >= 94% right, relaxed >= 78%; unsampled given strict
<= 1.5%; with 30% of the mothers left out, >= 63% of offspring get a strict
mother; in each posterior bin the share right within 3 points of the mean.
EOF_USAGE
}

designs=()
seeds=3 mothers=200 fathers=200 offspring=2000 related=0.9 error=0.01 missing=0.02 radius=2
frequencies="" calibrate="" hermaphrodites="" selfing=0.1 groups="" extra=0.1 per_seed=""
bound=both known="" snp=""
binary=""
program_args=()
while [ $# -gt 0 ]; do
  case "$1" in
    --design) designs+=("${2:?--design needs a value}"); shift ;;
    --seeds) seeds="${2:?--seeds needs a value}"; shift ;;
    --mothers) mothers="${2:?--mothers needs a value}"; shift ;;
    --fathers) fathers="${2:?--fathers needs a value}"; shift ;;
    --offspring) offspring="${2:?--offspring needs a value}"; shift ;;
    --related) related="${2:?--related needs a value}"; shift ;;
    --error) error="${2:?--error needs a value}"; shift ;;
    --missing) missing="${2:?--missing needs a value}"; shift ;;
    --snp) snp=1 ;;
    --frequencies) frequencies="${2:?--frequencies needs a value}"; shift ;;
    --calibrate) calibrate="${2:?--calibrate needs a value}"; shift ;;
    --hermaphrodites) hermaphrodites=1 ;;
    --selfing) selfing="${2:?--selfing needs a value}"; shift ;;
    --groups) groups="${2:?--groups needs a value}"; shift ;;
    --extra-group-fathers) extra="${2:?--extra-group-fathers needs a value}"; shift ;;
    --groups-bound) bound="${2:?--groups-bound needs a value}"; shift ;;
    --known-mothers) known=1 ;;
    --radius) radius="${2:?--radius needs a value}"; shift ;;
    --per-seed) per_seed=1 ;;
    --binary) binary="${2:?--binary needs a value}"; shift ;;
    -h|--help) usage; exit 0 ;;
    --) shift; program_args=("$@"); break ;;
    *) echo "accuracy: unknown argument '$1' (see --help)" >&2; exit 2 ;;
  esac
  shift
done
[ ${#designs[@]} -gt 0 ] || designs=("12,0" "12,0.3" "12,0.6" "6,0.3")

fail() { echo "accuracy: $*" >&2; exit 2; }
whole='^[1-9][0-9]*$'
share='^(0(\.[0-9]+)?|1(\.0*)?|\.[0-9]+)$'
for value in "$seeds" "$mothers" "$fathers" "$offspring"; do
  [[ "$value" =~ $whole ]] || fail "'$value' is not a positive whole number"
done
[ -z "$calibrate" ] || [[ "$calibrate" =~ $whole ]] || fail "--calibrate '$calibrate' is not a positive whole number"
[ -z "$groups" ] || [[ "$groups" =~ $whole ]] || fail "--groups '$groups' is not a positive whole number"
[[ "$radius" =~ ^[0-9]+$ ]] || fail "radius '$radius' is not a whole number"
[[ "$bound" == both || "$bound" == mothers ]] || fail "--groups-bound '$bound': expected both or mothers"
for value in "$related" "$error" "$missing" "$selfing" "$extra"; do
  [[ "$value" =~ $share ]] || fail "'$value' is not a share from 0 to 1"
done
for design in "${designs[@]}"; do
  [[ "$design" =~ ^[1-9][0-9]*,[0-9.]+(,[0-9.]+)?$ ]] ||
    fail "--design '$design': expected LOCI,MOTHERS-LEFT-OUT[,FATHERS-LEFT-OUT], e.g. 12,0.3"
  IFS=, read -r _ mothers_out fathers_out <<<"$design"
  for value in "$mothers_out" "${fathers_out:-0}"; do
    if ! [[ "$value" =~ $share ]] || ! awk -v v="$value" 'BEGIN { exit !(v < 1) }'; then
      fail "--design '$design': a share left out must be from 0 to below 1"
    fi
  done
  [ -z "$hermaphrodites" ] || [ -z "$fathers_out" ] ||
    fail "--design '$design': with --hermaphrodites, give the plants' share alone (LOCI,SHARE)"
done
if [ -n "$frequencies" ]; then
  [ -r "$frequencies" ] || fail "--frequencies '$frequencies' is not a readable file"
  frequencies="$(cd "$(dirname "$frequencies")" && pwd)/$(basename "$frequencies")"
fi
command -v python3 >/dev/null 2>&1 || { echo "accuracy: python3 is missing. Install it with: sudo apt-get install python3" >&2; exit 1; }

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
  [ -x "$binary" ] || fail "'$binary' is not an executable"
  binary="$(cd "$(dirname "$binary")" && pwd)/$(basename "$binary")"
fi

# What this program takes: options it lacks are not passed (and the modes
# that need them are refused).
help_text="$("$binary" --help 2>&1 || true)"
has_option() { grep -q -- "$1\b" <<<"$help_text"; }
given() { local a; for a in "${program_args[@]}"; do [[ "$a" == "$1" || "$a" == "$1="* ]] && return 0; done; return 1; }
if [ -n "$hermaphrodites" ] && ! has_option --hermaphrodites; then
  fail "this parentsphere has no --hermaphrodites ($binary)"
fi
if [ -n "$groups" ] && ! has_option --groups; then
  fail "this parentsphere has no --groups ($binary)"
fi
if [ -n "$calibrate" ] && ! has_option --calibrate; then
  fail "this parentsphere has no --calibrate ($binary)"
fi

# kept COUNT SHARE: how many of COUNT parents popgen keeps when SHARE is left out.
kept() { awk -v n="$1" -v f="$2" 'BEGIN { out = int(f * n + 0.5); if (out > n - 1) out = n - 1; print n - out }'; }
# sampled_share KEPT COUNT: the share of offspring whose true parent is a candidate.
sampled_share() { awk -v k="$1" -v n="$2" -v r="$related" 'BEGIN { printf "%.6g", r * k / n }'; }

echo "populations: $mothers mothers, $fathers fathers, $offspring offspring ($related related)," \
  "error $error, missing $missing, radius $radius, seeds 1 to $seeds" \
  "${snp:+, SNP loci}${frequencies:+, alleles from $frequencies}${hermaphrodites:+, hermaphrodites (selfing $selfing)}" \
  "${groups:+, $groups groups (extra-group fathers $extra, bounding $bound)}${known:+, mothers known}" \
  "${program_args[*]:+; options ${program_args[*]}}"
for design in "${designs[@]}"; do
  IFS=, read -r loci mothers_out fathers_out <<<"$design"
  fathers_out="${fathers_out:-0}"
  popgen_args=(--mothers "$mothers" --offspring "$offspring" --related "$related"
    --error "$error" --missing "$missing" --unsampled-mothers "$mothers_out" --truth)
  if [ -n "$frequencies" ]; then popgen_args+=(--frequencies "$frequencies"); else popgen_args+=(--loci "$loci"); fi
  if [ -n "$hermaphrodites" ]; then
    popgen_args+=(--hermaphrodites --selfing "$selfing")
  else
    popgen_args+=(--fathers "$fathers" --unsampled-fathers "$fathers_out")
  fi
  [ -z "$groups" ] || popgen_args+=(--groups "$groups" --extra-group-fathers "$extra")
  [ -z "$snp" ] || popgen_args+=(--snp)

  run_args=(--radius "$radius" --table table.tsv)
  share_m="$(sampled_share "$(kept "$mothers" "$mothers_out")" "$mothers")"
  share_f="$share_m"
  [ -n "$hermaphrodites" ] || share_f="$(sampled_share "$(kept "$fathers" "$fathers_out")" "$fathers")"
  told=""
  if has_option --sampled-mothers && ! given --sampled-mothers; then
    run_args+=(--sampled-mothers "$share_m"); told+=" --sampled-mothers $share_m"
  fi
  if has_option --sampled-fathers && ! given --sampled-fathers; then
    run_args+=(--sampled-fathers "$share_f"); told+=" --sampled-fathers $share_f"
  fi
  if ! given --error-rate && awk -v e="$error" 'BEGIN { exit !(e > 0) }'; then
    run_args+=(--error-rate "$error"); told+=" --error-rate $error"
  fi
  [ -z "$hermaphrodites" ] || run_args+=(--hermaphrodites)
  [ -z "$groups" ] || run_args+=(--groups groups.tsv)
  [ -z "$known" ] || run_args+=(--known-mothers known.txt)

  echo
  echo "design $design: ${frequencies:+alleles from the file}${frequencies:-$loci loci}," \
    "left out: a share $mothers_out of the ${hermaphrodites:+plants}${hermaphrodites:-mothers}${hermaphrodites:-, $fathers_out of the fathers};" \
    "program told:${told:- nothing}${calibrate:+ --calibrate $calibrate}"
  runs=()
  for ((seed = 1; seed <= seeds; ++seed)); do
    dir="$build/accuracy/design-${design//,/_}-seed-$seed"
    rm -rf "$dir"
    "$build/tools/popgen" "${popgen_args[@]}" --seed "$seed" --out "$dir" >/dev/null
    if [ -n "$groups" ] && [ "$bound" = mothers ]; then
      grep -v "$(printf '\tfather\t')" "$dir/groups.tsv" >"$dir/groups.mothers" &&
        mv "$dir/groups.mothers" "$dir/groups.tsv"
    fi
    if [ -n "$known" ]; then
      # The true mothers that are among the candidates.
      awk 'FNR == NR { if ($0 !~ /^#/) sampled[$NF] = 1; next }
           $0 !~ /^#/ && ($2 in sampled) { print $1, $2 }' \
        "$dir/parents.PAR" "$dir/pedigree.txt" >"$dir/known.txt"
    fi
    seeded=()
    [ -z "$calibrate" ] || seeded=(--calibrate "$calibrate" --seed "$seed")
    if ! (cd "$dir" && "$binary" "${run_args[@]}" "${seeded[@]}" "${program_args[@]}" >run.out 2>run.err); then
      cat "$dir/run.out" "$dir/run.err" >&2
      echo "accuracy: the run on design $design, seed $seed failed" >&2
      exit 1
    fi
    runs+=("$dir/parents.PAR" "$dir/pedigree.txt" "$dir/table.tsv")
  done
  python3 "$ROOT/scripts/accuracy_tally.py" ${per_seed:+--per-run} ${hermaphrodites:+--hermaphrodites} "${runs[@]}"
done
echo
echo "targets: strict right >= 94%, relaxed right >= 78%; unsampled given strict <= 1.5%;" \
  "strict mother >= 63% of offspring with 30% of mothers left out; posterior bins right within 3 points of the mean"
