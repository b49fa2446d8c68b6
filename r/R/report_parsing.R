# Parsers of the reports' text, for read_parentsphere_reports() (the files of
# a command-line run, or those find_parents() writes when asked): the same
# data frames find_parents() has from the engine itself. Numbers are turned
# into names by `naming`, a list of functions (offspring, mother, father)
# from report numbers to names.

match_tags <- c("I-TOTAL MATCH", "S-TOTAL MATCH", "NON-TOTAL MATCH")
dash_line <- strrep("-", 65L)

report_lines <- function(text) {
  if (!nzchar(text)) return(character())
  strsplit(text, "\n", fixed = TRUE)[[1]]
}

# The lines after the header's dash line; stops when the text is not `report`.
report_body <- function(lines, report) {
  at <- match(dash_line, lines)
  if (is.na(at)) stop(sprintf("%s does not look like a parentsphere report", report), call. = FALSE)
  lines[-seq_len(at)]
}

# "Parent.out": one row per offspring x candidate, mothers then fathers of
# each offspring in report order (Included, then SemiIncluded, table order).
parse_parent_report <- function(text, naming, report = "Parent.out") {
  body <- report_body(report_lines(text), report)
  body <- body[nzchar(body) & body != dash_line]
  candidate <- "(-?[0-9]+)\\((I-TOTAL|S-TOTAL|NON-TOTAL) MATCH\\)"
  pattern <- sprintf("^(-?[0-9]+)?(\t\t|\t{7})%s(\t\t(%s)?)?$", candidate, candidate)
  parts <- regmatches(body, regexec(pattern, body))
  if (any(lengths(parts) == 0L)) {
    stop(sprintf("%s: unexpected line '%s'", report, body[lengths(parts) == 0L][1]), call. = FALSE)
  }
  field <- function(k) vapply(parts, `[`, "", k)
  offspring <- fill_down(field(2L))
  father_only <- field(3L) != "\t\t"
  beside <- nzchar(field(7L))  # a father beside the mother
  sexes <- c(ifelse(father_only, "M", "F"), rep("M", sum(beside)))
  numbers <- c(field(4L), field(8L)[beside])
  tags <- c(field(5L), field(9L)[beside])
  sons <- c(offspring, offspring[beside])
  # Each line holds a mother and the next father; fathers are listed in the
  # order they appear, after the mothers, so the rows are sorted that way.
  line <- c(seq_along(body), which(beside))
  mothers_first <- order(as.integer(sons), sexes == "M", line)
  sons <- sons[mothers_first]
  sexes <- sexes[mothers_first]
  numbers <- numbers[mothers_first]
  data.frame(
    offspring = naming$offspring(sons),
    parent = ifelse(sexes == "F", naming$mother(numbers), naming$father(numbers)),
    sex = factor(sexes, levels = c("F", "M")),
    tag = factor(paste(tags[mothers_first], "MATCH"), levels = match_tags),
    stringsAsFactors = FALSE
  )
}

# "Fam.out": one row per family, in report order.
parse_family_report <- function(text, naming, report = "Fam.out") {
  body <- report_body(report_lines(text), report)
  body <- body[nzchar(body)]
  parts <- regmatches(body, regexec("^(-?[0-9]+)?(\\*?)\t\t(-?[0-9]+)\t\t(-?[0-9]+)$", body))
  if (any(lengths(parts) == 0L)) {
    stop(sprintf("%s: unexpected line '%s'", report, body[lengths(parts) == 0L][1]), call. = FALSE)
  }
  field <- function(k) vapply(parts, `[`, "", k)
  data.frame(
    offspring = naming$offspring(fill_down(field(2L))),
    mother = naming$mother(field(4L)),
    father = naming$father(field(5L)),
    marked = field(3L) == "*",
    stringsAsFactors = FALSE
  )
}

