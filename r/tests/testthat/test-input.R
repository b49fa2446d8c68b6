# The sheet is read by the converter's rules: every spelling of a missing
# allele, of a sex and of an allele gives the same analysis.

tiny <- data.frame(
  individual = c("Ana", "Carl", "J01", "Bea", "Dan", "J02", "Eli", "J03", "J04", "J05"),
  sex = c("F", "M", "O", "F", "M", "O", "M", "O", "O", "O"),
  LocA_1 = c(150, 162, 150, 156, 150, 156, 158, 154, 170, 160),
  LocA_2 = c(154, 164, 162, 160, 166, 168, 168, 166, 172, 164),
  LocB_1 = c(200, 212, 200, 206, 202, 208, 208, NA, 220, 206),
  LocB_2 = c(204, 214, 212, 210, 216, 210, 218, 216, NA, 214),
  LocC_1 = c(98, 100, 98, 104, 98, 102, 102, 102, 112, 106),
  LocC_2 = c(102, 108, 100, 106, 110, 104, 104, 110, NA, 110),
  stringsAsFactors = FALSE
)

test_that("the tiny sheet gives its families under their names", {
  res <- find_parents(tiny, radius = 2, progress = FALSE)
  expect_identical(res$families$offspring, c("J01", "J02", "J03", "J05"))
  expect_identical(res$families$mother, c("Ana", "Bea", "Ana", "Bea"))
  expect_identical(res$families$father, c("Carl", "Eli", "Dan", "Carl"))
  expect_identical(res$families$marked, c(FALSE, FALSE, TRUE, FALSE))
  # J04 has a father only, on its number's line; J01 two fathers, one beside Ana.
  j04 <- res$candidates[res$candidates$offspring == "J04", ]
  expect_identical(j04$parent, "Eli")
  expect_identical(as.character(j04$sex), "M")
  expect_identical(as.character(j04$tag), "NON-TOTAL MATCH")
  # Worked by hand: J04 (170 172 | 220 - | 112 -) against Eli (158 168 | 208
  # 218 | 102 104) compares LocA only: 170 is 2 from 168, 172 is 4 from 168.
  expect_identical(c(j04$near, j04$far), c(2L, 4L))
  j01 <- res$candidates[res$candidates$offspring == "J01", ]
  expect_identical(j01$parent, c("Ana", "Carl", "Dan"))
  expect_identical(as.character(j01$tag), c("S-TOTAL MATCH", "S-TOTAL MATCH", "NON-TOTAL MATCH"))
  # Ana shares an allele at every locus; the other alleles are 8, 8 and 2 off.
  expect_identical(c(j01$near[1], j01$far[1]), c(0L, 18L))
})

spellings <- list(
  "missing alleles as 0 and -99" = function(s) {
    s$LocB_1[is.na(s$LocB_1)] <- 0
    s$LocC_2[is.na(s$LocC_2)] <- -99
    s
  },
  "text cells with NA, N/A, nan and empty missing alleles" = function(s) {
    s[] <- lapply(s, function(column) ifelse(is.na(column), "", as.character(column)))
    s$LocB_2[s$individual == "J04"] <- "N/A"
    s$LocC_2[s$individual == "J04"] <- "nan"
    s$LocA_1 <- sub("^150$", "+150.0", s$LocA_1)
    s
  },
  "factor columns and long sex spellings" = function(s) {
    s$sex <- factor(c("female", "Male", "offspring", "DAM", "sire", "progeny", "m", "juvenile",
                      "o", "O"))
    s$individual <- factor(s$individual)
    s
  },
  "rows reordered, the name column elsewhere and an ignored column" = function(s) {
    s <- s[c(2, 1, 3, 5, 4, 6:10), c(2, 3:8, 1)]
    s$tank <- "A"
    s
  }
)

for (what in names(spellings)) {
  test_that(paste("same analysis with", what), {
    changed <- spellings[[what]](tiny)
    expected <- find_parents(tiny, radius = 2, progress = FALSE)
    res <- find_parents(changed, radius = 2, id = "individual", ignore = intersect("tank", names(changed)),
                        progress = FALSE)
    if (what == "rows reordered, the name column elsewhere and an ignored column") {
      # Mothers and fathers are numbered in sheet order: Carl and Ana swap no
      # one's number here, but Dan moves before Bea among the rows.
      expect_setequal(paste(res$families$offspring, res$families$mother, res$families$father),
                      paste(expected$families$offspring, expected$families$mother, expected$families$father))
    } else {
      expect_identical(res, expected)
    }
  })
}

