# The package runs the command line's engine: the same tables and radius give
# the same three reports, byte for byte, and the data frames read from them.

cases <- list(
  list(what = "the example data, radius 4", sheet = function() sphere_example, radius = 4),
  list(what = "the example data, radius 0", sheet = function() sphere_example, radius = 0),
  list(what = "a simulated population with missing cells and errors, radius 2",
       sheet = function() simulated_sheet(11), radius = 2)
)

for (case in cases) {
  test_that(paste("find_parents equals the command line on", case$what), {
    binary <- command_line_program()
    sheet <- case$sheet()
    dir <- tempfile("run")
    dir.create(dir)
    on.exit(unlink(dir, recursive = TRUE))
    write_parentsphere_tables(sheet, dir)
    run_command_line(binary, dir, case$radius)

    written <- file.path(dir, "package")
    dir.create(written)
    res <- find_parents(sheet, radius = case$radius, progress = FALSE, reports = written)
    for (report in c("Parent.out", "Fam.out", "Famgenotypes.out")) {
      expect_identical(report_text(file.path(written, report)), report_text(file.path(dir, report)),
                       info = report)
    }
    reports <- read_parentsphere_reports(dir)
    expect_identical(reports$candidates, res$candidates[c("offspring", "parent", "sex", "tag")])
    expect_true(all(res$candidates$near <= case$radius))
    expect_true(all(res$candidates$far >= res$candidates$near))
    expect_identical(reports$families, res$families)
    expect_gt(nrow(res$families), 0)
    expect_identical(find_parents(sheet, radius = case$radius, progress = FALSE), res)
  })
}

test_that("the tables as the command line has them give the same results as the sheet", {
  sheet <- simulated_sheet(5, offspring = 120)
  res <- find_parents(sheet, radius = 2, progress = FALSE)
  input <- parentsphere:::prepare_input(sheet, NULL, NULL, NULL, "sex", character())
  offspring <- as.data.frame(input$offspring)
  row.names(offspring) <- input$offspring_names
  parents <- as.data.frame(input$parents)
  parents[parents == -99L] <- NA
  direct <- find_parents(parents = parents, offspring = offspring, radius = 2, progress = FALSE)
  number_to_name <- setNames(input$parent_names, input$parents[, ncol(input$parents)])
  expect_identical(direct$candidates$offspring, res$candidates$offspring)
  expect_identical(unname(number_to_name[direct$candidates$parent]), res$candidates$parent)
  expect_identical(unname(number_to_name[direct$families$mother]), res$families$mother)
  expect_identical(unname(number_to_name[direct$families$father]), res$families$father)
})

test_that("the genotype report holds the sheet's genotypes under their names", {
  binary <- command_line_program()
  dir <- tempfile("run")
  dir.create(dir)
  on.exit(unlink(dir, recursive = TRUE))
  write_parentsphere_tables(sphere_example, dir)
  run_command_line(binary, dir, 4)
  genotypes <- read_parentsphere_reports(dir)$genotypes
  sheet <- sphere_example[match(genotypes$individual, sphere_example$id), -(1:2)]
  expect_equal(unname(as.matrix(genotypes[, -(1:3)])), unname(as.matrix(sheet)))
  expect_identical(as.character(genotypes$role[genotypes$individual == "off1"]), "offspring")
})
