# An interrupted run (Ctrl-C) unwinds the engine and leaves R usable.

test_that("an interrupt during a run returns to R, which can run again", {
  skip_on_os("windows")
  sheet <- simulated_sheet(7, offspring = 2000)
  # Files written first: their handlers must not outlive the run that made them.
  dir <- tempfile("reports")
  dir.create(dir)
  on.exit(unlink(dir, recursive = TRUE))
  find_parents(sphere_example, radius = 4, progress = FALSE, reports = dir)
  calls <- 0
  interrupt_early <- function(done, total) {
    calls <<- calls + 1
    if (done == 0) tools::pskill(Sys.getpid(), tools::SIGINT)
  }
  outcome <- tryCatch(find_parents(sheet, radius = 2, progress = interrupt_early),
                      interrupt = function(condition) "interrupted")
  expect_identical(outcome, "interrupted")
  expect_lt(calls, 3)  # stopped at the first check, not at the end
  res <- find_parents(sheet, radius = 2, progress = FALSE)
  expect_identical(res, find_parents(sheet, radius = 2, progress = FALSE))
  expect_gt(nrow(res$families), 0)
})

test_that("an error raised by the progress callback stops the run as an R error", {
  stop_at_once <- function(done, total) stop("stopped by the callback")
  expect_error(find_parents(sphere_example, radius = 4, progress = stop_at_once),
               "stopped by the callback")
  expect_gt(nrow(find_parents(sphere_example, radius = 4, progress = FALSE)$families), 0)
})