test_that("the tables written are the converter's", {
  dir <- tempfile("tables")
  dir.create(dir)
  on.exit(unlink(dir, recursive = TRUE))
  write_parentsphere_tables(tiny, dir)
  data_lines <- function(file) grep("^#", readLines(file.path(dir, file)), invert = TRUE, value = TRUE)
  expect_identical(data_lines("parents.PAR"), c(
    "150 154 200 204 98 102 1", "156 160 206 210 104 106 2",
    "162 164 212 214 100 108 2000", "150 166 202 216 98 110 2001",
    "158 168 208 218 102 104 2002"))
  expect_identical(data_lines("sons.PRO")[c(3, 4)], c("154 166 -99 216 102 110",
                                                      "170 172 220 -99 112 -99"))
  expect_identical(readLines(file.path(dir, "names.tsv"))[c(1, 2, 4, 7)],
                   c("number\trole\tname", "1\tmother\tAna", "2000\tfather\tCarl",
                     "1\toffspring\tJ01"))
  expect_error(write_parentsphere_tables(tiny, dir), "already exists")
  expect_silent(write_parentsphere_tables(tiny, dir, overwrite = TRUE))
})

test_that("the progress callback sees the run from 0 to every offspring", {
  seen <- list()
  find_parents(simulated_sheet(3, offspring = 700), radius = 2,
               progress = function(done, total) seen[[length(seen) + 1L]] <<- c(done, total))
  done <- vapply(seen, `[`, 0, 1)
  expect_identical(done[1], 0)
  expect_identical(done[length(done)], 700)
  expect_true(all(diff(done) > 0))
  expect_true(all(vapply(seen, `[`, 0, 2) == 700))
})

test_that("a sheet without fathers warns and gives empty frames of the usual columns", {
  mothers_only <- tiny[tiny$sex != "M", ]
  expect_warning(res <- find_parents(mothers_only, radius = 2, progress = FALSE), "no fathers")
  expect_identical(nrow(res$families), 0L)
  expect_identical(vapply(res$families, class, ""),
                   c(offspring = "character", mother = "character", father = "character",
                     marked = "logical"))
  expect_true(all(res$candidates$sex == "F"))
  binary <- command_line_program()
  dir <- tempfile("run")
  dir.create(dir)
  on.exit(unlink(dir, recursive = TRUE))
  suppressWarnings(write_parentsphere_tables(mothers_only, dir))
  run_command_line(binary, dir, 2)
  reports <- read_parentsphere_reports(dir)
  expect_identical(reports$families, res$families)
  expect_identical(nrow(reports$genotypes), 0L)
})

test_that("2,000 mothers or more fit: fathers are numbered from a power of ten above them", {
  sheet <- simulated_sheet(11, mothers = 2100, fathers = 30, offspring = 60, loci = 6)
  res <- find_parents(sheet, radius = 2, progress = FALSE, max_mismatches = "auto")
  roles <- c(F = "dam", M = "sire")
  expect_true(all(startsWith(res$candidates$parent, roles[as.character(res$candidates$sex)])))
  expect_true(all(startsWith(res$families$mother, "dam") & startsWith(res$families$father, "sire")))
  expect_true(all(startsWith(na.omit(res$table$pair_father), "sire")))
  expect_true(all(res$table$max_mismatches >= 0L))
  dir <- tempfile("tables")
  dir.create(dir)
  on.exit(unlink(dir, recursive = TRUE))
  write_parentsphere_tables(sheet, dir)
  parents <- readLines(file.path(dir, "parents.PAR"))
  expect_match(parents[1], "fathers from 10000: run parentsphere --first-father-id 10000",
               fixed = TRUE)
  numbers <- as.integer(sub(".* ", "", grep("^#", parents, invert = TRUE, value = TRUE)))
  expect_identical(numbers, c(1:2100, 10000:10029))
  binary <- Sys.getenv("PARENTSPHERE_BINARY")
  if (nzchar(binary) && file.exists(binary)) {
    status <- system2(binary, c("-q", "-r", "2", "--first-father-id", "10000", "-o", dir,
                                "--parents", file.path(dir, "parents.PAR"),
                                "--offspring", file.path(dir, "sons.PRO")),
                      stdout = FALSE, stderr = FALSE)
    if (status == 0) {
      expect_identical(read_parentsphere_reports(dir)$families, res$families)
    }
  }
})
