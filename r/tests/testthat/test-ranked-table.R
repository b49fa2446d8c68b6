# The ranked table of the most likely parents comes from the engine's ranking
# stage, under the sheet's names, consistent with the families found.

test_that("the table has one row per offspring, named, agreeing with the families", {
  res <- find_parents(sphere_example, radius = 4, progress = FALSE)
  table <- res$table
  expect_identical(table$offspring, sphere_example$id[sphere_example$sex == "O"])
  expect_true(all(c(table$mother, table$pair_mother) %in% c(NA, sphere_example$id[sphere_example$sex == "F"])))
  expect_true(all(c(table$father, table$pair_father) %in% c(NA, sphere_example$id[sphere_example$sex == "M"])))
  families <- table(factor(res$families$offspring, levels = table$offspring))
  expect_identical(table$families, as.vector(families))
  pair <- paste(table$offspring, table$pair_mother, table$pair_father)
  expect_identical(table$pair_in_fam[!is.na(table$pair_mother)],
                   (pair %in% paste(res$families$offspring, res$families$mother,
                                    res$families$father))[!is.na(table$pair_mother)])
  expect_identical(levels(table$pair_call), c("confident", "ambiguous", "unlikely"))
  expect_gt(sum(table$pair_call == "confident", na.rm = TRUE), 0)
})

test_that("the ranking settings reach the engine", {
  strict <- find_parents(sphere_example, radius = 4, progress = FALSE, max_mismatches = 0,
                         min_delta = 1000)$table
  expect_true(all(strict$mother_mismatches %in% c(NA, 0L)))
  expect_false(any(strict$mother_call == "confident", na.rm = TRUE))
  for (bad in list(list(error_rate = 0), list(error_rate = 0.6), list(error_rate = NA_real_),
                   list(max_mismatches = -1), list(max_mismatches = 1.5), list(min_delta = -1),
                   list(min_delta = "2"))) {
    expect_error(do.call(find_parents, c(list(sphere_example, radius = 4), bad)),
                 paste(names(bad), "must be one"))
  }
})

test_that("the table equals the command line's --table, when the program has it", {
  binary <- command_line_program()
  dir <- tempfile("run")
  dir.create(dir)
  on.exit(unlink(dir, recursive = TRUE))
  write_parentsphere_tables(sphere_example, dir)
  old <- setwd(dir)
  status <- system2(binary, c("--table", "table.tsv"), input = "4", stdout = FALSE, stderr = FALSE)
  setwd(old)
  if (status != 0) skip("this command-line program has no --table option")
  input <- parentsphere:::prepare_input(sphere_example, NULL, NULL, NULL, "sex", character())
  engine <- parentsphere:::run_engine(input, 4, FALSE, keep_genotypes = FALSE)
  expect_identical(engine$table, report_text(file.path(dir, "table.tsv")))
  expect_identical(parentsphere:::parse_ranked_table(engine$table, input$naming),
                   find_parents(sphere_example, radius = 4, progress = FALSE)$table)
})
