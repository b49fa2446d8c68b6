#!/usr/bin/env python3
"""Turns a spreadsheet of genotypes, saved as CSV, into parentsphere's input.

The sheet has a header row and one row per individual: a name, a sex column
(F for a candidate mother, M for a candidate father, O for an offspring) and
two allele columns per locus; an empty cell, 0, NA, -9, ? or -99 is a missing
allele. The separator (comma, semicolon, tab or runs of spaces) is found from
the sheet, R's write.table output (row names included) is read as it is, and a
sheet without a header row is read with --no-header. Sexes (and candidate
groups) may come from a second table joined by name. SNP data come as a 0/1/2
matrix (--snp-matrix), PLINK .ped/.map (--ped) or VCF (--vcf).

Writes parents.PAR (mothers numbered from 1, then fathers from 2000, or from
the next power of ten above the number of mothers when 2000 or more), sons.PRO
(offspring in sheet order, numbered from 1 as parentsphere counts them) and
names.tsv, which maps every number back to its name; both tables start with a
"# loci" line naming the loci. Nothing is written when any row is wrong: every
problem is listed with its line, and the exit status is 1. The files are
written beside their final names and put in place together under a lock on the
folder, so a failed run, or a second run into the same folder, leaves the
folder as it was. Needs only the Python 3 standard library.
"""

import argparse
import csv
import errno
import fcntl
import gzip
import io
import itertools
import os
import re
import sys
import tempfile

PROGRAM = "csv2parentsphere"
OUTPUTS = ("parents.PAR", "sons.PRO", "names.tsv")
GROUPS_OUTPUT = "groups.tsv"
FIRST_FATHER = 2000
LARGEST_VALUE = 2147483647
MISSING = -99

ROLES = {
    "f": "mother", "female": "mother", "mother": "mother", "dam": "mother",
    "m": "father", "male": "father", "father": "father", "sire": "father",
    "o": "offspring", "offspring": "offspring", "progeny": "offspring", "juvenile": "offspring",
    "h": "either", "hermaphrodite": "either", "either": "either",
}
# A sex nobody recorded: a candidate of either sex under --hermaphrodites.
UNKNOWN_SEX = {"", "u", "unknown", "?", "na", "n/a", "nan", "0", "-9"}
MISSING_CELLS = {"", "0", "na", "n/a", "nan", "-99", "-9", "?"}
# In a 0/1/2 matrix, 0 is a genotype (no copy of the second allele).
MISSING_SNP_CELLS = {"", "na", "n/a", "nan", "-9", "?", "."}
# How many rows tell whether a sheet has R's row names.
ROWS_AHEAD = 100
WHOLE = re.compile(r"^\+?(\d+)(\.0*)?$")
DIGITS = re.compile(r"^[0-9]{1,10}$")
SEPARATOR_WORDS = {",": "commas", ";": "semicolons", "\t": "tabs", " ": "spaces"}
# Whole diploid calls of a biallelic site: reference 1, alternative 2.
CALLED = {f"{a}{sep}{b}": [int(a) + 1, int(b) + 1] for a in "01" for b in "01" for sep in "/|"}
NUCLEOTIDES = {"a": 1, "c": 2, "g": 3, "t": 4}


class Problems:
    """Collects what is wrong with the input, so a user sees it all at once."""

    def __init__(self, source):
        self.source = source
        self.sources = [source]
        self.messages = []

    def add(self, line, text, source=None):
        source = source or self.source
        if source not in self.sources:
            self.sources.append(source)
        where = f"{source} line {line}" if line else source
        self.messages.append(f"{PROGRAM}: {where}: {text}")

    def stop_if_any(self):
        if self.messages:
            for message in self.messages:
                print(message, file=sys.stderr)
            count = len(self.messages)
            fail(f"nothing written: {count} problem{'s' if count != 1 else ''} to fix in "
                 f"{' and '.join(self.sources)}")


class Individual:
    """One row of the input: its name, the line it came from, its sex as
    written (None when another table gives it) and its alleles."""

    def __init__(self, name, line, sex, alleles):
        self.name = name
        self.line = line
        self.sex = sex
        self.alleles = alleles
        self.sex_at = None  # (file, line) of the sex when another table gives it
        self.unusable = False  # a problem already reported makes its role moot


class Reading:
    """What a reader found: the individuals, the locus names (None when the
    input has none), the allele column titles for the tables' column line
    (None to make them from the locus names), the problems, and the title
    over the names (to tell a first row of data from titles)."""

    def __init__(self, individuals, loci, columns, problems, title_of_names=None):
        self.individuals = individuals
        self.loci = loci
        self.columns = columns
        self.problems = problems
        self.title_of_names = title_of_names


class MissingTally:
    """Counts the cells taken as missing, by the code written in them."""

    def __init__(self, codes):
        self.codes = codes
        self.counts = {}

    def take(self, cell):
        """True (and counted) when the cell is a missing code."""
        if cell.lower() not in self.codes:
            return False
        self.counts[cell] = self.counts.get(cell, 0) + 1
        return True

    def report(self):
        if self.counts:
            listed = ", ".join(f"{n} empty cell{'s' if n != 1 else ''}" if code == "" else f"{n} '{printable(code)}'"
                               for code, n in self.counts.items())
            note(f"taken as missing: {listed}")


