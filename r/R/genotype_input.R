# The genotype sheet as a data frame: the same rules and messages as the
# spreadsheet converter (scripts/csv2parentsphere.py), so a sheet that converts
# there is read the same way here, and one that fails there fails here naming
# the same row and column.

first_father <- 2000L
largest_value <- 2147483647
missing_allele <- -99L

role_spellings <- c(
  f = "mother", female = "mother", mother = "mother", dam = "mother",
  m = "father", male = "father", father = "father", sire = "father",
  o = "offspring", offspring = "offspring", progeny = "offspring",
  juvenile = "offspring"
)
missing_cells <- c("", "0", "na", "n/a", "nan", "-99")

# How many problems an error lists before it only counts the rest.
shown_problems <- 10L

# A column's position by title, ignoring case and surrounding blanks.
find_column <- function(titles, wanted, what) {
  at <- match(tolower(trimws(wanted)), tolower(trimws(titles)))
  if (is.na(at)) {
    stop(sprintf("no %s column named '%s' among the columns: %s", what, wanted,
                 paste(trimws(titles), collapse = ", ")), call. = FALSE)
  }
  at
}

# One allele column as integers (-99 when missing), and the rows whose cell
# is not an allele (`bad`) with that cell's text (`shown`).
read_allele_column <- function(column) {
  if (is.factor(column)) column <- as.character(column)
  if (is.integer(column)) {
    # Whole numbers already: only zero, NA and negatives need a look.
    bad <- which(column < 0L & column != missing_allele)
    values <- column
    values[is.na(values) | values == 0L] <- missing_allele
    values[bad] <- missing_allele
    return(list(values = values, bad = bad, shown = as.character(column[bad])))
  }
  if (is.numeric(column)) {
    missing <- is.na(column) | column == 0 | column == missing_allele
    whole <- !missing & is.finite(column) & column == round(column) &
      column > 0 & column <= largest_value
    values <- rep(missing_allele, length(column))
    values[whole] <- as.integer(column[whole])
    bad <- which(!missing & !whole)
    shown <- column[bad]
    shown <- ifelse(abs(shown) < 1e15, sprintf("%.15g", shown), as.character(shown))
    return(list(values = values, bad = bad, shown = as.character(shown)))
  }
  text <- trimws(as.character(column))
  missing <- is.na(text) | tolower(text) %in% missing_cells
  digits <- sub("^\\+?([0-9]+)(\\.0*)?$", "\\1", text)
  readable <- !missing & grepl("^\\+?[0-9]+(\\.0*)?$", text)
  number <- suppressWarnings(as.numeric(digits))
  whole <- readable & !is.na(number) & number > 0 & number <= largest_value
  values <- rep(missing_allele, length(text))
  values[whole] <- as.integer(number[whole])
  bad <- which(!missing & !whole)
  list(values = values, bad = bad, shown = text[bad])
}

# The problem of a cell that is not an allele: its column, what it holds and,
# in a sheet, whose allele it is.
not_an_allele <- function(column, value, owner = NULL) {
  sprintf(paste("column %s: '%s'%s is not an allele: write a positive whole number, or 0, NA or",
                "nothing when it is missing"),
          column, printable(value), if (is.null(owner)) "" else paste(" of", owner))
}

# Stops with every problem found, each naming its row, or returns quietly.
stop_on_problems <- function(problems, source) {
  if (length(problems) == 0L) return(invisible())
  shown <- utils::head(problems, shown_problems)
  more <- length(problems) - length(shown)
  stop(sprintf("%d problem%s in %s:\n%s%s", length(problems),
               if (length(problems) == 1L) "" else "s", source,
               paste0("  ", shown, collapse = "\n"),
               if (more > 0L) sprintf("\n  ... and %d more", more) else ""),
       call. = FALSE)
}

# The first father's number: 2000 as usual, or, for 2,000 mothers or more,
# the power of ten above the mother count (the command line's
# --first-father-id).
first_father_for <- function(mothers) {
  if (mothers < first_father) return(first_father)
  as.integer(10^ceiling(log10(mothers + 1)))
}

