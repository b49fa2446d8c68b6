#!/usr/bin/env python3
"""Turns a spreadsheet of genotypes, saved as CSV, into parentsphere's input.

The sheet has a header row and one row per individual: a name, a sex column
(F for a candidate mother, M for a candidate father, O for an offspring) and
two allele columns per locus; an empty cell, 0, NA or -99 is a missing allele.
Writes parents.PAR (mothers numbered from 1, then fathers from 2000), sons.PRO
(offspring in sheet order, numbered from 1 as parentsphere counts them) and
names.tsv, which maps every number back to its name. Nothing is written when
any row is wrong: every problem is listed with its line, and the exit status
is 1. The three files are written beside their final names and put in place
together, so a failed run leaves the folder as it was. Needs only the Python 3
standard library.
"""

import argparse
import csv
import errno
import io
import os
import re
import sys
import tempfile

PROGRAM = "csv2parentsphere"
OUTPUTS = ("parents.PAR", "sons.PRO", "names.tsv")
FIRST_FATHER = 2000
MOST_MOTHERS = FIRST_FATHER - 1
LARGEST_VALUE = 2147483647
MISSING = -99

ROLES = {
    "f": "mother", "female": "mother", "mother": "mother", "dam": "mother",
    "m": "father", "male": "father", "father": "father", "sire": "father",
    "o": "offspring", "offspring": "offspring", "progeny": "offspring", "juvenile": "offspring",
}
MISSING_CELLS = {"", "0", "na", "n/a", "nan", "-99"}
WHOLE = re.compile(r"^\+?(\d+)(\.0*)?$")


class Problems:
    """Collects what is wrong with the sheet, so a user sees it all at once."""

    def __init__(self, source):
        self.source = source
        self.messages = []

    def add(self, line, text):
        where = f"{self.source} line {line}" if line else self.source
        self.messages.append(f"{PROGRAM}: {where}: {text}")


def fail(text, status=1):
    print(f"{PROGRAM}: {text}", file=sys.stderr)
    sys.exit(status)


def read_text(path):
    try:
        with open(path, "rb") as f:
            data = f.read()
    except OSError as error:
        fail(f"cannot read {path}: {error.strerror}")
    try:
        return data.decode("utf-8-sig")
    except UnicodeDecodeError:
        # Older spreadsheet programs save CSV in a Windows code page; the
        # numbers read the same, and only names could show other letters.
        print(f"{PROGRAM}: note: {path} is not UTF-8 text; reading it as Latin-1", file=sys.stderr)
        return data.decode("latin-1")


def guess_delimiter(text):
    header = text.split("\n", 1)[0]
    for candidate in (",", ";", "\t"):
        if candidate in header:
            return candidate
    return ","


def find_column(header, wanted, what):
    for index, title in enumerate(header):
        if title.strip().lower() == wanted.strip().lower():
            return index
    fail(f"no {what} column named '{wanted}' in the header: {', '.join(h.strip() for h in header)}", 2)


def allele(cell):
    """The allele in a cell: a positive whole number or MISSING; None if unreadable."""
    text = cell.strip()
    if text.lower() in MISSING_CELLS:
        return MISSING
    match = WHOLE.match(text)
    if not match:
        return None
    value = int(match.group(1))
    return value if 0 < value <= LARGEST_VALUE else None


def printable(text):
    return "".join(c if c.isprintable() else "?" for c in text)


