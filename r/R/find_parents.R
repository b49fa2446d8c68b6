#' Find the candidate parents and compatible families of every offspring
#'
#' Runs the parentsphere engine, the same C++ code as the command-line program,
#' on genotypes held in data frames. For every offspring it lists the candidate
#' mothers and fathers whose genotypes lie within `radius`, then every mother x
#' father pair that is Mendelian-compatible with the offspring. The results are
#' those of the command line run on the same tables with the same radius.
#'
#' Give either `genotypes`, one data frame with an identifier column, a sex
#' column and two allele columns per locus (the layout the spreadsheet
#' converter `csv2parentsphere` reads), or `parents` and `offspring` as the
#' command line has them.
#'
#' In `genotypes`, the sex is `F`, `female`, `mother` or `dam` for a candidate
#' mother, `M`, `male`, `father` or `sire` for a candidate father and `O`,
#' `offspring`, `progeny` or `juvenile` for an offspring (any letter case). An
#' allele is a positive whole number; a missing allele is `NA`, `0`, `-99`, an
#' empty cell, `"NA"`, `"N/A"` or `"nan"`. Every other column must be named in
#' `ignore`. A problem stops the call with an error naming each offending row
#' (counted as in the data frame: row 1 is the CSV file's line 2) and column;
#' the checks and messages are the converter's.
#'
#' @param genotypes A data frame: identifier, sex and allele columns. Any
#'   number of mothers fits: with 2,000 or more, fathers are numbered from
#'   the power of ten above the mother count instead of 2000.
#' @param radius The radius: a whole number, a summed allele-size distance in
#'   the markers' own units (0 demands a shared allele at every locus).
#' @param parents,offspring Instead of `genotypes`: the parents' allele
#'   columns followed by the identifier (mothers, identifiers below 2000,
#'   first) and the offspring's allele columns, named by their row names.
#' @param id The title of the identifier column; `NULL` for the first column.
#' @param sex The title of the sex column.
#' @param ignore Titles of columns that hold no alleles.
#' @param progress `TRUE` for a progress bar (the default in interactive
#'   sessions), `FALSE` for none, or a function of the offspring done and the
#'   offspring in all, called every few hundred offspring.
#' @param error_rate,max_mismatches,min_delta The ranked table's settings,
#'   as the command line's `--error-rate`, `--max-mismatches` and
#'   `--min-delta`: the typing-error rate of the likelihoods, the most loci
#'   without a shared allele a scored candidate may have (`"auto"`: the
#'   smallest count that leaves out at most one true parent in a thousand,
#'   from the loci typed and the error rate; `NULL`, the default: 2, and
#'   auto's count for offspring with a strict parent but no strict pair),
#'   and the least delta
#'   of a `strict` or `relaxed` call (0: the posterior alone decides).
#' @param sampled_mothers,sampled_fathers The share of the true mothers
#'   (fathers) that are among the candidates, above 0 and at most 1, as the
#'   command line's `--sampled-mothers` and `--sampled-fathers` (default 0.5):
#'   the posteriors weigh each candidate against a parent not sampled.
#' @param known_mothers Mothers known beforehand, as the command line's
#'   `--known-mothers`: a data frame with columns `offspring` and `mother`, or
#'   a character vector of mothers named by their offspring; `NULL` for none.
#' @param calibrate,sim_error,seed The calibration by simulation, as the
#'   command line's `--calibrate`, `--sim-error` and `--seed`: how many
#'   offspring shaped like these data to simulate and rank as the real ones
#'   (0, the default: none; otherwise 100 to 10,000,000), their typing-error
#'   rate (`NULL`: `error_rate`) and the seed (same seed, same result). The
#'   table's calls then use the thresholds the simulation measured.
#' @param reports `NULL`, or an existing folder where the command line's
#'   files are also written: `Parent.out`, `Fam.out`, `Famgenotypes.out` and
#'   the ranked table `table.tsv`, byte for byte as `parentsphere --table
#'   table.tsv` writes them on the tables [write_parentsphere_tables()]
#'   writes (individuals by number; its `names.tsv` names them). Files of
#'   those names are replaced; [read_parentsphere_reports()] reads them.
#' @return A list of data frames, identifiers as character:
#'   \describe{
#'     \item{candidates}{One row per offspring and candidate parent, as
#'       `Parent.out` lists them: `offspring`, `parent`, `sex` (factor `F`,
#'       `M`), `tag` (factor: `I-TOTAL MATCH`, `S-TOTAL MATCH`,
#'       `NON-TOTAL MATCH`), and the candidate's `near` and `far` distance
#'       from the offspring (integers, in the markers' units: per typed locus
#'       the smaller and the larger gap between an offspring allele and the
#'       candidate's nearest allele, summed; `near` is at most the radius).}
#'     \item{families}{One row per compatible family, as `Fam.out` lists
#'       them: `offspring`, `mother`, `father` and `marked` (`TRUE` where an
#'       allele of the trio is missing, the report's `*`).}
#'     \item{table}{The ranked table of the most likely parents, as the
#'       command line's `--table` writes it: one row per offspring, in their
#'       order, with its best mother, best father and best pair by likelihood
#'       (LOD, natural log), the LOD's lead over the runner-up (`delta`), the
#'       loci without a shared allele, a call: `strict` (LOD > 0 and
#'       posterior at least 0.95), `relaxed` (at least 0.80), `ambiguous`
#'       (LOD > 0, smaller posterior), `unlikely` (LOD <= 0) or `known` (a
#'       known mother), and at the end the posteriors (`mother_posterior`,
#'       `father_posterior`, `pair_posterior`) and the runners-up
#'       (`mother_runner_up`, `father_runner_up`, `pair_runner_up_mother`,
#'       `pair_runner_up_father`). Calls are factors, `*_in_sphere` and
#'       `pair_in_fam` logical, `NA` where there is no candidate. See
#'       `man parentsphere` for every column.}
#'     \item{calibration}{With `calibrate`, the calibration file's table
#'       (`role`, `score`, `threshold`, `precision`, `share_assigned`,
#'       `called`, `right`, `chosen`: the critical posterior and delta of
#'       each role at 95% (`strict`) and 80% (`relaxed`) precision, then
#'       precision against delta), its inputs in the attribute `settings`;
#'       `NULL` without.}
#'   }
#'   and `radius`.
#' @details The run can be interrupted with Ctrl-C (Esc in the R GUI); R then
#'   returns to the prompt and nothing is kept of the run.
#' @seealso [write_parentsphere_tables()] and [read_parentsphere_reports()] to
#'   run the command-line program instead; [sphere_example] for the data.
#' @examples
#' res <- find_parents(sphere_example, radius = 4)
#' head(res$candidates)
#' head(res$families)
#' # the best pairs called strict, with their posteriors
#' subset(res$table, pair_call == "strict",
#'        c(offspring, pair_mother, pair_father, pair_lod, pair_posterior))
#' # mothers known for two offspring, three quarters of the fathers sampled
#' kids <- sphere_example$id[sphere_example$sex == "O"][1:2]
#' moms <- sphere_example$id[sphere_example$sex == "F"][1:2]
#' known <- find_parents(sphere_example, radius = 4, sampled_fathers = 0.75,
#'                       known_mothers = data.frame(offspring = kids, mother = moms))
#' known$table[1:2, c("offspring", "mother", "mother_call", "father", "father_posterior")]
#' @export
find_parents <- function(genotypes = NULL, radius, parents = NULL, offspring = NULL,
                         id = NULL, sex = "sex", ignore = character(),
                         progress = interactive(), error_rate = 0.02, max_mismatches = NULL,
                         min_delta = 0, sampled_mothers = 0.5, sampled_fathers = 0.5,
                         known_mothers = NULL, calibrate = 0, sim_error = NULL, seed = 1,
                         reports = NULL) {
  check_radius(radius)
  check_reports_folder(reports)
  ranking <- ranking_settings(error_rate, max_mismatches, min_delta, sampled_mothers,
                              sampled_fathers)
  simulation <- calibration_settings(calibrate, sim_error, seed)
  input <- prepare_input(genotypes, parents, offspring, id, sex, ignore)
  known <- known_mother_lines(known_mothers, input)
  found <- run_engine(input, radius, progress, ranking = c(ranking, input$first_father, simulation),
                      known_mothers = known, reports = reports)
  c(engine_frames(found, input),
    list(calibration = parse_calibration(found$calibration), radius = as.integer(radius)))
}