def fail(text, status=1):
    print(f"{PROGRAM}: {text}", file=sys.stderr)
    sys.exit(status)


def note(text):
    print(f"{PROGRAM}: note: {text}", file=sys.stderr)


def printable(text):
    return "".join(c if c.isprintable() else "?" for c in text)


def read_text(path):
    try:
        with open(path, "rb") as f:
            data = f.read()
        if path.endswith(".gz"):
            data = gzip.decompress(data)
    except (OSError, EOFError) as error:
        fail(f"cannot read {path}: {getattr(error, 'strerror', None) or error}")
    try:
        return data.decode("utf-8-sig")
    except UnicodeDecodeError:
        # Older spreadsheet programs save CSV in a Windows code page; the
        # numbers read the same, and only names could show other letters.
        note(f"{path} is not UTF-8 text; reading it as Latin-1")
        return data.decode("latin-1")


def outside_quotes(line):
    kept, quoted = [], False
    for c in line:
        if c == '"':
            quoted = not quoted
        elif not quoted:
            kept.append(c)
    return "".join(kept)


def detect_delimiter(text):
    """The separator of the first rows: a comma, semicolon or tab found in
    every one of them (in that order of preference), else runs of spaces."""
    lines = [outside_quotes(l.strip(" \r")) for l in text.split("\n")[:50] if l.strip()][:5]
    if not lines:
        return ","
    for candidate in (",", ";", "\t"):
        if all(candidate in line for line in lines):
            return candidate
    for candidate in (",", ";", "\t"):
        if candidate in lines[0]:
            return candidate
    return " " if " " in lines[0] else ","


def delimiter_of(text, given, source):
    if given is not None:
        return given
    found = detect_delimiter(text)
    note(f"cells of {source} separated by {SEPARATOR_WORDS[found]} (--delimiter sets another)")
    return found


def read_rows(text, source, delimiter):
    """Yields every row that holds a cell, as (line, cells), one at a time so
    a large sheet is never held twice; a row the csv module cannot read (a
    stray quote, a cell beyond its field limit) ends the run naming the line
    where it starts."""
    if delimiter == " ":
        # Columns lined up with runs of spaces, as R's write.table and many
        # programs print them.
        text = "\n".join(line.strip(" \r") for line in text.split("\n"))
    rows = csv.reader(io.StringIO(text, newline=""), delimiter=delimiter, strict=True,
                      skipinitialspace=delimiter == " ")
    while True:
        line = rows.line_num + 1  # where the row starts: a quoted cell may span lines
        try:
            row = next(rows, None)
        except csv.Error as error:
            hint = ""
            if delimiter != " " and delimiter not in text.split("\n", 1)[0]:
                hint = "; the header holds no '" + delimiter.replace("\t", "\\t") + \
                       "': try --delimiter ' ' for cells separated by spaces"
            fail(f"{source} line {line}: cannot read this row ({error}); look for a stray quote (\") "
                 f"or a cell far too long{hint}")
        if row is None:
            return
        if any(cell.strip() for cell in row):
            yield line, row


def column_number(text, option, width):
    if not DIGITS.match(text) or not 1 <= int(text) <= width:
        fail(f"{option} takes a column number from 1 to {width}, not '{printable(text)}'", 2)
    return int(text) - 1


def find_column(header, wanted, what):
    """The index of the column titled `wanted` (any letter case), or None."""
    for index, title in enumerate(header):
        if title.strip().lower() == wanted.strip().lower():
            return index
    return None


def looks_like_data(header):
    numbers = sum(1 for cell in header if WHOLE.match(cell.strip()))
    return numbers >= 2 and 3 * numbers > len(header)


def missing_column(header, wanted, what, source):
    if looks_like_data(header):
        shown = ", ".join(printable(h.strip()) for h in header[:4])
        fail(f"the first row of {source} looks like data, not column titles ({shown}, ...): for a sheet "
             "without a header row give --no-header, with --id-column N and --sex-column N (column "
             "numbers from 1; by default 1 and 2)", 2)
    fail(f"no {what} column named '{wanted}' in the header: {', '.join(printable(h.strip()) for h in header)}", 2)