# Splits the sheet into mothers, fathers and offspring. Returns the engine's
# tables (integer matrices: parents with the identifier as last column,
# mothers numbered from 1 then fathers from first_father_for(); offspring in
# sheet order), that first father number and the name of every number.
read_genotype_sheet <- function(genotypes, id = NULL, sex = "sex", ignore = character(),
                                source = "genotypes") {
  if (!is.data.frame(genotypes)) stop("genotypes must be a data frame", call. = FALSE)
  titles <- names(genotypes)
  if (length(titles) == 0L) stop(source, " has no columns", call. = FALSE)
  id_at <- if (is.null(id)) 1L else find_column(titles, id, "identifier")
  sex_at <- find_column(titles, sex, "sex")
  if (sex_at == id_at) stop("the identifier and the sex column must differ", call. = FALSE)
  skip <- c(id_at, sex_at, vapply(ignore, function(t) find_column(titles, t, "ignored"), 1L))
  allele_at <- setdiff(seq_along(titles), skip)
  if (length(allele_at) == 0L || length(allele_at) %% 2L != 0L) {
    stop(sprintf("%d allele columns (%s): there must be two per locus; name the columns ",
                 length(allele_at), paste(titles[allele_at], collapse = ", ")),
         "that hold no alleles in 'ignore'", call. = FALSE)
  }

  cells <- lapply(genotypes, function(column) {
    if (is.numeric(column)) return(!is.na(column))  # a number is never blank
    text <- trimws(as.character(column))
    !is.na(text) & nzchar(text)
  })
  filled <- Reduce(`|`, cells, logical(nrow(genotypes)))
  rows <- which(filled)  # wholly empty rows are skipped, as blank sheet lines are
  names <- trimws(as.character(genotypes[[id_at]]))[rows]
  sexes <- trimws(as.character(genotypes[[sex_at]]))[rows]
  roles <- unname(role_spellings[tolower(sexes)])

  problems <- character()
  note <- function(at, text) problems <<- c(problems, sprintf("row %d: %s", rows[at], text))
  usable <- rep(TRUE, length(rows))
  for (at in which(is.na(names) | !nzchar(names))) note(at, "no identifier")
  usable[is.na(names) | !nzchar(names)] <- FALSE
  control <- usable & grepl("[[:cntrl:]]", names)
  for (at in which(control)) {
    note(at, sprintf("the identifier '%s' holds a tab, a line break or another control character",
                     printable(names[at])))
  }
  usable[control] <- FALSE
  first_use <- match(names, names)
  repeated <- usable & first_use != seq_along(names)
  for (at in which(repeated)) {
    note(at, sprintf("the identifier '%s' is already used on row %d", names[at],
                     rows[first_use[at]]))
  }
  usable[repeated] <- FALSE
  unknown <- usable & is.na(roles)
  for (at in which(unknown)) {
    note(at, sprintf("sex '%s' of %s is none of F (mother), M (father), O (offspring)",
                     printable(sexes[at]), names[at]))
  }
  usable[unknown] <- FALSE

  alleles <- matrix(missing_allele, nrow = length(rows), ncol = length(allele_at))
  for (k in seq_along(allele_at)) {
    column <- read_allele_column(genotypes[[allele_at[k]]][rows])
    alleles[, k] <- column$values
    for (i in which(usable[column$bad])) {
      at <- column$bad[i]
      note(at, not_an_allele(titles[allele_at[k]], column$shown[i], names[at]))
    }
  }
  problems <- problems[order(as.integer(sub("^row ([0-9]+):.*", "\\1", problems)))]
  mothers <- which(roles == "mother")
  fathers <- which(roles == "father")
  offspring <- which(roles == "offspring")
  if (length(problems) == 0L && length(offspring) == 0L) problems <- "no offspring (sex O)"
  if (length(problems) == 0L && length(mothers) + length(fathers) == 0L) {
    problems <- "no candidate parents (sex F or M)"
  }
  stop_on_problems(problems, source)
  if (length(mothers) == 0L) warning("no mothers: no family can be found", call. = FALSE)
  if (length(fathers) == 0L) warning("no fathers: no family can be found", call. = FALSE)

  fathers_from <- first_father_for(length(mothers))
  parent_numbers <- c(seq_along(mothers), fathers_from - 1L + seq_along(fathers))
  storage.mode(alleles) <- "integer"
  list(
    parents = cbind(alleles[c(mothers, fathers), , drop = FALSE], parent_numbers),
    offspring = alleles[offspring, , drop = FALSE],
    parent_names = names[c(mothers, fathers)],
    mother_count = length(mothers),
    first_father = fathers_from,
    offspring_names = names[offspring],
    allele_titles = titles[allele_at]
  )
}

printable <- function(text) gsub("[[:cntrl:]]", "?", text)