# The calibration's settings, checked as the command line checks
# --calibrate, --sim-error and --seed: simulated offspring (0: none), their
# error rate (-1: the table's) and the seed.
calibration_settings <- function(calibrate, sim_error, seed) {
  whole <- function(x, low, high) {
    is.numeric(x) && length(x) == 1L && is.finite(x) && x == round(x) && x >= low && x <= high
  }
  if (!(identical(calibrate, 0) || identical(calibrate, 0L) || whole(calibrate, 100, 1e7))) {
    stop("calibrate must be 0 (none) or a whole number from 100 to 10000000 (for example 10000)",
         call. = FALSE)
  }
  if (!is.null(sim_error) && !(is.numeric(sim_error) && length(sim_error) == 1L &&
                               is.finite(sim_error) && sim_error >= 0 && sim_error <= 0.5)) {
    stop("sim_error must be NULL (the error rate) or one number from 0 to 0.5", call. = FALSE)
  }
  if (!whole(seed, 0, 2^53)) {
    stop("seed must be one whole number from 0 to 2^53 (for example 1)", call. = FALSE)
  }
  if ((!is.null(sim_error) || !identical(seed, 1)) && calibrate == 0) {
    stop("sim_error and seed need calibrate", call. = FALSE)
  }
  c(calibrate, if (is.null(sim_error)) -1 else sim_error, seed)
}