class Sheet:
    """A table with named columns: the genotype sheet, the sex or the groups
    table. Finds the header (or makes one), the row names of R's
    write.table, and the columns by title or number."""

    def __init__(self, text, source, delimiter, no_header=False):
        self.source = source
        rows = read_rows(text, source, delimiter)
        first = next(rows, None)
        if first is None:
            fail(f"{source} is empty: the first row must hold the column titles")
        self.no_header = no_header
        if no_header:
            self.header = [str(i + 1) for i in range(len(first[1]))]
            ahead = [first]
        else:
            self.header = first[1]
            ahead = list(itertools.islice(rows, ROWS_AHEAD))
        self.rows = itertools.chain(ahead, rows)
        self.row_names = None
        if not no_header and ahead and all(len(row) == len(self.header) + 1 for _, row in ahead):
            self.read_row_names([row[0].strip() for _, row in ahead])

    def read_row_names(self, first_names):
        """R's write.table writes one title fewer than cells: the row names
        have none. Row names that are numbers (R's own, which count the rows
        of the data frame) are left out; others are the names."""
        counted = all(WHOLE.match(name) for name in first_names)
        self.header = ["row names"] + self.header
        self.row_names = "counted" if counted else "named"
        what = ("its row names are numbers and are left out" if counted
                else "its first column holds the row names")
        note(f"the header of {self.source} has one title fewer than its rows: read as R's "
             f"write.table output, where {what}")

    def column(self, title, number, what, by_number):
        """The index of a column given by title or by number (the option
        `by_number`); None when neither is given."""
        if number is not None:
            return column_number(number, by_number, len(self.header))
        if title is None:
            return None
        if self.no_header:
            fail(f"{self.source} has no header row (--no-header): give the {what} column by number "
                 f"with {by_number}", 2)
        found = find_column(self.header, title, what)
        if found is None:
            missing_column(self.header, title, what, self.source)
        return found


def allele(cell, tally):
    """The allele in a cell: a positive whole number or MISSING; None if unreadable."""
    text = cell.strip()
    if text.isdigit() and text.isascii() and text not in tally.codes:  # the common case
        value = int(text)
        return value if 0 < value <= LARGEST_VALUE else None
    if tally.take(text):
        return MISSING
    match = WHOLE.match(text)
    if not match:
        return None
    value = int(match.group(1))
    return value if 0 < value <= LARGEST_VALUE else None


def snp_alleles(cell, tally):
    """The two alleles of a 0/1/2 cell (copies of the second allele), or None."""
    text = cell.strip()
    if tally.take(text):
        return [MISSING, MISSING]
    match = WHOLE.match(text)
    if not match or int(match.group(1)) > 2:
        return None
    copies = int(match.group(1))
    return [1 if copies < 2 else 2, 1 if copies < 1 else 2]


def locus_name(first, second):
    """The name of a locus from the titles of its two allele columns:
    what they share (LocA_1 and LocA_2 make LocA), else the first title."""
    shared = os.path.commonprefix([first, second]).rstrip("_.- ")
    if len(first) == len(second) and len(shared) < len(first) - 1 and first[-1:].isalnum():
        shared = shared if shared and first[len(shared):][:1] in "_.- " else ""
    return shared or first


def read_genotype_sheet(args, text, tally):
    """The individuals and locus names of a sheet of allele columns (or, with
    --snp-matrix, of 0/1/2 columns)."""
    source = args.input
    sheet = Sheet(text, source, args.delimiter, args.no_header)
    header = sheet.header
    name_at = sheet.column(args.name, args.id_column, "name", "--id-column")
    if name_at is None:
        name_at = 1 if sheet.row_names == "counted" else 0
    if args.sex_table is not None and (args.sex is not None or args.sex_column is not None):
        fail("the sex comes from --sex-table or from a column of the sheet, not both", 2)
    sex_at = sheet.column(args.sex, args.sex_column, "sex", "--sex-column")
    if sex_at is None and sheet.no_header and args.sex_table is None:
        sex_at = column_number("2", "--sex-column", len(header))
    elif sex_at is None and not sheet.no_header:
        # With --sex-table, a sex column of the sheet is no allele column
        # and the second table's sexes are the ones used.
        sex_at = find_column(header, "sex", "sex")
        if sex_at is None and args.sex_table is None:
            if args.snp_matrix and not looks_like_data(header):
                fail(f"no sex column named 'sex' in the header of {source}: give the roles with "
                     "--sex-table FILE (id and sex columns)", 2)
            missing_column(header, "sex", "sex", source)
    if sex_at == name_at:
        fail("the name and the sex column must differ", 2)
    skip = {name_at}
    if sex_at is not None:
        skip.add(sex_at)
    if sheet.row_names is not None:
        skip.add(0)
    for title in args.ignore:
        found = (column_number(title, "--ignore", len(header)) if sheet.no_header
                 else find_column(header, title, "ignored"))
        if found is None:
            fail(f"no ignored column named '{title}' in the header: "
                 f"{', '.join(printable(h.strip()) for h in header)}", 2)
        skip.add(found)
    if args.first_allele_column is not None:
        first = column_number(args.first_allele_column, "--first-allele-column", len(header))
        skip.update(range(first))
    allele_columns = [i for i in range(len(header)) if i not in skip]
    titles = [header[i].strip() for i in allele_columns]
    if args.snp_matrix:
        if not allele_columns:
            fail(f"no genotype columns in {source}: one 0/1/2 column per locus", 2)
        loci = titles
    else:
        if not allele_columns or len(allele_columns) % 2 != 0:
            fail(f"{len(allele_columns)} allele columns ({', '.join(titles)}): there must be two per "
                 "locus; use --ignore for columns that hold no alleles", 2)
        loci = [locus_name(titles[i], titles[i + 1]) for i in range(0, len(titles), 2)]
    # The column line of the tables: the sheet's titles, or (for SNPs, and
    # without a header) locus and allele numbers made up in write_outputs.
    columns = titles if not args.snp_matrix and not sheet.no_header else None
    if sheet.no_header:
        loci = None

    problems = Problems(source)
    individuals = []
    seen = {}
    width = len(header)
    for line, row in sheet.rows:
        if len(row) < width or any(cell.strip() for cell in row[width:]):
            hint = ""
            if len(row) == width + 1 and not sheet.no_header:
                hint = (" (R's write.table writes row names without a title: when the first rows have one "
                        "cell more than the header, their first column is read as row names)")
            elif len(row) == width - 1 and sheet.row_names is not None:
                hint = (" (the first rows have one cell more than the header: their first column was read as "
                        "row names)")
            problems.add(line, f"{len(row)} cells, but the {'header' if not sheet.no_header else 'first row'} "
                         f"has {width}{hint}")
            continue
        row = row + [""] * (len(header) - len(row))
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
        alleles = []
        for index, title in zip(allele_columns, titles):
            if args.snp_matrix:
                pair = snp_alleles(row[index], tally)
                if pair is None:
                    problems.add(line, f"'{printable(row[index].strip())}' in column {title} of {name} is not a "
                                 "genotype: write 0, 1 or 2 (copies of the second allele), or NA, -9 or "
                                 "nothing when it is missing")
                    pair = [None, None]
                alleles.extend(pair)
                continue
            value = allele(row[index], tally)
            if value is None:
                problems.add(line, f"'{printable(row[index].strip())}' in column {title} of {name} is not an allele: "
                             "write a positive whole number, or 0, NA or nothing when it is missing")
            alleles.append(value)
        sex = row[sex_at].strip() if sex_at is not None and args.sex_table is None else None
        individuals.append(Individual(name, line, sex, alleles))
    # A sheet without a header row whose sexes come from a second table:
    # its first individual would be taken for titles.
    title_of_names = None if sheet.no_header else header[name_at].strip()
    return Reading(individuals, loci, columns, problems, title_of_names)


