# The tables reach the engine as integer matrices, not as text: every value is
# taken as the program takes the same number in its files, so the same table
# is refused with the same message, or gives the same files.

base_tables <- function() {
  sheet <- simulated_sheet(21, mothers = 15, fathers = 15, offspring = 60, loci = 5)
  parentsphere:::prepare_input(sheet, NULL, NULL, NULL, "sex", character())[c("parents", "offspring")]
}

engine_run <- function(tables, reports = NULL) {
  input <- c(tables, list(first_father = 2000L))
  parentsphere:::run_engine(input, 2, FALSE, reports = reports)
}

# The program on the same numbers written one row per line (NA as -99), its
# files in `dir`; returns what it printed on standard output.
program_run <- function(binary, tables, dir) {
  for (name in c("parents", "offspring")) {
    values <- tables[[name]]
    values[is.na(values)] <- -99L
    lines <- if (ncol(values) == 0L) rep("", nrow(values)) else do.call(paste, as.data.frame(values))
    writeLines(lines, file.path(dir, paste0(name, ".txt")))
  }
  suppressWarnings(system2(binary, c("-q", "-r", "2", "-o", dir, "--table", file.path(dir, "table.tsv"),
                                     "--parents", file.path(dir, "parents.txt"),
                                     "--offspring", file.path(dir, "offspring.txt")),
                           stdout = TRUE, stderr = FALSE))
}

refused <- list(
  list(what = "a zero allele among the parents", error = "There was a problem reading the input file",
       change = function(t) { t$parents[3, 2] <- 0L; t }),
  list(what = "a zero allele among the offspring", error = "There was a problem reading the input file",
       change = function(t) { t$offspring[5, 1] <- 0L; t }),
  list(what = "no parents", error = "^EMPTY PARENTS FILE$",
       change = function(t) { t$parents <- t$parents[0, , drop = FALSE]; t }),
  list(what = "no offspring", error = "^EMPTY SONS FILE$",
       change = function(t) { t$offspring <- t$offspring[0, , drop = FALSE]; t }),
  list(what = "an odd number of offspring columns", error = "^WRONG NUMBER OF COLUMNS IN SONS FILE$",
       change = function(t) { t$offspring <- t$offspring[, -1]; t }),
  list(what = "parents without their identifier", error = "^WRONG NUMBER OF COLUMNS IN PARENTS FILE$",
       change = function(t) { t$parents <- t$parents[, -ncol(t$parents)]; t })
)

for (case in refused) {
  test_that(paste("the engine refuses", case$what, "as the program does"), {
    tables <- case$change(base_tables())
    message <- tryCatch({
      engine_run(tables)
      "no error"
    }, error = conditionMessage)
    expect_match(message, case$error)
    binary <- command_line_program()
    dir <- tempfile("refused")
    dir.create(dir)
    on.exit(unlink(dir, recursive = TRUE))
    expect_identical(message, paste(program_run(binary, tables, dir), collapse = "\n"))
  })
}

accepted <- list(
  list(what = "untyped alleles given as NA",
       change = function(t) { t$parents[cbind(c(2, 9, 20), c(1, 4, 6))] <- NA; t$offspring[4, 3:4] <- NA; t }),
  list(what = "impossible negative alleles",
       change = function(t) { t$parents[4, 3] <- -5L; t$offspring[7, 1] <- -7L; t }),
  list(what = "a mother numbered as the missing code",
       change = function(t) { t$parents[1, ncol(t$parents)] <- -99L; t }),
  list(what = "a negative identifier",
       change = function(t) { t$parents[2, ncol(t$parents)] <- -5L; t })
)

for (case in accepted) {
  test_that(paste("the engine reads", case$what, "as the program does"), {
    tables <- case$change(base_tables())
    spelled <- tables
    for (name in names(spelled)) spelled[[name]][is.na(spelled[[name]])] <- -99L
    found <- engine_run(tables)
    expect_identical(found, engine_run(spelled))
    binary <- command_line_program()
    dir <- tempfile("accepted")
    dir.create(file.path(dir, "package"), recursive = TRUE)
    on.exit(unlink(dir, recursive = TRUE))
    expect_true("DONE" %in% program_run(binary, tables, dir))
    expect_identical(engine_run(tables, reports = file.path(dir, "package")), found)
    for (file in c("Parent.out", "Fam.out", "Famgenotypes.out", "table.tsv")) {
      expect_identical(report_text(file.path(dir, "package", file)), report_text(file.path(dir, file)),
                       info = file)
    }
  })
}
