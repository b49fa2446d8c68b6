#' parentsphere: parentage assignment from microsatellite genotypes
#'
#' [find_parents()] runs the engine of the `parentsphere` command-line program
#' on data frames; [write_parentsphere_tables()] and
#' [read_parentsphere_reports()] go through the program instead.
#'
#' @useDynLib parentsphere, .registration = TRUE
#' @importFrom Rcpp evalCpp
#' @keywords internal
"_PACKAGE"

#' Simulated genotypes: 30 mothers, 30 fathers, 80 offspring, 10 loci
#'
#' The example tables of parentsphere (`examples/parents.PAR` and
#' `examples/sons.PRO` in its source) as one data frame, in the layout
#' [find_parents()] reads. Mothers are named `dam1` to `dam30`, fathers
#' `sire2000` to `sire2029` and offspring `off1` to `off80`, after the numbers
#' the command line gives them, so the reports of the command line on the
#' example tables read the same.
#'
#' @format A data frame with 140 rows and 22 columns: `id`, `sex` (`F`, `M`
#'   or `O`) and two integer allele columns per locus, `L1_1`, `L1_2` to
#'   `L10_1`, `L10_2`; `NA` is an untyped allele.
#' @source Simulated with the project's population generator
#'   (`popgen --mothers 30 --fathers 30 --offspring 80 --loci 10 --seed 6
#'   --related 0.9 --missing 0.02 --error 0.01 --poor 0.03`).
#' @docType data
#' @name sphere_example
#' @usage sphere_example
NULL
