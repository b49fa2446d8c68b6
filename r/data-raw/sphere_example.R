# Builds data/sphere_example.rda from the example tables. After a change to
# examples/, refresh the shipped copy from the repository's top folder with
#   Rscript r/data-raw/sphere_example.R examples/parents.PAR examples/sons.PRO r/data/sphere_example.rda
# (scripts/r-package.sh makes it again and stops when the copy differs).
arguments <- commandArgs(trailingOnly = TRUE)
read_table <- function(path) {
  lines <- grep("#", readLines(path), fixed = TRUE, invert = TRUE, value = TRUE)
  values <- strsplit(trimws(lines[nzchar(trimws(lines))]), "[ \t]+")
  matrix(as.integer(unlist(values)), nrow = length(values), byrow = TRUE)
}
parents <- read_table(arguments[1])
offspring <- read_table(arguments[2])
loci <- ncol(offspring) / 2L
identifiers <- parents[, ncol(parents)]
alleles <- rbind(parents[, seq_len(2L * loci)], offspring)
alleles[alleles == -99L] <- NA_integer_
colnames(alleles) <- sprintf("L%d_%d", rep(seq_len(loci), each = 2L), 1:2)
sphere_example <- data.frame(
  id = c(ifelse(identifiers < 2000L, paste0("dam", identifiers), paste0("sire", identifiers)),
         paste0("off", seq_len(nrow(offspring)))),
  sex = c(ifelse(identifiers < 2000L, "F", "M"), rep("O", nrow(offspring))),
  alleles,
  stringsAsFactors = FALSE
)
save(sphere_example, file = arguments[3], compress = "xz", version = 2)