def read_ped(args, tally):
    """The individuals of a PLINK .ped file and the locus names of its .map:
    alleles A, C, G, T become 1 to 4, numbers stay, 0 is missing; the sex
    column (1 male, 2 female) gives a parent's role, and a row that names a
    father or a mother is an offspring."""
    source = args.input
    text = read_text(source)
    problems = Problems(source)
    individuals = []
    seen = {}
    width = None
    for number, raw in enumerate(text.split("\n"), start=1):
        cells = raw.split()
        if not cells:
            continue
        if len(cells) < 8 or len(cells) % 2 != 0:
            problems.add(number, f"{len(cells)} columns: a .ped line holds family, individual, father, mother, "
                         "sex, phenotype and two alleles per SNP")
            continue
        if width is None:
            width = len(cells)
        elif len(cells) != width:
            problems.add(number, f"{len(cells)} columns, but the first line has {width}")
            continue
        name = cells[1]
        if not name.isprintable():
            problems.add(number, f"the name '{printable(name)}' holds a control character")
            continue
        if name in seen:
            problems.add(number, f"the individual '{printable(name)}' is already on line {seen[name]}")
            continue
        seen[name] = number
        alleles = []
        for position, cell in enumerate(cells[6:]):
            low = cell.lower()
            if tally.take(cell):
                alleles.append(MISSING)
            elif low in NUCLEOTIDES:
                alleles.append(NUCLEOTIDES[low])
            elif WHOLE.match(cell) and 0 < int(WHOLE.match(cell).group(1)) <= LARGEST_VALUE:
                alleles.append(int(WHOLE.match(cell).group(1)))
            else:
                problems.add(number, f"'{printable(cell)}' at SNP {position // 2 + 1} of {name} is not an allele: "
                             "write A, C, G, T or a positive number, or 0 when it is missing")
                alleles.append(None)
        if cells[2] != "0" or cells[3] != "0":
            sex = "offspring"
        else:
            sex = {"1": "M", "2": "F"}.get(cells[4], cells[4])
        individuals.append(Individual(name, number, sex, alleles))
    loci = None
    map_path = args.map
    if map_path is None and source.endswith(".ped") and os.path.exists(source[:-4] + ".map"):
        map_path = source[:-4] + ".map"
    if map_path is not None:
        loci = [cells[1] for cells in (l.split() for l in read_text(map_path).split("\n")) if len(cells) >= 2]
        if width is not None and len(loci) != (width - 6) // 2:
            problems.add(0, f"{len(loci)} SNPs in {map_path}, but {(width - 6) // 2} in the .ped file")
    return Reading(individuals, loci, None, problems)