# "Famgenotypes.out": the genotype of each offspring with a family and of the
# parents of its families, once per offspring and individual, alleles as
# integers (NA when untyped).
parse_genotype_report <- function(text, naming, report = "Famgenotypes.out") {
  lines <- report_lines(text)
  lines <- lines[nzchar(lines) & !grepl("^_+$", lines)]
  parts <- regmatches(lines, regexec("^(OFFSPRING|Mother|Father) (-?[0-9]+) *\t+(.*)$", lines))
  if (any(lengths(parts) == 0L)) {
    stop(sprintf("%s: unexpected line '%s'", report, lines[lengths(parts) == 0L][1]), call. = FALSE)
  }
  field <- function(k) vapply(parts, `[`, "", k)
  kinds <- field(2L)
  numbers <- field(3L)
  offspring <- fill_down(ifelse(kinds == "OFFSPRING", numbers, ""))
  keep <- !duplicated(paste(offspring, kinds, numbers))
  alleles <- strsplit(trimws(field(4L)[keep]), " ", fixed = TRUE)
  width <- if (length(alleles) > 0L) length(alleles[[1]]) else 0L
  if (any(lengths(alleles) != width)) stop(report, ": genotypes of different lengths", call. = FALSE)
  values <- matrix(as.integer(unlist(alleles)), ncol = width, byrow = TRUE)
  values[values == missing_allele] <- NA_integer_
  colnames(values) <- sprintf("locus%d_%d", rep(seq_len(width / 2L), each = 2L), 1:2)
  kinds <- kinds[keep]
  numbers <- numbers[keep]
  role <- c(OFFSPRING = "offspring", Mother = "mother", Father = "father")[kinds]
  individual <- ifelse(kinds == "OFFSPRING", naming$offspring(numbers),
                       ifelse(kinds == "Mother", naming$mother(numbers), naming$father(numbers)))
  cbind(
    data.frame(offspring = naming$offspring(offspring[keep]), individual = individual,
               role = factor(unname(role), levels = c("offspring", "mother", "father")),
               stringsAsFactors = FALSE),
    as.data.frame(values)
  )
}

# The ranked table (--table): numbers turned into names, calls as factors,
# yes/no as logical, empty cells as NA.
parse_ranked_table <- function(text, naming, report = "table.tsv") {
  if (!startsWith(text, "offspring\t")) {
    stop(sprintf("%s does not look like a parentsphere table", report), call. = FALSE)
  }
  table <- utils::read.delim(text = text, colClasses = "character", na.strings = "",
                             quote = "", comment.char = "")
  parents <- function(numbers, role) {
    ifelse(is.na(numbers), NA_character_, naming[[role]](numbers))
  }
  calls <- c("strict", "relaxed", "ambiguous", "unlikely", "known")
  table$offspring <- naming$offspring(table$offspring)
  mothers <- c("mother", "pair_mother", "mother_runner_up", "pair_runner_up_mother")
  fathers <- c("father", "pair_father", "father_runner_up", "pair_runner_up_father")
  for (column in intersect(mothers, names(table))) table[[column]] <- parents(table[[column]], "mother")
  for (column in intersect(fathers, names(table))) table[[column]] <- parents(table[[column]], "father")
  for (column in grep("_(lod|delta|posterior)$", names(table))) {
    table[[column]] <- as.numeric(table[[column]])
  }
  counts <- grep("^(loci_typed|.*_scored|.*_mismatches|.*_near|families)$", names(table))
  for (column in counts) table[[column]] <- as.integer(table[[column]])
  for (column in grep("_(in_sphere|in_fam)$", names(table))) table[[column]] <- table[[column]] == "yes"
  for (column in grep("_call$", names(table))) table[[column]] <- factor(table[[column]], levels = calls)
  table
}

# Carries each non-empty value down over the empty ones below it.
fill_down <- function(values) {
  given <- nzchar(values)
  c(NA_character_, values[given])[cumsum(given) + 1L]
}

# Number to name lookups, one per role, each from `numbers` to `names`;
# numbers without a name stay as they are written.
naming_from <- function(offspring = list(numbers = integer(), names = character()),
                        mothers = offspring[0], fathers = offspring[0]) {
  lookup <- function(known) {
    function(numbers) {
      at <- match(suppressWarnings(as.integer(numbers)), known$numbers)
      named <- as.character(numbers)
      named[!is.na(at)] <- known$names[at[!is.na(at)]]
      named
    }
  }
  list(offspring = lookup(offspring), mother = lookup(mothers), father = lookup(fathers))
}
