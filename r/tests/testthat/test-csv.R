# The data frames against the CSV files of the program built with this
# package's sources (written by build.sh into csv/ for each scenario of
# scenarios/): the same columns and rows, each cell the same value. A figure
# is the single-precision number the CSV's text reads as; money, the double
# it reads as. `rows`, when given, picks the CSV's rows the frame holds.

expect_frame_is_csv <- function(frame, file, rows = NULL) {
  csv <- utils::read.csv(file, colClasses = "character", na.strings = character(),
                         check.names = FALSE, strip.white = FALSE, encoding = "UTF-8")
  if (!is.null(rows)) {
    csv <- csv[rows(csv), , drop = FALSE]
  }
  expect_identical(names(frame), names(csv))
  expect_identical(nrow(frame), nrow(csv))
  for (name in names(frame)) {
    x <- frame[[name]]
    text <- csv[[name]]
    label <- paste(basename(file), name)
    if (is.character(x)) {
      expect_identical(x, text, label = label)
    } else if (is.integer(x)) {
      expect_identical(x, ifelse(text == "", NA_integer_, suppressWarnings(as.integer(text))),
                       label = label)
    } else {
      empty <- text == ""
      expect_identical(is.na(x) & !is.nan(x), empty, label = label)
      x <- x[!empty]
      read <- as.numeric(text[!empty])
      figure <- identical(x, as_single(x)) && identical(x, as_single(read))
      expect_true(identical(x, read) || figure, label = label)
    }
  }
}

csv_of <- function(name) {
  folder <- test_path("csv", name)
  if (!dir.exists(folder)) {
    skip("no CSV files of the program (r/build.sh was not given the built zireze)")
  }
  folder
}

test_that("run_scenario's data frames are zireze run's CSV files", {
  folder <- csv_of("valued")
  r <- run_scenario(test_path("scenarios", "valued.toml"), jobs = 3L)
  for (name in c("stands", "classes", "runs", "values", "cashflows")) {
    expect_frame_is_csv(r[[name]], file.path(folder, paste0(name, ".csv")))
  }
  expect_setequal(r$runs$status, c("ok", "refused", "out_of_range"))
})

test_that("optimize_scenario's rows are zireze optimize's, and its regimes re-run as its runs", {
  folder <- csv_of("optimize")
  found <- optimize_scenario(test_path("scenarios", "optimize.toml"), jobs = 2L)
  expect_frame_is_csv(found$optimum, file.path(folder, "optimum.csv"))
  expect_identical(found$regimes, found$scenario$regime)
  again <- run_scenario(found$scenario)
  for (name in c("stands", "classes", "runs", "values", "cashflows")) {
    expect_frame_is_csv(again[[name]], file.path(folder, paste0(name, ".csv")))
  }

  # The same stand as a stand of the package, searched alone.
  scenario <- read_scenario(test_path("scenarios", "optimize.toml"))
  stand <- stand_of(scenario$stand[[1L]])
  alone <- do.call(optimize_stand, c(
    list(stand, scenario$economics), scenario$optimize,
    list(regimes = scenario$regime, bark = FALSE, id = "P1")
  ))
  expect_identical(alone$optimum, found$optimum[1L, ])
})

test_that("plan_scenario's tables are zireze plan's, and its scenario re-runs and re-plans it", {
  folder <- csv_of("plan")
  found <- plan_scenario(test_path("scenarios", "plan.toml"), jobs = 2L)
  for (name in c("candidates", "candidate_flows", "plan", "periods", "constraints", "solution")) {
    expect_frame_is_csv(found[[name]], file.path(folder, paste0(name, ".csv")))
  }
  expect_identical(found$plan_toml, readChar(file.path(folder, "plan.toml"), 1e6, useBytes = TRUE))
  expect_identical(found$solution$status, "optimal")
  expect_gt(found$solution$split_stands, 0L)

  # Areas and the plan's settings are doubles, not the model's single-precision figures.
  expect_identical(found$scenario$stand[[1L]]$area, 12.3)
  expect_identical(found$scenario$plan$tolerance, 0.15)

  # The chosen regimes re-run to the plan's own rows, and plan again to the same objective.
  again <- run_scenario(found$scenario)
  chosen <- function(csv) {
    paste(csv$stand, csv$regime) %in% paste(found$plan$stand, found$plan$regime)
  }
  for (name in c("stands", "runs", "values")) {
    expect_frame_is_csv(again[[name]], file.path(folder, paste0(name, ".csv")), rows = chosen)
  }
  replanned <- plan_scenario(found$scenario, jobs = 1L)
  expect_equal(replanned$solution$objective, found$solution$objective, tolerance = 1e-12)
})
