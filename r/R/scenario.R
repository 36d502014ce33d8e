# Scenarios: every stand under every regime, as `zireze run` runs them, and
# the best regime of each stand, as `zireze optimize` finds it. A scenario is
# a file's path, or a list shaped like the file; a list is written as a
# scenario file by the program's one writer and read by its one reader, so
# its problems are told as a file's are.

# A path as the user typed it: "~" expanded.
scenario_source <- function(x) {
  if (is.character(x) && length(x) == 1L && !is.na(x)) path.expand(x) else x
}

run_scenario <- function(x, jobs = NULL, reports = FALSE) {
  tables <- checked(cpp_run_scenario(scenario_source(x), jobs, reports))
  structure(tables, class = "zireze_runs")
}

read_scenario <- function(x) {
  checked(cpp_read_scenario(scenario_source(x)))
}

scenario_toml <- function(x) {
  checked(cpp_scenario_toml(x))
}

table_columns <- function() cpp_columns()

print.zireze_runs <- function(x, ...) {
  status <- table(factor(x$runs$status, levels = c("ok", "refused", "out_of_range")))
  cat(sprintf(
    "<zireze runs: %d runs (%s), %d stand states, %d class rows>\n",
    nrow(x$runs), paste(names(status), status, sep = " ", collapse = ", "),
    nrow(x$stands), nrow(x$classes)
  ))
  others <- setdiff(names(x), c("stands", "classes", "runs"))
  if (length(others)) {
    cat("also:", paste(others, collapse = ", "), "\n")
  }
  print(x$runs, ...)
  invisible(x)
}

optimize_scenario <- function(x, jobs = NULL) {
  found <- checked(cpp_optimize(scenario_source(x), jobs))
  optimum_of(found)
}

# optimum.csv's rows, the best regimes, and the scenario that re-runs them.
optimum_of <- function(found) {
  regimes <- found$scenario$regime
  structure(list(
    optimum = found$optimum,
    regimes = if (is.null(regimes)) list() else regimes,
    scenario = found$scenario
  ), class = "zireze_optimum")
}

optimize_stand <- function(stand, economics, ..., regimes = list(), bark = TRUE,
                           id = "stand") {
  call <- sys.call()
  check_stand(stand, call)
  if (length(attr(stand, "steps"))) {
    wrong_type(paste(
      "stand: the search starts from a stand as described,",
      "before any thinning or projection"
    ), call)
  }
  scenario <- list(
    bark = bark,
    stand = list(c(list(id = id), attr(stand, "description"))),
    economics = economics,
    optimize = list(...)
  )
  if (length(regimes)) {
    scenario$regime <- regimes
  }
  found <- checked(cpp_optimize(scenario, 1L), call)
  optimum_of(found)
}

print.zireze_optimum <- function(x, ...) {
  o <- x$optimum
  cat("<zireze optimum: the best regime of ", nrow(o), " stand(s)>\n", sep = "")
  print(o[, c("stand", "status", "objective", "value", "rotation_age", "thinnings", "gain")], ...)
  for (i in seq_len(nrow(o))) {
    cat(o$stand[i], ": ", if (o$status[i] == "ok") o$regime[i] else o$message[i], "\n", sep = "")
  }
  invisible(x)
}
