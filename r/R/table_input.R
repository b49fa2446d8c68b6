# The two tables as the command line has them: parents (allele columns, then
# the identifier; mothers, identifiers below 2000, first) and offspring (allele
# columns). Alleles follow the sheet's rules: a positive whole number, or 0, NA
# or -99 when missing. Identifiers name the parents in the results, so each
# must be used once.

read_command_line_tables <- function(parents, offspring) {
  parents <- as_table(parents, "parents")
  offspring <- as_table(offspring, "offspring")
  if (ncol(offspring) == 0L || ncol(offspring) %% 2L != 0L) {
    stop(sprintf("offspring has %d columns: there must be two allele columns per locus",
                 ncol(offspring)), call. = FALSE)
  }
  if (ncol(parents) != ncol(offspring) + 1L) {
    stop(sprintf(paste("parents has %d columns: there must be the offspring's %d allele",
                       "columns and then the identifier"), ncol(parents), ncol(offspring)),
         call. = FALSE)
  }
  if (nrow(parents) == 0L) stop("parents has no rows", call. = FALSE)
  if (nrow(offspring) == 0L) stop("offspring has no rows", call. = FALSE)

  parent_alleles <- read_allele_table(parents[-ncol(parents)], "parents")
  offspring_alleles <- read_allele_table(offspring, "offspring")
  identifiers <- parents[[ncol(parents)]]
  if (is.factor(identifiers)) identifiers <- as.character(identifiers)
  number <- suppressWarnings(as.numeric(identifiers))
  usable <- !is.na(number) & number == round(number) & number != 0 & abs(number) <= largest_value
  title <- names(parents)[ncol(parents)]
  stop_on_problems(sprintf("row %d: column %s: '%s' is not an identifier: write a whole number other than 0",
                           which(!usable), title, identifiers[!usable]), "parents")
  first_use <- match(number, number)
  repeated <- which(first_use != seq_along(number))
  stop_on_problems(sprintf("row %d: the identifier %s is already used on row %d", repeated,
                           identifiers[repeated], first_use[repeated]), "parents")
  fathers <- number >= first_father
  if (any(fathers)) {
    late <- which(!fathers & seq_along(number) > which(fathers)[1])
    stop_on_problems(sprintf(paste("row %d: mother %s (an identifier below %d) after the first",
                                   "father on row %d: list every mother first"),
                             late, identifiers[late], first_father, which(fathers)[1]),
                     "parents")
  }
  list(
    parents = cbind(parent_alleles, as.integer(number)),
    offspring = offspring_alleles,
    parent_names = as.character(as.integer(number)),
    mother_count = sum(!fathers),
    first_father = first_father,
    offspring_names = row.names(offspring),
    allele_titles = names(offspring)
  )
}

as_table <- function(table, what) {
  if (is.matrix(table)) table <- as.data.frame(table, stringsAsFactors = FALSE)
  if (!is.data.frame(table)) stop(what, " must be a data frame or a matrix", call. = FALSE)
  if (is.null(names(table)) || any(!nzchar(names(table)))) names(table) <- paste0("V", seq_along(table))
  table
}

# Integer alleles (-99 when missing) of every column of `table`, or an error
# naming each cell that is not an allele.
read_allele_table <- function(table, what) {
  values <- matrix(missing_allele, nrow = nrow(table), ncol = ncol(table))
  problems <- character()
  rows <- integer()
  for (k in seq_along(table)) {
    column <- read_allele_column(table[[k]])
    values[, k] <- column$values
    rows <- c(rows, column$bad)
    problems <- c(problems, sprintf("row %d: %s", column$bad,
                                    not_an_allele(names(table)[k], column$shown)))
  }
  stop_on_problems(problems[order(rows)], what)
  storage.mode(values) <- "integer"
  values
}

# The engine's tables and the names of their rows, from either input form.
prepare_input <- function(genotypes, parents, offspring, id, sex, ignore) {
  if (!is.null(genotypes)) {
    if (!is.null(parents) || !is.null(offspring)) {
      stop("give either genotypes or parents and offspring, not both", call. = FALSE)
    }
    input <- read_genotype_sheet(genotypes, id, sex, ignore)
    input$from_sheet <- TRUE  # the parents go by their names, not their numbers
    return(input)
  }
  if (is.null(parents) || is.null(offspring)) {
    stop("give genotypes (one data frame), or parents and offspring", call. = FALSE)
  }
  read_command_line_tables(parents, offspring)
}