def read_vcf(args, tally):
    """The samples of a VCF file at its biallelic sites, from the GT field:
    the reference allele becomes 1, the other 2, '.' is missing. Sites with
    more than one alternative allele are left out and counted."""
    source = args.input
    text = read_text(source)
    problems = Problems(source)
    samples = None
    alleles = []
    loci = []
    multiallelic = 0
    for number, raw in enumerate(text.split("\n"), start=1):
        line = raw.rstrip("\r")
        if not line or line.startswith("##"):
            continue
        cells = line.split("\t")
        if line.startswith("#"):
            if len(cells) < 10:
                fail(f"{source} line {number}: the #CHROM line names no samples", 2)
            samples = cells[9:]
            seen = {}
            for name in samples:
                if name in seen or not name.strip() or not name.isprintable():
                    fail(f"{source} line {number}: the sample name '{printable(name)}' is "
                         f"{'repeated' if name in seen else 'empty or holds a control character'}", 2)
                seen[name] = True
            alleles = [[] for _ in samples]
            continue
        if samples is None:
            fail(f"{source} line {number}: a site before the #CHROM line that names the samples", 2)
        if len(cells) != 9 + len(samples):
            problems.add(number, f"{len(cells)} columns, but the #CHROM line has {9 + len(samples)}")
            continue
        if "," in cells[4]:
            multiallelic += 1
            continue
        fields = cells[8].split(":")
        if "GT" not in fields:
            problems.add(number, "no GT field in the FORMAT column")
            continue
        at = fields.index("GT")
        loci.append(cells[2] if cells[2] != "." else f"{cells[0]}:{cells[1]}")
        for index, cell in enumerate(cells[9:]):
            genotype = cell if at == 0 and ":" not in cell else (cell.split(":") + ["."] * at)[at]
            called = CALLED.get(genotype)
            if called is not None:  # the common case, looked up whole
                alleles[index].extend(called)
                continue
            calls = re.split(r"[/|]", genotype)
            if genotype == "." or (len(calls) == 2 and all(c == "." for c in calls)):
                tally.take(genotype)
                alleles[index].extend([MISSING, MISSING])
            elif len(calls) == 2 and all(c in ("0", "1", ".") for c in calls):
                for c in calls:
                    alleles[index].append(MISSING if tally.take(c) else int(c) + 1)
            else:
                problems.add(number, f"genotype '{printable(genotype)}' of {samples[index]} is not diploid "
                             "0, 1 or . (like 0/1, 1|1 or ./.)")
                alleles[index].extend([None, None])
    if samples is None:
        fail(f"{source} has no #CHROM line naming the samples: is it a VCF file?", 2)
    if multiallelic:
        note(f"{multiallelic} site{'s' if multiallelic != 1 else ''} with more than two alleles left out")
    individuals = [Individual(name, 0, None, a) for name, a in zip(samples, alleles)]
    return Reading(individuals, loci, None, problems)


def read_keyed_table(path, args, value_title, what):
    """A second table joined by name: (id column, value column) pairs with
    their lines. The id is the first column (or the one --name titles), the
    value the column titled `value_title`, or the second of two columns."""
    text = read_text(path)
    sheet = Sheet(text, path, delimiter_of(text, None, path))
    header = sheet.header
    id_at = find_column(header, args.name, "id") if args.name else None
    if id_at is None:
        id_at = 1 if sheet.row_names == "counted" else 0
    value_at = find_column(header, value_title, what)
    if value_at is None:
        others = [i for i in range(len(header)) if i != id_at and not (sheet.row_names == "counted" and i == 0)]
        if len(others) != 1:
            fail(f"no {what} column named '{value_title}' in {path}: "
                 f"{', '.join(printable(h.strip()) for h in header)}", 2)
        value_at = others[0]
    pairs = []
    for line, row in sheet.rows:
        row = row + [""] * (len(header) - len(row))
        pairs.append((line, row[id_at].strip(), row[value_at].strip()))
    return pairs


def join_sexes(reading, path, args):
    """Sets each individual's sex from the sex table; a name missing there,
    or given twice, is a located problem."""
    individuals, problems = reading.individuals, reading.problems
    sexes = {}
    for line, name, sex in read_keyed_table(path, args, "sex", "sex"):
        if name in sexes:
            problems.add(line, f"{printable(name)} already has a sex on line {sexes[name][0]}", path)
            continue
        sexes[name] = (line, sex)
    title = reading.title_of_names
    if title in sexes:
        fail(f"the first row of {args.input} looks like data, not column titles: its name column holds "
             f"'{printable(title)}', a name in {path}; for a sheet without a header row give --no-header", 2)
    names = set()
    either = []
    for one in individuals:
        names.add(one.name)
        if one.name in sexes:
            one.sex = sexes[one.name][1]
            one.sex_at = (path, sexes[one.name][0])
        elif one.sex is not None:
            pass  # a .ped line's own sex and parents
        elif args.hermaphrodites:
            one.sex = ""
            either.append(one.name)
        else:
            problems.add(one.line, f"no sex for {one.name} in {path}")
            one.unusable = True
    if either:
        note(f"{len(either)} name{'s' if len(either) != 1 else ''} of {args.input} not in {path}, so of "
             f"either sex (first: {printable(either[0])})")
    unused = [name for name in sexes if name not in names]
    if unused:
        note(f"{len(unused)} name{'s' if len(unused) != 1 else ''} of {path} not in {args.input} "
             f"(first: {printable(unused[0])})")


def role_of(one, args, problems, source):
    sex = one.sex or ""
    line = one.line
    if one.sex_at is not None:
        source, line = one.sex_at
    role = ROLES.get(sex.lower())
    if role == "either" and not args.hermaphrodites:
        problems.add(line, f"sex '{printable(sex)}' of {one.name} is a hermaphrodite: give --hermaphrodites "
                     "to write every parent once, a candidate mother and father", source)
        return None
    if role is None and args.hermaphrodites and sex.lower() in UNKNOWN_SEX:
        role = "either"
    if role is None:
        problems.add(line, f"sex '{printable(sex)}' of {one.name} is none of F (mother), M (father), "
                     "O (offspring); with --hermaphrodites also H or blank (either)", source)
    return role


