# Shared by the tests: a simulated population and the command-line program.

# A genotype sheet of `mothers`, `fathers` and `offspring` over `loci` loci,
# rows shuffled, offspring from a random mother and father (a few from no
# sampled parent), with missing alleles written every way the sheet allows and
# one-repeat scoring errors. Deterministic for a given seed.
simulated_sheet <- function(seed, mothers = 40, fathers = 40, offspring = 300, loci = 8) {
  set.seed(seed)
  sizes <- lapply(seq_len(loci), function(k) 100L + 2L * sample(0:14, 8))
  genotype <- function() unlist(lapply(sizes, function(s) sample(s, 2, replace = TRUE)))
  parents <- t(replicate(mothers + fathers, genotype()))
  dams <- sample(mothers, offspring, replace = TRUE)
  sires <- mothers + sample(fathers, offspring, replace = TRUE)
  young <- t(vapply(seq_len(offspring), function(i) {
    if (runif(1) < 0.1) return(genotype())
    pick <- function(row) parents[row, 2L * seq_len(loci) - sample(0:1, loci, replace = TRUE)]
    as.vector(rbind(pick(dams[i]), pick(sires[i])))
  }, integer(2L * loci)))
  alleles <- rbind(parents, young)
  errors <- runif(length(alleles)) < 0.01
  alleles[errors] <- alleles[errors] + 2L
  cells <- matrix(as.character(alleles), nrow = nrow(alleles))
  missing <- runif(length(cells)) < 0.03
  cells[missing] <- sample(c(NA, "", "0", "NA", "-99", "n/a"), sum(missing), replace = TRUE)
  sheet <- data.frame(
    name = c(sprintf("dam%02d", seq_len(mothers)), sprintf("sire%02d", seq_len(fathers)),
             sprintf("young%03d", seq_len(offspring))),
    sex = c(rep(c("F", "female", "Dam"), length.out = mothers),
            rep(c("M", "male", "SIRE"), length.out = fathers),
            rep(c("O", "offspring", "juvenile", "Progeny"), length.out = offspring)),
    cells, stringsAsFactors = FALSE)
  names(sheet)[-(1:2)] <- sprintf("Loc%d_%d", rep(seq_len(loci), each = 2L), 1:2)
  sheet[sample(nrow(sheet)), ]
}

# The command-line program the package is compared with, or a skip.
command_line_program <- function() {
  binary <- Sys.getenv("PARENTSPHERE_BINARY")
  if (!nzchar(binary)) skip("PARENTSPHERE_BINARY is not set: no command-line program to compare with")
  if (!file.exists(binary)) skip(paste("no command-line program at", binary))
  binary
}

# Runs the program in `dir` with `radius` typed at its prompt.
run_command_line <- function(binary, dir, radius) {
  old <- setwd(dir)
  on.exit(setwd(old))
  output <- system2(binary, input = as.character(radius), stdout = TRUE, stderr = TRUE)
  expect_true("DONE" %in% output, info = paste(output, collapse = "\n"))
}

report_text <- function(path) readChar(path, file.size(path), useBytes = TRUE)
