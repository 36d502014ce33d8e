# The reference runs of the program: each scenario of reference/ repeats the
# stand and steps of one run of the dialogue. run_scenario gives the run's
# report byte for byte; the stand tables built step by step print as the
# run's console and report print them, and hold the very figures of the
# scenario's rows.

in_order <- function(parts, whole) {
  at <- 1L
  for (part in parts) {
    found <- grepRaw(part, whole, offset = at, fixed = TRUE)
    expect_length(found, 1L)
    if (length(found) == 0L) {
      return()
    }
    at <- found + length(part)
  }
  heading <- charToRaw("  DAP     N.ARV.")
  expect_length(grepRaw(heading, whole, fixed = TRUE, all = TRUE), length(parts))
}

for (path in Sys.glob(test_path("reference", "*.toml"))) {
  name <- sub("[.]toml$", "", basename(path))
  test_that(paste("the reference run", name), {
    bytes <- function(ext) {
      file <- test_path("reference", paste0(name, ext))
      readBin(file, "raw", file.size(file))
    }
    report <- bytes(".rep")
    r <- run_scenario(path, jobs = 2L, reports = TRUE)
    expect_identical(unname(r$reports), list(report))
    expect_identical(r$runs$status, "ok")

    scenario <- read_scenario(path)
    states <- list(stand_of(scenario$stand[[1L]]))
    for (step in scenario$regime[[1L]]$steps) {
      states <- c(states, list(step_of(states[[length(states)]], step)))
    }
    tables <- lapply(states, stand_table, bark = scenario$bark)
    in_order(lapply(tables, report_text), report)
    console <- lapply(tables, function(t) charToRaw(paste0(format(t), "\n", collapse = "")))
    in_order(console, bytes(".out"))

    # The rows of the run are the stands' and tables' own figures.
    figures <- t(mapply(function(s, t) {
      c(s$age, s$site_class, s$dominant_height, s$trees, s$basal_area, t$dq, s$dmin, s$a, s$b,
        s$c, t$totals)
    }, states, tables))
    columns <- c("age", "si", "hd", "ts", "ba", "dq", "dmin", "a", "b", "c", "n", "g", "h",
                 "vol_tot", "vol_rol", "vol_mad")
    expect_identical(unname(as.matrix(r$stands[columns])), unname(figures))
    classes <- do.call(rbind, lapply(tables, as.data.frame))
    expect_identical(r$classes[, names(classes)], classes)

    # The scenario as a list runs as the file does.
    again <- run_scenario(scenario, jobs = 1L)
    expect_identical(again[c("stands", "classes", "runs")], r[c("stands", "classes", "runs")])
  })
}