def sort_roles(individuals, args, problems):
    groups = {"mother": [], "father": [], "offspring": []}
    for one in individuals:
        if one.unusable:
            continue
        role = role_of(one, args, problems, args.input)
        if role is None or None in one.alleles:
            continue
        if args.hermaphrodites and role != "offspring":
            # Every parent once, numbered as mothers are: parentsphere's
            # --hermaphrodites takes each as a candidate mother and father.
            role = "mother"
        groups[role].append(one)
    return groups["mother"], groups["father"], groups["offspring"]


def first_father_of(args, mothers, fathers):
    """The number of the first father: --first-father-id, else 2000 as
    parentsphere expects, else (2000 mothers or more) the next power of ten
    above the number of mothers, said in a note naming the option to run
    parentsphere with. Hermaphrodites are numbered as mothers are."""
    who = "parents" if args.hermaphrodites else "mothers"
    if args.first_father_id is not None:
        first = args.first_father_id
        if len(mothers) >= first:
            fail(f"{len(mothers)} {who} do not fit below --first-father-id {first}: give a number above "
                 f"{len(mothers)}", 2)
    elif len(mothers) < FIRST_FATHER:
        return FIRST_FATHER
    else:
        first = 10 ** len(str(len(mothers)))
        numbered = (f"their numbers reach {len(mothers)}" if args.hermaphrodites
                    else f"fathers are numbered from {first}")
        note(f"{len(mothers)} {who}: {numbered}; run parentsphere --first-father-id {first}")
    if first + len(fathers) - 1 > LARGEST_VALUE:
        fail(f"{len(fathers)} fathers from {first} go beyond {LARGEST_VALUE}", 2)
    return first


def group_lines(path, args, numbered):
    """groups.tsv lines (number, role, group) for the candidate groups
    table, in the order of the table."""
    problems = Problems(path)
    lines = ["number\trole\tgroup\n"]
    unknown = []
    for line, name, group in read_keyed_table(path, args, "group", "group"):
        if not group or not group.isprintable() or "\t" in group:
            problems.add(line, f"the group '{printable(group)}' of {printable(name)} is empty or holds "
                         "a tab or a control character")
            continue
        if name not in numbered:
            unknown.append(name)
            continue
        number, role = numbered[name]
        lines.append(f"{number}\t{role}\t{group}\n")
    problems.stop_if_any()
    if unknown:
        note(f"{len(unknown)} name{'s' if len(unknown) != 1 else ''} of {path} not among the individuals "
             f"written (first: {printable(unknown[0])})")
    return lines


def genotype_text(alleles):
    return " ".join(str(a) for a in alleles)


def clean_title(text):
    return re.sub(r"\s+", "_", printable(text)) or "?"


def write_outputs(args, outputs, mothers, fathers, offspring, loci, titles, first_father):
    origin = printable(os.path.basename(args.input))
    loci_line = [f"# loci\t{chr(9).join(clean_title(n) for n in loci)}\n"] if loci else []
    if titles is None:
        count = len(offspring[0].alleles) // 2
        titles = [f"{name}_{side}" for name in (loci or range(1, count + 1)) for side in (1, 2)]
    columns = " ".join(clean_title(str(t)) for t in titles)
    if args.hermaphrodites:
        who = (f"{len(mothers)} parents numbered from 1, each a candidate mother and father under "
               "parentsphere --hermaphrodites")
    else:
        who = (f"{len(mothers)} mothers numbered from 1, then {len(fathers)} fathers numbered from "
               f"{first_father}")
    parents = loci_line + [f"# parents.PAR from {origin} by {PROGRAM}: {who}; names in names.tsv\n",
                           f"# {columns} identifier\n"]
    names = ["number\trole\tname\n"]
    numbered = {}
    for group, role, first in ((mothers, "mother", 1), (fathers, "father", first_father)):
        for number, one in enumerate(group, start=first):
            parents.append(f"{genotype_text(one.alleles)} {number}\n")
            names.append(f"{number}\t{role}\t{one.name}\n")
            numbered[one.name] = (number, role)
    sons = loci_line + [f"# sons.PRO from {origin} by {PROGRAM}: {len(offspring)} offspring, numbered "
                        "1, 2, 3 ... in this order; names in names.tsv\n",
                        f"# {columns}\n"]
    for number, one in enumerate(offspring, start=1):
        sons.append(f"{genotype_text(one.alleles)}\n")
        names.append(f"{number}\toffspring\t{one.name}\n")
        numbered[one.name] = (number, "offspring")
    contents = [parents, sons, names]
    if args.groups_table is not None:
        contents.append(group_lines(args.groups_table, args, numbered))
    replace_together(args.output, zip(outputs, contents))


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