def convert(text, source, name_column, sex_column, ignored, delimiter):
    """Reads the sheet. Returns (mothers, fathers, offspring, allele titles),
    each individual a (name, alleles) pair, or exits listing the problems."""
    # Strict: a stray quote is an error, not a cell silently joined with the next.
    rows = csv.reader(io.StringIO(text, newline=""), delimiter=delimiter, strict=True)
    header = next_row(rows, source, 1)
    if header is None or not any(cell.strip() for cell in header):
        fail(f"{source} is empty: the first row must hold the column titles")
    name_at = find_column(header, name_column, "name") if name_column else 0
    sex_at = find_column(header, sex_column, "sex")
    if sex_at == name_at:
        fail("the name and the sex column must differ", 2)
    skip = {name_at, sex_at} | {find_column(header, title, "ignored") for title in ignored}
    allele_columns = [i for i in range(len(header)) if i not in skip]
    titles = [header[i].strip() for i in allele_columns]
    if not allele_columns or len(allele_columns) % 2 != 0:
        fail(f"{len(allele_columns)} allele columns ({', '.join(titles)}): there must be two per "
             "locus; use --ignore for columns that hold no alleles", 2)

    problems = Problems(source)
    groups = {"mother": [], "father": [], "offspring": []}
    seen = {}
    while True:
        line = rows.line_num + 1  # where the row starts: a quoted cell may span lines
        row = next_row(rows, source, line)
        if row is None:
            break
        if not any(cell.strip() for cell in row):
            continue
        if len(row) < len(header) or any(cell.strip() for cell in row[len(header):]):
            problems.add(line, f"{len(row)} cells, but the header has {len(header)}")
            continue
        name = row[name_at].strip()
        if not name:
            problems.add(line, "no name")
            continue
        if not name.isprintable():
            problems.add(line, f"the name '{printable(name)}' holds a tab, a line break or another control character")
            continue
        if name in seen:
            problems.add(line, f"the name '{name}' is already used on line {seen[name]}")
            continue
        seen[name] = line
        sex = row[sex_at].strip()
        role = ROLES.get(sex.lower())
        if role is None:
            problems.add(line, f"sex '{printable(sex)}' of {name} is none of F (mother), M (father), O (offspring)")
            continue
        alleles = []
        for index, title in zip(allele_columns, titles):
            value = allele(row[index])
            if value is None:
                problems.add(line, f"'{printable(row[index].strip())}' in column {title} of {name} is not an allele: "
                             "write a positive whole number, or 0, NA or nothing when it is missing")
            alleles.append(value)
        if None not in alleles:
            groups[role].append((name, alleles))

    if not groups["offspring"] and not problems.messages:
        problems.add(0, "no offspring (sex O)")
    if not groups["mother"] and not groups["father"] and not problems.messages:
        problems.add(0, "no candidate parents (sex F or M)")
    if len(groups["mother"]) > MOST_MOTHERS:
        problems.add(0, f"{len(groups['mother'])} mothers: parentsphere numbers mothers 1 to {MOST_MOTHERS}, "
                     "so at most that many fit in one analysis")
    if problems.messages:
        for message in problems.messages:
            print(message, file=sys.stderr)
        count = len(problems.messages)
        fail(f"nothing written: {count} problem{'s' if count != 1 else ''} to fix in {source}")
    return groups["mother"], groups["father"], groups["offspring"], titles


def next_row(rows, source, line):
    """The next row, or None at the end; a row the csv module cannot read (a
    stray quote, a cell beyond its field limit) ends the run naming the line."""
    try:
        return next(rows, None)
    except csv.Error as error:
        fail(f"{source} line {line}: cannot read this row ({error}); look for a stray quote (\") "
             "or a cell far too long")


def genotype_text(alleles):
    return " ".join(str(a) for a in alleles)


def write_outputs(folder, source, mothers, fathers, offspring, titles):
    origin = printable(os.path.basename(source))
    columns = " ".join(printable(t).replace(" ", "_") or "?" for t in titles)
    parents = [f"# parents.PAR from {origin} by {PROGRAM}: {len(mothers)} mothers numbered from 1, "
               f"then {len(fathers)} fathers numbered from {FIRST_FATHER}; names in names.tsv\n",
               f"# {columns} identifier\n"]
    names = ["number\trole\tname\n"]
    for number, (name, alleles) in enumerate(mothers, start=1):
        parents.append(f"{genotype_text(alleles)} {number}\n")
        names.append(f"{number}\tmother\t{name}\n")
    for number, (name, alleles) in enumerate(fathers, start=FIRST_FATHER):
        parents.append(f"{genotype_text(alleles)} {number}\n")
        names.append(f"{number}\tfather\t{name}\n")
    sons = [f"# sons.PRO from {origin} by {PROGRAM}: {len(offspring)} offspring, numbered "
            "1, 2, 3 ... in this order; names in names.tsv\n",
            f"# {columns}\n"]
    for number, (name, alleles) in enumerate(offspring, start=1):
        sons.append(f"{genotype_text(alleles)}\n")
        names.append(f"{number}\toffspring\t{name}\n")
    replace_together(folder, zip(OUTPUTS, (parents, sons, names)))


