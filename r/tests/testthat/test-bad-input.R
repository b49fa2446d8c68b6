# Each bad input is an R error that says what is wrong and where.

sheet <- function() {
  data.frame(id = c("A", "B", "C"), sex = c("F", "M", "O"),
             L1_a = c(150, 152, 150), L1_b = c(154, 156, 152), stringsAsFactors = FALSE)
}
with_cell <- function(row, column, value) {
  s <- sheet()
  s[[column]] <- as.character(s[[column]])
  s[row, column] <- value
  s
}

bad_sheets <- list(
  list(sheet = with_cell(2, "L1_b", "l52"), error = "row 2: column L1_b: 'l52' of B is not an allele"),
  list(sheet = with_cell(3, "L1_a", "-4"), error = "row 3: column L1_a: '-4' of C is not an allele"),
  list(sheet = with_cell(1, "L1_a", "150.5"), error = "row 1: column L1_a: '150.5' of A"),
  list(sheet = with_cell(1, "L1_a", "3000000000"), error = "row 1: column L1_a: '3000000000'"),
  list(sheet = with_cell(3, "sex", "U"), error = "row 3: sex 'U' of C is none of F \\(mother\\)"),
  list(sheet = with_cell(3, "sex", NA), error = "row 3: sex 'NA' of C"),
  list(sheet = with_cell(2, "id", "A"), error = "row 2: the identifier 'A' is already used on row 1"),
  list(sheet = with_cell(2, "id", NA), error = "row 2: no identifier"),
  list(sheet = with_cell(2, "id", "B\tx"), error = "row 2: the identifier 'B\\?x' holds a tab"),
  list(sheet = with_cell(3, "sex", "F"), error = "no offspring \\(sex O\\)"),
  list(sheet = sheet()[, 1:3], error = "1 allele columns \\(L1_a\\): there must be two per locus"),
  list(sheet = sheet()[, -2], error = "no sex column named 'sex'"),
  list(sheet = transform(sheet(), L1_a = c(1.5, -3, 150)),
       error = "2 problems in genotypes:\n  row 1: column L1_a: '1.5' of A.*\n  row 2: column L1_a: '-3' of B")
)

for (case in bad_sheets) {
  test_that(paste("a bad sheet stops:", case$error), {
    expect_error(find_parents(case$sheet, radius = 2, progress = FALSE), case$error)
    expect_error(write_parentsphere_tables(case$sheet, tempdir()), case$error)
  })
}

test_that("many problems are listed up to a point and counted", {
  s <- sheet()[rep(1:3, 10), ]
  s$id <- paste0("x", seq_len(nrow(s)))
  s$L1_a <- -1
  expect_error(find_parents(s, radius = 2), "30 problems.*row 10: .*\\.\\.\\. and 20 more$")
})

test_that("an unknown column named in id or ignore stops", {
  expect_error(find_parents(sheet(), radius = 2, id = "name"), "no identifier column named 'name'")
  expect_error(find_parents(sheet(), radius = 2, ignore = "tank"), "no ignored column named 'tank'")
  expect_error(find_parents(sheet(), radius = 2, sex = "id"), "must differ")
})

test_that("the radius is one whole number, 0 or more", {
  for (radius in list(-1, 2.5, "4", NA_real_, c(2, 4), Inf)) {
    expect_error(find_parents(sheet(), radius = radius), "radius must be one whole number")
  }
  expect_error(find_parents(sheet()), "radius must be one whole number")
})

test_that("bad command-line tables stop naming the row and column", {
  offspring <- data.frame(a = c(150, 152), b = c(154, 156))
  parents <- data.frame(a = c(150, 152), b = c(154, 156), id = c(1, 2000))
  expect_error(find_parents(parents = parents[, -3], offspring = offspring, radius = 2),
               "parents has 2 columns: there must be the offspring's 2 allele columns and then the identifier")
  expect_error(find_parents(parents = parents, offspring = offspring[, 1, drop = FALSE], radius = 2),
               "offspring has 1 columns")
  expect_error(find_parents(parents = transform(parents, id = c(0, 2000)), offspring = offspring,
                            radius = 2), "row 1: column id: '0' is not an identifier")
  expect_error(find_parents(parents = transform(parents, id = c(7, 7)), offspring = offspring,
                            radius = 2), "row 2: the identifier 7 is already used on row 1")
  expect_error(find_parents(parents = transform(parents, id = c(2000, 1)), offspring = offspring,
                            radius = 2), "row 2: mother 1 .* after the first father on row 1")
  expect_error(find_parents(parents = parents, offspring = transform(offspring, b = c("x", 1)),
                            radius = 2), "row 1: column b: 'x' is not an allele")
  expect_error(find_parents(sheet(), parents = parents, offspring = offspring, radius = 2),
               "not both")
  expect_error(find_parents(parents = parents, radius = 2), "give genotypes")
  expect_error(find_parents(list(1), radius = 2), "must be a data frame")
})

test_that("write_parentsphere_tables refuses a missing folder and links", {
  expect_error(write_parentsphere_tables(sheet(), file.path(tempdir(), "nowhere")), "does not exist")
  skip_on_os("windows")
  dir <- tempfile("tables")
  dir.create(dir)
  on.exit(unlink(dir, recursive = TRUE))
  target <- file.path(dir, "someone-else.txt")
  writeLines("keep me", target)
  file.symlink(target, file.path(dir, "sons.PRO"))
  expect_error(write_parentsphere_tables(sheet(), dir, overwrite = TRUE), "is a link")
  expect_identical(readLines(target), "keep me")
})

test_that("the reports go only to a folder that exists", {
  expect_error(find_parents(sheet(), radius = 2, reports = file.path(tempdir(), "nowhere")),
               "does not exist")
  expect_error(find_parents(sheet(), radius = 2, reports = c("a", "b")), "one folder")
})

test_that("read_parentsphere_reports names the missing report", {
  expect_error(read_parentsphere_reports(tempdir()), "no report .*Parent.out")
})