# The calibration file's text as a data frame (the rows after its "# name
# value" lines, which become the attribute "settings"); NULL without one.
parse_calibration <- function(text) {
  if (!nzchar(text)) return(NULL)
  lines <- strsplit(text, "\n", fixed = FALSE)[[1]]
  settings <- lines[startsWith(lines, "# ")]
  fields <- strsplit(substring(settings, 3), "\t")
  rows <- utils::read.delim(text = paste(lines[!startsWith(lines, "# ")], collapse = "\n"),
                            na.strings = "", stringsAsFactors = FALSE)
  values <- vapply(fields, `[`, "", 2)
  names(values) <- vapply(fields, `[`, "", 1)
  attr(rows, "settings") <- values
  rows
}

# The ranked table's settings, checked as the command line checks its options.
ranking_settings <- function(error_rate, max_mismatches, min_delta, sampled_mothers = 0.5,
                             sampled_fathers = 0.5) {
  one_number <- function(x) is.numeric(x) && length(x) == 1L && is.finite(x)
  if (!one_number(error_rate) || error_rate < 1e-6 || error_rate > 0.5) {
    stop("error_rate must be one number from 0.000001 to 0.5 (for example 0.02)", call. = FALSE)
  }
  if (is.null(max_mismatches)) {
    max_mismatches <- -2  # the engine's code for its default
  } else if (identical(max_mismatches, "auto")) {
    max_mismatches <- -1  # the engine's code for the limit from the data
  } else if (!one_number(max_mismatches) || max_mismatches != round(max_mismatches) ||
             max_mismatches < 0 || max_mismatches > .Machine$integer.max) {
    stop("max_mismatches must be one whole number, 0 or more (for example 2), \"auto\" or NULL",
         call. = FALSE)
  }
  if (!one_number(min_delta) || min_delta < 0) {
    stop("min_delta must be one number, 0 or more (for example 2)", call. = FALSE)
  }
  for (share in c("sampled_mothers", "sampled_fathers")) {
    value <- get(share)
    if (!one_number(value) || value <= 0 || value > 1) {
      stop(share, " must be one number above 0 and at most 1 (for example 0.8)", call. = FALSE)
    }
  }
  c(error_rate, max_mismatches, min_delta, sampled_mothers, sampled_fathers)
}