def lock_folder(folder, outputs):
    """Locks the output folder against a second conversion (or a parentsphere
    run) writing there at the same time, the way parentsphere locks its report
    folder: an advisory lock on the folder itself, dropped when the process
    ends. Returns the open folder; ends the run when another run holds it."""
    try:
        fd = os.open(folder, os.O_RDONLY | os.O_DIRECTORY)
    except OSError as error:
        fail(f"cannot open the output folder {folder}: {error.strerror}")
    try:
        fcntl.flock(fd, fcntl.LOCK_EX | fcntl.LOCK_NB)
    except BlockingIOError:
        where = "this folder" if folder == "." else folder
        fail(f"another run is writing {', '.join(outputs)} in {where}; nothing was changed")
    except OSError:
        pass  # a file system without locks: convert unlocked, as parentsphere does
    return fd


def count(group, role, first):
    """'3 mothers (1-3)': how many, and the numbers they were given."""
    plural = "" if len(group) == 1 or role == "offspring" else "s"
    numbers = f" ({first}-{first + len(group) - 1})" if len(group) > 1 else f" ({first})" if group else ""
    return f"{len(group)} {role}{plural}{numbers}"


def parse_arguments(argv):
    parser = argparse.ArgumentParser(
        prog=PROGRAM,
        description="Convert a genotype spreadsheet saved as CSV (or SNP genotypes as a 0/1/2 matrix, "
                    "PLINK .ped or VCF) into parentsphere's parents.PAR and sons.PRO, with names.tsv "
                    "mapping the numbers back to names.",
        epilog="The sheet: a header row, then one row per individual with a name, a sex "
               "(F or female: candidate mother; M or male: candidate father; O or offspring; "
               "H, hermaphrodite or either, and a blank, with --hermaphrodites) and two allele "
               "columns per locus (an empty cell, 0, NA, -9, ? or -99 is a missing allele; the "
               "codes taken are counted on standard error). Cells separated by commas, semicolons, "
               "tabs or runs of spaces are recognised, and so is R's write.table output with row "
               "names. Mothers are numbered from 1, fathers from 2000 (from the next power of ten "
               "above the number of mothers when there are 2000 or more), offspring 1, 2, 3 ... in "
               "sheet order. Both tables start with the line '# loci<TAB>name<TAB>...'. Guide: "
               "preparing-input.md (docs/ in the source, share/doc/parentsphere once installed); "
               "formats and reports: man parentsphere.")
    parser.add_argument("input", help="the spreadsheet saved as CSV (or the SNP file)")
    parser.add_argument("--name", metavar="COLUMN", help="title of the name column (default: the first column)")
    parser.add_argument("--sex", metavar="COLUMN", help="title of the sex column (default: sex)")
    parser.add_argument("--id-column", metavar="N", help="the name column by number, from 1")
    parser.add_argument("--sex-column", metavar="N",
                        help="the sex column by number, from 1 (default with --no-header: 2)")
    parser.add_argument("--first-allele-column", metavar="N",
                        help="the first allele column by number; the columns before it hold no alleles")
    parser.add_argument("--no-header", action="store_true",
                        help="the sheet has no header row: columns are given by number")
    parser.add_argument("--ignore", metavar="COLUMN", action="append", default=[],
                        help="a column that holds no alleles, by title (by number with --no-header); "
                             "repeat for several")
    parser.add_argument("--delimiter", metavar="CHAR",
                        help="the separator of the cells: one character, '\\t' for a tab, ' ' for runs of "
                             "spaces (default: found from the first rows and said on standard error)")
    parser.add_argument("--missing", metavar="CODE", action="append", default=[],
                        help="one more code for a missing allele (repeat for several)")
    parser.add_argument("--sex-table", metavar="FILE",
                        help="a second table giving the sex of each name: an id column and a sex column")
    parser.add_argument("--groups-table", metavar="FILE",
                        help="a table of candidate groups (id and group columns, a line per individual "
                             "and group), written as groups.tsv: number, role, group")
    parser.add_argument("--hermaphrodites", action="store_true",
                        help="every parent is written once, a candidate mother and father "
                             "(for parentsphere --hermaphrodites); H, either and a blank sex are accepted")
    parser.add_argument("--first-father-id", metavar="N",
                        help="number the fathers from N (give parentsphere the same --first-father-id)")
    formats = parser.add_mutually_exclusive_group()
    formats.add_argument("--snp-matrix", action="store_true",
                         help="the input holds one 0/1/2 column per SNP (copies of the second allele)")
    formats.add_argument("--ped", action="store_true",
                         help="the input is a PLINK .ped file (locus names from the .map beside it)")
    formats.add_argument("--vcf", action="store_true",
                         help="the input is a VCF file (.vcf or .vcf.gz); roles from --sex-table")
    parser.add_argument("--map", metavar="FILE", help="the PLINK .map file (default: the .ped's name with .map)")
    parser.add_argument("--output", metavar="FOLDER", default=".",
                        help="where to write the files (default: the current folder)")
    parser.add_argument("--force", action="store_true", help="replace files that already exist")
    return parser.parse_args(argv)


