#!/usr/bin/env python3
"""Tallies how right the ranked table's calls are against popgen's truth.

Called by scripts/accuracy.sh with one design's runs, each as three paths:
parents.PAR pedigree.txt table.tsv. Reads the table's columns by name, so it
works with every layout of the table: the calls `strict` and `relaxed` when
the table has them (`confident` counts as strict), the posterior columns when
there are any. Prints one line per role (mother, father, pair) over all the
runs, and with --per-run one line per run and role first.
"""
import sys

ROLES = ("mother", "father", "pair")
BINS = ((0.9, 1.0 + 1e-12, "[0.9,1]"), (0.5, 0.9, "[0.5,0.9)"))


def sampled_parents(path):
    """The identifiers in the last column of a parents table."""
    ids = set()
    with open(path) as lines:
        for line in lines:
            fields = line.split()
            if fields and not fields[0].startswith("#"):
                ids.add(fields[-1])
    return ids


def pedigree(path):
    """Offspring number -> (mother, father), None for an unrelated offspring."""
    truth = {}
    with open(path) as lines:
        for line in lines:
            fields = line.split()
            if len(fields) < 3 or fields[0].startswith("#"):
                continue
            truth[fields[0]] = None if fields[1] == "-" else (fields[1], fields[2])
    return truth


class Tally:
    def __init__(self):
        self.offspring = 0
        self.strict = self.strict_right = 0
        self.relaxed = self.relaxed_right = 0
        self.unsampled = self.unsampled_strict = 0
        self.best_right = 0  # offspring with the true parent sampled, named best whatever the call
        self.bins = {label: [0, 0.0, 0] for _, _, label in BINS}  # calls, posterior sum, right

    def add(self, other):
        for name in ("offspring", "strict", "strict_right", "relaxed", "relaxed_right",
                     "unsampled", "unsampled_strict", "best_right"):
            setattr(self, name, getattr(self, name) + getattr(other, name))
        for label, values in other.bins.items():
            mine = self.bins[label]
            for i in range(3):
                mine[i] += values[i]


def tally_run(parents_path, pedigree_path, table_path, unordered=False, selfs=None):
    """Per role, a Tally of one run; and whether the table has posteriors. With
    `unordered` (hermaphrodites) a pair is right in either order; `selfs`, a
    list [true selfs, flagged, outcrossed, flagged], counts the `self` column."""
    sampled = sampled_parents(parents_path)
    truth = pedigree(pedigree_path)
    tallies = {role: Tally() for role in ROLES}
    with open(table_path) as lines:
        header = lines.readline().rstrip("\n").split("\t")
        column = {name: i for i, name in enumerate(header)}
        missing = [name for name in ("offspring", "mother", "father", "pair_mother", "pair_father",
                                     "mother_call", "father_call", "pair_call")
                   if name not in column]
        if missing:
            sys.exit("accuracy: %s has no column %s" % (table_path, ", ".join(missing)))
        posterior = {role: column.get(role + "_posterior") for role in ROLES}
        for line in lines:
            cells = line.rstrip("\n").split("\t")
            true_pair = truth.get(cells[column["offspring"]])
            true_mother, true_father = true_pair if true_pair else (None, None)
            named = {
                "mother": cells[column["mother"]],
                "father": cells[column["father"]],
                "pair": (cells[column["pair_mother"]], cells[column["pair_father"]]),
            }
            right = {
                "mother": true_mother is not None and named["mother"] == true_mother,
                "father": true_father is not None and named["father"] == true_father,
                "pair": true_pair is not None and (
                    named["pair"] == tuple(true_pair) or
                    (unordered and named["pair"] == tuple(reversed(true_pair)))),
            }
            if selfs is not None and "self" in column and true_pair is not None:
                flagged = cells[column["self"]] == "yes"
                is_self = true_pair[0] == true_pair[1]
                selfs[0 if is_self else 2] += 1
                selfs[1 if is_self else 3] += flagged
            # The true parent is not among the candidates: left out, or unrelated.
            unsampled = {
                "mother": true_mother not in sampled,
                "father": true_father not in sampled,
                "pair": true_mother not in sampled or true_father not in sampled,
            }
            for role in ROLES:
                t = tallies[role]
                call = cells[column[role + "_call"]]
                t.offspring += 1
                strict = call in ("strict", "confident")
                if strict:
                    t.strict += 1
                    t.strict_right += right[role]
                elif call == "relaxed":
                    t.relaxed += 1
                    t.relaxed_right += right[role]
                if unsampled[role]:
                    t.unsampled += 1
                    t.unsampled_strict += strict
                else:
                    t.best_right += right[role]
                at = posterior[role]
                if at is None or at >= len(cells) or cells[at] == "":
                    continue
                value = float(cells[at])
                for low, high, label in BINS:
                    if low <= value < high:
                        b = t.bins[label]
                        b[0] += 1
                        b[1] += value
                        b[2] += right[role]
    has_posterior = any(posterior[role] is not None for role in ROLES)
    return tallies, has_posterior


def percent(part, whole):
    return "%.2f%%" % (100.0 * part / whole) if whole else "-"


COLUMNS = ("%-7s %-6s %9s %7s %8s %8s %8s %9s %9s %8s" +
           "  %6s %7s %7s  %6s %7s %7s  %8s")
HEADER = COLUMNS % ("run", "role", "offspring", "strict", "right", "relaxed", "right",
                    "s+r right", "unsampled", "strict",
                    "n>=0.9", "mean", "right", "n>=0.5", "mean", "right", "best")


def line(label, role, t, has_posterior):
    cells = [label, role, str(t.offspring), percent(t.strict, t.offspring),
             percent(t.strict_right, t.strict)]
    if has_posterior:
        cells += [percent(t.relaxed, t.offspring), percent(t.relaxed_right, t.relaxed),
                  percent(t.strict_right + t.relaxed_right, t.strict + t.relaxed)]
    else:
        cells += ["-", "-", "-"]
    cells += [str(t.unsampled), percent(t.unsampled_strict, t.unsampled)]
    for _, _, bin_label in BINS:
        n, total, right = t.bins[bin_label]
        cells += [str(n), percent(total, n), percent(right, n)] if has_posterior else ["-"] * 3
    cells.append(percent(t.best_right, t.offspring - t.unsampled))
    return COLUMNS % tuple(cells)


def main(argv):
    per_run = "--per-run" in argv
    unordered = "--hermaphrodites" in argv
    argv = [a for a in argv if a not in ("--per-run", "--hermaphrodites")]
    selfs = [0, 0, 0, 0]
    if not argv or len(argv) % 3 != 0:
        sys.exit("usage: accuracy_tally.py [--per-run] [--hermaphrodites] (PARENTS PEDIGREE TABLE)...")
    totals = {role: Tally() for role in ROLES}
    has_posterior = True
    print(HEADER)
    for run in range(len(argv) // 3):
        tallies, posterior = tally_run(*argv[3 * run:3 * run + 3], unordered=unordered,
                                       selfs=selfs)
        has_posterior = has_posterior and posterior
        for role in ROLES:
            totals[role].add(tallies[role])
            if per_run:
                print(line("seed%d" % (run + 1), role, tallies[role], posterior))
    for role in ROLES:
        print(line("all", role, totals[role], has_posterior))
    if selfs[0] + selfs[2] > 0:
        print("selfs: %d true selfs, %s flagged self=yes; %d outcrossed, %s flagged" %
              (selfs[0], percent(selfs[1], selfs[0]), selfs[2], percent(selfs[3], selfs[2])))


if __name__ == "__main__":
    main(sys.argv[1:])
