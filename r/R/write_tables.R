#' Write the tables the command-line program reads
#'
#' Writes `parents.PAR`, `sons.PRO` and `names.tsv` in `dir`, as the
#' spreadsheet converter `csv2parentsphere` does: mothers numbered from 1,
#' fathers from 2000 (with 2,000 mothers or more, from the power of ten above
#' their count: run `parentsphere --first-father-id` with it, as the first
#' line of `parents.PAR` says), offspring 1, 2, 3 ... in their order, missing alleles
#' as -99, and `names.tsv` mapping each number back to its name. Run
#' `parentsphere` in `dir`, then read its reports with
#' [read_parentsphere_reports()].
#'
#' @inheritParams find_parents
#' @param dir An existing folder.
#' @param overwrite `TRUE` to replace the files when they exist.
#' @return The paths written, invisibly.
#' @examples
#' dir <- tempfile("parentsphere")
#' dir.create(dir)
#' write_parentsphere_tables(sphere_example, dir)
#' readLines(file.path(dir, "sons.PRO"), n = 3)
#' unlink(dir, recursive = TRUE)
#' @export
write_parentsphere_tables <- function(genotypes = NULL, dir = ".", parents = NULL,
                                      offspring = NULL, id = NULL, sex = "sex",
                                      ignore = character(), overwrite = FALSE) {
  input <- prepare_input(genotypes, parents, offspring, id, sex, ignore)
  if (!dir.exists(dir)) stop("the folder ", dir, " does not exist", call. = FALSE)
  paths <- file.path(dir, c("parents.PAR", "sons.PRO", "names.tsv"))
  targets <- Sys.readlink(paths)
  links <- paths[!is.na(targets) & nzchar(targets)]
  if (length(links) > 0L) {
    stop(paste(links, collapse = ", "), " is a link: remove it or write elsewhere", call. = FALSE)
  }
  existing <- paths[file.exists(paths)]
  if (length(existing) > 0L && !overwrite) {
    stop(paste(existing, collapse = ", "), " already exists; use overwrite = TRUE to replace",
         call. = FALSE)
  }
  mothers <- input$mother_count
  fathers <- nrow(input$parents) - mothers
  columns <- paste(gsub("[[:space:][:cntrl:]]", "_", input$allele_titles), collapse = " ")
  parent_text <- c(
    paste0(sprintf(paste("# parents.PAR by the parentsphere R package: %d mothers, then %d fathers;",
                         "names in names.tsv"), mothers, fathers),
           if (input$first_father != first_father) {
             sprintf("; fathers from %d: run parentsphere --first-father-id %d",
                     input$first_father, input$first_father)
           } else ""),
    paste("#", columns, "identifier"),
    table_lines(input$parents))
  offspring_text <- c(
    sprintf(paste("# sons.PRO by the parentsphere R package: %d offspring, numbered 1, 2, 3",
                  "... in this order; names in names.tsv"), nrow(input$offspring)),
    paste("#", columns),
    table_lines(input$offspring))
  roles <- rep(c("mother", "father"), c(mothers, fathers))
  name_text <- c("number\trole\tname",
                 paste(input$parents[, ncol(input$parents)], roles, input$parent_names, sep = "\t"),
                 paste(seq_len(nrow(input$offspring)), "offspring", input$offspring_names, sep = "\t"))
  write_text(paths[1], parent_text)
  write_text(paths[2], offspring_text)
  write_text(paths[3], name_text)
  invisible(paths)
}

table_lines <- function(values) do.call(paste, as.data.frame(values))

# UTF-8 lines ending with a line feed, on every platform.
write_text <- function(path, lines) {
  connection <- file(path, open = "wb")
  on.exit(close(connection))
  writeLines(enc2utf8(lines), connection, sep = "\n", useBytes = TRUE)
}