def check_arguments(args):
    if args.delimiter is not None:
        args.delimiter = args.delimiter.replace("\\t", "\t")
        if len(args.delimiter) != 1:
            fail("--delimiter takes one character", 2)
    if args.first_father_id is not None:
        if not DIGITS.match(args.first_father_id) or not 2 <= int(args.first_father_id) <= LARGEST_VALUE:
            fail(f"--first-father-id takes a whole number from 2 to {LARGEST_VALUE}, "
                 f"not '{printable(args.first_father_id)}'", 2)
        args.first_father_id = int(args.first_father_id)
    for option, value in (("--id-column", args.id_column), ("--sex-column", args.sex_column),
                          ("--first-allele-column", args.first_allele_column)):
        if value is not None and (not DIGITS.match(value) or int(value) < 1):
            fail(f"{option} takes a column number from 1, not '{printable(value)}'", 2)
    if args.no_header:
        for value in args.ignore:
            if not DIGITS.match(value) or int(value) < 1:
                fail(f"--ignore takes a column number from 1 with --no-header, not '{printable(value)}'", 2)
    if args.name is not None and args.id_column is not None:
        fail("--name and --id-column both give the name column: choose one", 2)
    if args.sex is not None and args.sex_column is not None:
        fail("--sex and --sex-column both give the sex column: choose one", 2)
    if (args.ped or args.vcf) and (args.no_header or args.id_column or args.sex_column or args.name or args.sex
                                   or args.first_allele_column or args.ignore):
        fail("--ped and --vcf files have their own columns: column options apply to sheets", 2)
    if args.map is not None and not args.ped:
        fail("--map goes with --ped", 2)
    if args.vcf and args.sex_table is None:
        fail("a VCF file holds no sexes: give them with --sex-table FILE (id and sex columns)", 2)
    if not args.vcf and not args.ped and not args.snp_matrix:
        lowered = args.input.lower()
        if lowered.endswith(".vcf") or lowered.endswith(".vcf.gz"):
            fail(f"{args.input} looks like a VCF file: add --vcf (and --sex-table FILE)", 2)
        if lowered.endswith(".ped"):
            fail(f"{args.input} looks like a PLINK file: add --ped", 2)


def main(argv):
    args = parse_arguments(argv)
    check_arguments(args)
    outputs = OUTPUTS + ((GROUPS_OUTPUT,) if args.groups_table is not None else ())
    if not os.path.isdir(args.output):
        fail(f"the output folder {args.output} does not exist", 2)
    inputs = [args.input] + [p for p in (args.sex_table, args.groups_table, args.map) if p is not None]
    for name in outputs:
        target = os.path.join(args.output, name)
        for path in inputs:
            if os.path.exists(target) and os.path.exists(path) and os.path.samefile(target, path):
                what = "the sheet being converted" if path == args.input else "an input of this conversion"
                fail(f"{target} is {what}; convert it into another folder (--output)", 2)
    # Held from the check of existing files to the last rename, so two runs
    # into one folder never leave files of both.
    lock = lock_folder(args.output, outputs)
    existing = [name for name in outputs if os.path.lexists(os.path.join(args.output, name))]
    if existing and not args.force:
        fail(f"{', '.join(existing)} already in {args.output}; use --force to replace", 2)

    extra = {code.strip().lower() for code in args.missing}
    if args.ped:
        tally = MissingTally({"0"} | extra)
        reading = read_ped(args, tally)
    elif args.vcf:
        tally = MissingTally({".", "./.", ".|."} | extra)
        reading = read_vcf(args, tally)
    else:
        tally = MissingTally((MISSING_SNP_CELLS if args.snp_matrix else MISSING_CELLS) | extra)
        text = read_text(args.input)
        args.delimiter = delimiter_of(text, args.delimiter, args.input)
        reading = read_genotype_sheet(args, text, tally)
    if args.sex_table is not None:
        join_sexes(reading, args.sex_table, args)
    problems = reading.problems
    mothers, fathers, offspring = sort_roles(reading.individuals, args, problems)
    if not offspring and not problems.messages:
        problems.add(0, "no offspring (sex O)")
    if not mothers and not fathers and not problems.messages:
        problems.add(0, "no candidate parents (sex F or M)")
    problems.stop_if_any()
    first_father = first_father_of(args, mothers, fathers)
    try:
        write_outputs(args, outputs, mothers, fathers, offspring, reading.loci, reading.columns, first_father)
    except OSError as error:
        fail(f"cannot write in {args.output}: {error.strerror}")
    tally.report()
    if args.groups_table is None and os.path.lexists(os.path.join(args.output, GROUPS_OUTPUT)):
        note(f"{GROUPS_OUTPUT} in {args.output} was left as it is: its numbers may no longer match names.tsv")
    if args.hermaphrodites:
        parents = count(mothers, "parent", 1)
    else:
        for role, group in (("mothers", mothers), ("fathers", fathers)):
            if not group:
                print(f"{PROGRAM}: warning: no {role}: parentsphere will find no families", file=sys.stderr)
        parents = f"{count(mothers, 'mother', 1)}, {count(fathers, 'father', first_father)}"
    loci_count = len(offspring[0].alleles) // 2
    print(f"{parents}, {count(offspring, 'offspring', 1)}, {loci_count} loci: "
          f"wrote {', '.join(outputs)} in {args.output}")
    os.close(lock)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
