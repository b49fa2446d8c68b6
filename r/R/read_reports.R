#' Read the reports of a command-line run
#'
#' Parses `Parent.out`, `Fam.out` and `Famgenotypes.out`, the three reports
#' `parentsphere` writes, and the ranked table when there is one, into data
#' frames. When `names` is a `names.tsv` file (as [write_parentsphere_tables()]
#' and the converter write), report numbers are turned back into names.
#'
#' @param dir The folder holding the reports.
#' @param names A `names.tsv` file (columns number, role, name) or `NULL` to
#'   keep the numbers. By default the one in `dir`, when there is one.
#' @param table The ranked table, as `parentsphere --table` (or
#'   [find_parents()] with `reports`) writes it, written without `--names`;
#'   by default `table.tsv` in `dir`, read when it exists.
#' @return A list of data frames:
#'   \describe{
#'     \item{candidates, families}{As [find_parents()] returns them (the
#'       candidates without `near` and `far`, which the report does not hold).}
#'     \item{genotypes}{From `Famgenotypes.out`: the genotype of each offspring
#'       with a family and of the parents of its families, once per offspring
#'       and individual: `offspring`, `individual`, `role` (factor
#'       `offspring`, `mother`, `father`), then two integer columns per locus
#'       (`locus1_1`, `locus1_2`, ...; `NA` when untyped).}
#'     \item{table}{The ranked table as [find_parents()] returns it, or `NULL`
#'       when there is no `table`.}
#'   }
#' @examples
#' \dontrun{
#' write_parentsphere_tables(genotypes, "run")
#' system("cd run && echo 4 | parentsphere")
#' reports <- read_parentsphere_reports("run")
#' }
#' @export
read_parentsphere_reports <- function(dir = ".", names = file.path(dir, "names.tsv"),
                                      table = file.path(dir, "table.tsv")) {
  naming <- naming_from()
  if (!is.null(names) && file.exists(names)) naming <- read_names(names)
  text <- function(report) read_report(file.path(dir, report))
  list(
    candidates = parse_parent_report(text("Parent.out"), naming),
    families = parse_family_report(text("Fam.out"), naming),
    genotypes = parse_genotype_report(text("Famgenotypes.out"), naming),
    table = if (!is.null(table) && file.exists(table)) {
      parse_ranked_table(read_report(table), naming, basename(table))
    }
  )
}

read_report <- function(path) {
  if (!file.exists(path) || dir.exists(path)) stop("no report ", path, call. = FALSE)
  size <- file.size(path)
  if (size == 0) return("")
  readChar(path, size, useBytes = TRUE)
}

read_names <- function(path) {
  table <- utils::read.delim(path, colClasses = "character", quote = "", comment.char = "",
                             na.strings = character(), encoding = "UTF-8")
  if (!all(c("number", "role", "name") %in% names(table))) {
    stop(path, " does not hold the columns number, role and name", call. = FALSE)
  }
  role <- function(wanted) {
    rows <- table$role == wanted
    list(numbers = as.integer(table$number[rows]), names = table$name[rows])
  }
  naming_from(role("offspring"), role("mother"), role("father"))
}
