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
  expect_identical(levels(table$pair_call), c("strict", "relaxed", "ambiguous", "unlikely", "known"))
  expect_true(all(c(table$mother_runner_up, table$pair_runner_up_mother) %in%
                    c(NA, sphere_example$id[sphere_example$sex == "F"])))
  expect_true(all(c(table$father_runner_up, table$pair_runner_up_father) %in%
                    c(NA, sphere_example$id[sphere_example$sex == "M"])))
  for (column in c("mother_posterior", "father_posterior", "pair_posterior")) {
    expect_true(all(is.na(table[[column]]) | (table[[column]] >= 0 & table[[column]] <= 1)))
  }
})

test_that("sampled shares and known mothers reach the engine", {
  base <- find_parents(sphere_example, radius = 4, progress = FALSE)$table
  all_sampled <- find_parents(sphere_example, radius = 4, progress = FALSE,
                              sampled_mothers = 1, sampled_fathers = 1)$table
  # Fewer unsampled parents to explain an offspring: never a lower posterior.
  expect_true(all(all_sampled$mother_posterior >= base$mother_posterior, na.rm = TRUE))
  expect_gt(sum(all_sampled$mother_posterior > base$mother_posterior, na.rm = TRUE), 0)
  kids <- base$offspring[1:2]
  moms <- rev(sphere_example$id[sphere_example$sex == "F"])[1:2]
  frame <- find_parents(sphere_example, radius = 4, progress = FALSE,
                        known_mothers = data.frame(offspring = kids, mother = moms))$table
  named <- find_parents(sphere_example, radius = 4, progress = FALSE,
                        known_mothers = stats::setNames(moms, kids))$table
  expect_identical(frame, named)
  expect_identical(frame$mother[1:2], moms)
  expect_identical(as.character(frame$mother_call[1:2]), c("known", "known"))
  expect_identical(frame[-(1:2), ], base[-(1:2), ])
  for (bad in list(list(sampled_mothers = 0), list(sampled_fathers = 1.5),
                   list(sampled_mothers = NA_real_))) {
    expect_error(do.call(find_parents, c(list(sphere_example, radius = 4), bad)),
                 paste(names(bad), "must be one"))
  }
  expect_error(find_parents(sphere_example, radius = 4, known_mothers = c(nobody = moms[1])),
               "offspring 'nobody' is not an offspring")
  expect_error(find_parents(sphere_example, radius = 4, known_mothers = stats::setNames("x", kids[1])),
               "mother 'x' is not a candidate mother")
})

test_that("the ranking settings reach the engine", {
  # NULL, the default, is the command line's run without --max-mismatches.
  expect_identical(find_parents(sphere_example, radius = 4, progress = FALSE)$table,
                   find_parents(sphere_example, radius = 4, progress = FALSE,
                                max_mismatches = NULL)$table)
  strict <- find_parents(sphere_example, radius = 4, progress = FALSE, max_mismatches = 0,
                         min_delta = 1000, sampled_mothers = 1)$table
  expect_true(all(strict$mother_mismatches %in% c(NA, 0L)))
  expect_false(any(strict$mother_call %in% c("strict", "relaxed")))
  for (bad in list(list(error_rate = 0), list(error_rate = 0.6), list(error_rate = NA_real_),
                   list(max_mismatches = -1), list(max_mismatches = 1.5),
                   list(max_mismatches = "x"), list(min_delta = -1),
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
  written <- file.path(dir, "package")
  dir.create(written)
  res <- find_parents(sphere_example, radius = 4, progress = FALSE, reports = written)
  expect_identical(report_text(file.path(written, "table.tsv")),
                   report_text(file.path(dir, "table.tsv")))
  # The values the engine hands over are those of the program's table read
  # back, to the last bit of every LOD and posterior.
  expect_identical(read_parentsphere_reports(dir)$table, res$table)
})

test_that("the calibration is the program's, and its thresholds make the calls", {
  binary <- command_line_program()
  dir <- tempfile("calibrated")
  dir.create(dir)
  on.exit(unlink(dir, recursive = TRUE))
  write_parentsphere_tables(sphere_example, dir)
  old <- setwd(dir)
  output <- system2(binary, c("-q", "-r", "4", "--table", "t.tsv", "--sampled-mothers", "0.8",
                              "--sampled-fathers", "0.8", "--calibrate", "500", "--seed", "7"),
                    stdout = TRUE, stderr = TRUE)
  setwd(old)
  expect_true("DONE" %in% output, info = paste(output, collapse = "\n"))
  res <- find_parents(sphere_example, radius = 4, progress = FALSE, sampled_mothers = 0.8,
                      sampled_fathers = 0.8, calibrate = 500, seed = 7)
  program <- read.delim(file.path(dir, "t.tsv"), na.strings = "", stringsAsFactors = FALSE)
  expect_identical(as.character(res$table$mother_call), program$mother_call)
  expect_identical(as.character(res$table$pair_call), program$pair_call)
  lines <- readLines(file.path(dir, "t.tsv.calibration"))
  sidecar <- utils::read.delim(text = lines[!startsWith(lines, "# ")], na.strings = "",
                               stringsAsFactors = FALSE)
  expect_equal(res$calibration, sidecar, ignore_attr = TRUE)
  expect_identical(attr(res$calibration, "settings")[["seed"]], "7")
  expect_null(find_parents(sphere_example, radius = 4, progress = FALSE)$calibration)
  for (bad in list(list(calibrate = 5), list(calibrate = 100, seed = -1),
                   list(sim_error = 0.1))) {
    expect_error(do.call(find_parents, c(list(sphere_example, radius = 4), bad)))
  }
})