# The known mothers as the engine reads them: "offspring-number mother-id"
# lines; "" for none. Names are those of the input; an unknown one stops.
known_mother_lines <- function(known_mothers, input) {
  if (is.null(known_mothers)) return("")
  if (is.data.frame(known_mothers)) {
    if (!all(c("offspring", "mother") %in% names(known_mothers))) {
      stop("known_mothers must have the columns offspring and mother", call. = FALSE)
    }
    kids <- as.character(known_mothers$offspring)
    moms <- as.character(known_mothers$mother)
  } else if (is.atomic(known_mothers) && !is.null(names(known_mothers))) {
    kids <- names(known_mothers)
    moms <- as.character(unname(known_mothers))
  } else {
    stop("known_mothers must be a data frame (offspring, mother) or a vector of mothers ",
         "named by offspring", call. = FALSE)
  }
  ids <- input$parents[, ncol(input$parents)]
  mother_ids <- ids[ids < input$first_father]
  kid_at <- match(kids, input$offspring_names)
  mom_at <- match(moms, input$parent_names[ids < input$first_father])
  stop_on_problems(c(sprintf("offspring '%s' is not an offspring", kids[is.na(kid_at)]),
                     sprintf("mother '%s' is not a candidate mother", moms[is.na(mom_at)])),
                   "known_mothers")
  paste0(kid_at, " ", mother_ids[mom_at], "\n", collapse = "")
}

check_radius <- function(radius) {
  if (missing(radius) || !is.numeric(radius) || length(radius) != 1L || is.na(radius) ||
      radius != round(radius) || radius < 0 || radius > .Machine$integer.max) {
    stop("radius must be one whole number, 0 or more (for example 4)", call. = FALSE)
  }
}

# The engine's columns for the prepared input: the candidates, the families
# and the ranked table, individuals as rows (see engine_frames()).
run_engine <- function(input, radius, progress,
                       ranking = c(ranking_settings(0.02, 2, 0), input$first_father, 0, -1, 1),
                       known_mothers = "", reports = NULL) {
  callback <- NULL
  if (is.function(progress)) {
    callback <- progress
  } else if (isTRUE(progress)) {
    bar <- utils::txtProgressBar(min = 0, max = 1, style = 3)
    on.exit(close(bar), add = TRUE)
    callback <- function(done, total) utils::setTxtProgressBar(bar, if (total > 0) done / total else 1)
  } else if (!isFALSE(progress)) {
    stop("progress must be TRUE, FALSE or a function(done, total)", call. = FALSE)
  }
  known_file <- ""
  if (nzchar(known_mothers)) {
    known_file <- tempfile("known-mothers")
    on.exit(unlink(known_file), add = TRUE)
    writeLines(known_mothers, known_file, sep = "")
  }
  .Call(parentsphere_run_engine, input$parents, input$offspring, as.integer(radius), callback,
        as.numeric(ranking), known_file, if (is.null(reports)) "" else path.expand(reports))
}

check_reports_folder <- function(reports) {
  if (is.null(reports)) return(invisible())
  if (!is.character(reports) || length(reports) != 1L || is.na(reports) || !nzchar(reports)) {
    stop("reports must be NULL or the path of one folder", call. = FALSE)
  }
  if (!dir.exists(reports)) stop("the folder ", reports, " does not exist", call. = FALSE)
}

# The data frames of find_parents() from the engine's columns: offspring and
# parents, which the engine gives as rows from 1, by name (a sheet's names,
# or the identifiers and row names of the command line's tables), the codes
# of sexes, match tags and calls as factors.
engine_frames <- function(found, input) {
  kids <- input$offspring_names
  parents <- if (isTRUE(input$from_sheet)) input$parent_names else as.character(found$identifiers)
  codes <- function(values, levels) structure(values, levels = levels, class = "factor")
  frame <- function(columns) {
    structure(columns, class = "data.frame", row.names = .set_row_names(length(columns[[1]])))
  }
  candidates <- found$candidates
  families <- found$families
  table <- found$table
  kinds <- attr(table, "kinds")
  attr(table, "kinds") <- NULL
  for (at in seq_along(table)) {
    table[[at]] <- switch(kinds[at],
                          offspring = kids[table[[at]]],
                          parent = parents[table[[at]]],
                          call = codes(table[[at]], found$calls),
                          table[[at]])
  }
  list(
    candidates = frame(list(offspring = kids[candidates$offspring],
                            parent = parents[candidates$parent],
                            sex = codes(candidates$sex, c("F", "M")),
                            tag = codes(candidates$tag, match_tags),
                            near = candidates$near, far = candidates$far)),
    families = frame(list(offspring = kids[families$offspring], mother = parents[families$mother],
                          father = parents[families$father], marked = families$marked)),
    table = frame(table)
  )
}