def replace_together(folder, contents):
    """Writes every (name, lines) to a temporary file in `folder`, then renames
    them all over their names: on any failure the temporaries go and the
    folder is left as it was. Renaming replaces a link, never writes through it."""
    umask = os.umask(0)
    os.umask(umask)
    written = []
    try:
        for name, lines in contents:
            fd, temporary = tempfile.mkstemp(dir=folder, prefix=f".{name}.")
            written.append((temporary, os.path.join(folder, name)))
            os.fchmod(fd, 0o666 & ~umask)  # as an ordinary new file gets
            with open(fd, "w", encoding="utf-8", newline="\n") as f:
                f.writelines(lines)
                f.flush()
                os.fsync(f.fileno())
        for _, final in written:
            if os.path.isdir(final) and not os.path.islink(final):
                raise IsADirectoryError(errno.EISDIR, os.strerror(errno.EISDIR), final)
        for temporary, final in written:
            os.replace(temporary, final)
    finally:
        for temporary, _ in written:
            if os.path.lexists(temporary):
                os.unlink(temporary)


def count(group, role, first):
    """'3 mothers (1-3)': how many, and the numbers they were given."""
    plural = "" if len(group) == 1 or role == "offspring" else "s"
    numbers = f" ({first}-{first + len(group) - 1})" if len(group) > 1 else f" ({first})" if group else ""
    return f"{len(group)} {role}{plural}{numbers}"


def main(argv):
    parser = argparse.ArgumentParser(
        prog=PROGRAM,
        description="Convert a genotype spreadsheet saved as CSV into parentsphere's "
                    "parents.PAR and sons.PRO, with names.tsv mapping the numbers back to names.",
        epilog="The sheet: a header row, then one row per individual with a name, a sex "
               "(F or female: candidate mother; M or male: candidate father; O or offspring) "
               "and two allele columns per locus (an empty cell, 0, NA or -99 is a missing "
               "allele). Mothers are numbered from 1, fathers from 2000, offspring 1, 2, 3 ... "
               "in sheet order. Guide: preparing-input.md (docs/ in the source, share/doc/parentsphere "
               "once installed); formats and reports: man parentsphere.")
    parser.add_argument("csv", help="the spreadsheet saved as CSV")
    parser.add_argument("--name", metavar="COLUMN", help="title of the name column (default: the first column)")
    parser.add_argument("--sex", metavar="COLUMN", default="sex", help="title of the sex column (default: sex)")
    parser.add_argument("--ignore", metavar="COLUMN", action="append", default=[],
                        help="a column that holds no alleles (repeat for several)")
    parser.add_argument("--delimiter", metavar="CHAR",
                        help="the separator of the CSV cells (default: a comma if the header holds one, "
                             "else a semicolon if it holds one, else a tab if it holds one)")
    parser.add_argument("--output", metavar="FOLDER", default=".",
                        help="where to write the three files (default: the current folder)")
    parser.add_argument("--force", action="store_true", help="replace files that already exist")
    args = parser.parse_args(argv)

    if args.delimiter is not None and len(args.delimiter.replace("\\t", "\t")) != 1:
        fail("--delimiter takes one character", 2)
    if not os.path.isdir(args.output):
        fail(f"the output folder {args.output} does not exist", 2)
    for name in OUTPUTS:
        target = os.path.join(args.output, name)
        if os.path.exists(target) and os.path.exists(args.csv) and os.path.samefile(target, args.csv):
            fail(f"{target} is the sheet being converted; convert it into another folder (--output)", 2)
    existing = [name for name in OUTPUTS if os.path.lexists(os.path.join(args.output, name))]
    if existing and not args.force:
        fail(f"{', '.join(existing)} already in {args.output}; use --force to replace", 2)

    text = read_text(args.csv)
    delimiter = args.delimiter.replace("\\t", "\t") if args.delimiter else guess_delimiter(text)
    mothers, fathers, offspring, titles = convert(text, args.csv, args.name, args.sex, args.ignore, delimiter)
    try:
        write_outputs(args.output, args.csv, mothers, fathers, offspring, titles)
    except OSError as error:
        fail(f"cannot write in {args.output}: {error.strerror}")
    for role, group in (("mothers", mothers), ("fathers", fathers)):
        if not group:
            print(f"{PROGRAM}: warning: no {role}: parentsphere will find no families", file=sys.stderr)
    print(f"{count(mothers, 'mother', 1)}, {count(fathers, 'father', FIRST_FATHER)}, "
          f"{count(offspring, 'offspring', 1)}, {len(titles) // 2} loci: "
          f"wrote {', '.join(OUTPUTS)} in {args.output}")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
