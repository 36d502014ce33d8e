# Arguments: a value the model cannot use is an error with the dialogue's
# reason (zireze_value_error), a wrong kind of argument a zireze_type_error,
# a scenario's problems a zireze_scenario_error listing them all; hostile
# values never bring R down; numbers go in rounded once to single precision.

s <- stand_unthinned(30, site_class = 16, trees = 1000)

test_that("values the model cannot use are errors with its reason", {
  value_error <- function(call, reason) {
    expect_error(call, reason, fixed = TRUE, class = "zireze_value_error")
  }
  value_error(stand_unthinned(0, site_class = 16, trees = 1000), "age=0: A IDADE TEM DE SER MAIOR")
  value_error(stand_unthinned(30, dominant_height = -1, trees = 1000), "INDIQUE CLASSE DE QUAL")
  value_error(stand_from_counts(30, site_class = 16, counts = c(0, 0)), "NENHUMA CLASSE")
  value_error(stand_from_counts(30, site_class = 16, counts = rep(5, 51)), "at most 50")
  value_error(stand_from_counts(30, site_class = 16, counts = c(100, -9, 5)), "counts[2]=-9: ")
  value_error(stand_from_counts(30, site_class = 16, counts = c(100, NA)), "counts[2]=NA")
  value_error(stand_from_weibull(30, site_class = 16, trees = 900, a = -1, b = 10, c = 2), "a=-1: ")
  value_error(thin_selective(s, s$basal_area + 0.01), "A AREA BASAL RESIDUAL TEM DE SER")
  value_error(project(s, 29.9), "age=29.9: A IDADE DE PROJECCAO NAO PODE SER INFERIOR")
  value_error(thin_rows(s, 7), "one_in=7: ")
  value_error(thin_rows(s, -2^70), "one_in=")
  value_error(thin_rows(s, 2.5), "one_in=2.5: a whole number is needed")
  value_error(stand_unthinned(NA_real_, site_class = 16, trees = 1000), "age=NA: ")
  value_error(stand_unthinned(30, site_class = NA_integer_, trees = 1000), "site_class=NA: ")
  value_error(project(s, NaN), "age=NaN: not a finite number")
  value_error(project(s, -Inf), "age=-Inf: not a finite number")
  value_error(project(s, 1e39), "beyond the range of a single-precision number")
  value_error(run_scenario(list(), jobs = 0), "jobs=0: at least 1")
})

test_that("wrong kinds of argument, NULL and NA where a value is needed are errors", {
  type_error <- function(call) expect_error(call, class = "zireze_type_error")
  type_error(stand_unthinned("30", site_class = 16, trees = 1000))
  type_error(stand_unthinned(TRUE, site_class = 16, trees = 1000))
  type_error(stand_unthinned(NA, site_class = 16, trees = 1000))
  type_error(stand_unthinned(NULL, site_class = 16, trees = 1000))
  type_error(stand_unthinned(c(30, 31), site_class = 16, trees = 1000))
  type_error(stand_unthinned(30, 16, 1000))
  type_error(stand_unthinned(30, site = 16, trees = 1000))
  type_error(stand_unthinned(30, trees = 1000))
  type_error(stand_unthinned(30, site_class = 16, dominant_height = 12, trees = 1000))
  type_error(stand_unthinned(30, site_class = 16, trees = 1000, basal_area = 30))
  type_error(stand_from_counts(30, site_class = 16, counts = "12"))
  type_error(stand_from_counts(30, site_class = 16, counts = list(1, 2)))
  type_error(stand_from_counts(30, site_class = 16, counts = factor(c(1, 2))))
  type_error(stand_from_weibull(30, site_class = 16, trees = 900, a = 5, b = NULL, c = 2))
  type_error(thin_rows(s, NA))
  type_error(thin_rows(list(age = 30), 3))
  type_error(project(structure(list(age = 30), class = "zireze_stand"), 40))
  type_error(thin_selective(s, "20"))
  type_error(stand_table(s, bark = 1))
  type_error(stand_table(s, bark = NA))
  type_error(report_text(s))
  type_error(run_scenario(42))
  type_error(run_scenario(c("a.toml", "b.toml")))
  type_error(run_scenario(NA_character_))
  type_error(run_scenario(list(), jobs = "2"))
  type_error(run_scenario(list(), reports = NA))
  type_error(run_scenario(list(stand = list(list(id = "p", age = NA)))))
  type_error(run_scenario(list(stand = list(list(id = "p", age = sum)))))
  type_error(run_scenario(list(stand = list(list(id = "p", 20)))))
  type_error(optimize_stand(project(s, 40), list()))
  expect_error(stand_unthinned(site_class = 16, trees = 1000), "age")
})

test_that("a scenario's problems are listed, each where it stands", {
  bad <- list(
    stand = list(list(id = "p", age = 0, site_class = 16, trees = 1000), list(id = "q")),
    regime = list(id = "r", steps = list(thin = "rows", one_in = 9))
  )
  e <- expect_error(run_scenario(bad), class = "zireze_scenario_error")
  expect_length(e$problems, 5L)
  expect_identical(e$problems[1L], "<list>:4:7: age = 0: A IDADE TEM DE SER MAIOR QUE ZERO")
  expect_match(e$problems, "^<list>:[0-9]+:[0-9]+: ")
  expect_error(optimize_scenario(bad), class = "zireze_scenario_error")
  expect_error(run_scenario(file.path(tempdir(), "missing.toml")), "cannot read",
               class = "zireze_scenario_error")
  # Counts the reader refuses, given as the stands of a data frame.
  plots <- data.frame(id = c("a", "b"), age = c(30, 30), site_class = 16)
  plots$counts <- list(c(0, 0), c(100, -9, 5))
  e <- expect_error(run_scenario(list(stand = plots)), class = "zireze_scenario_error")
  expect_length(e$problems, 2L)
})

test_that("a plan's problems are scenario errors, and an infeasible plan names what to relax", {
  forest <- list(
    stand = list(list(id = "a", age = 20, site_class = 16, trees = 1500, area = 4),
                 list(id = "b", age = 30, site_class = 18, trees = 1100)),
    regime = list(list(id = "wait", steps = list(list(grow_by = 25))),
                  list(id = "fell", steps = list(list(grow_by = 5), list(fell = TRUE)))),
    plan = list(objective = "vol_tot", horizon = 10)
  )
  scenario_error <- function(x, told) {
    expect_error(plan_scenario(x, jobs = 1L), told, fixed = TRUE, class = "zireze_scenario_error")
  }
  scenario_error(forest[c("stand", "regime")], "<list>: no [plan] table")
  scenario_error(modifyList(forest, list(plan = list(period = 3))), "period")
  scenario_error(modifyList(forest, list(plan = list(objective = "npv"))), "economics")
  forest$stand[[1L]]$area <- -2
  scenario_error(forest, "area")
  forest$stand[[1L]]$area <- 4
  searched <- c(forest, list(optimize = list(objective = "mai_vol_tot", thinnings = 0L)))
  searched$regime[[2L]]$id <- "fell-1"
  scenario_error(searched, "regime \"fell-1\"")

  short <- plan_scenario(modifyList(forest, list(plan = list(min_flow = 1e9))), jobs = 1L)
  expect_identical(short$solution$status, "infeasible")
  expect_identical(nrow(short$plan), 0L)
  expect_output(print(short), "relax min_flow:1 (short by", fixed = TRUE)
  expect_error(plot(short), "no plan to plot")
})

test_that("extreme values the model takes do not bring R down", {
  stands <- list(
    stand_unthinned(3e38, site_class = 3e38, trees = 3e38),
    stand_unthinned(1e-45, dominant_height = 1e-45, trees_planted = 1e-45),
    stand_from_weibull(30, site_class = 16, trees = 3e38, a = 1e30, b = 1e-38, c = 3e38),
    stand_from_weibull(30, site_class = 16, trees = 1, a = 0, b = 3e38, c = 1e-38),
    stand_from_counts(30, dominant_height = 3e38, counts = rep(3e38, 50)),
    stand_from_attributes(30, site_class = 16, trees = 1e-45, basal_area = 3e38, dmin = 0,
                          p90 = 3e38),
    thin_rows(thin_selective(project(s, 3.4028234e38), 1e-45), 6)
  )
  for (stand in stands) {
    for (bark in c(TRUE, FALSE)) {
      t <- stand_table(stand, bark = bark)
      expect_type(format(t), "character")
      expect_type(report_text(t), "raw")
      expect_s3_class(as.data.frame(t), "data.frame")
    }
  }
})

test_that("numbers go in rounded once to single precision, and figures are floats", {
  w <- stand_from_weibull(25.1, dominant_height = 10L, trees = 1000.7, a = 0.1, b = 10, c = 2)
  expect_identical(c(w$age, w$dominant_height, w$trees, w$a),
                   as_single(c(25.1, 10, 1000.7, 0.1)))
  # 1 + 2^-24 is the midpoint of two floats, and goes to the even one; a double
  # just above it rounds up.
  age <- function(x) stand_unthinned(x, site_class = 16, trees = 1)$age
  expect_identical(c(age(1 + 2^-24), age(1 + 2^-24 + 2^-40)), c(1, 1 + 2^-23))
  later <- thin_selective(project(thin_rows(s, 3), 40.3), 12.2)
  for (stand in list(w, s, later)) {
    figures <- unlist(unclass(stand)[c("age", "site_class", "dominant_height", "trees",
                                       "basal_area", "dmin", "a", "b", "c")], use.names = FALSE)
    expect_identical(figures, as_single(figures))
  }
  expect_true(s$unthinned && thin_rows(s, 2)$unthinned)
  expect_false(thin_selective(s, 20)$unthinned)
  # A stand is a value: saved and read back, it goes on as before.
  file <- tempfile(fileext = ".rds")
  saveRDS(later, file)
  expect_identical(format(stand_table(project(readRDS(file), 50))),
                   format(stand_table(project(later, 50))))
})

test_that("the figures draw", {
  grDevices::pdf(NULL)
  on.exit(grDevices::dev.off())
  r <- run_scenario(test_path("scenarios", "valued.toml"))
  expect_identical(plot(r), r)
  expect_identical(plot(r, which = "values", column = "lev"), r)
  t <- stand_table(project(s, 40))
  expect_identical(plot(t), t)
  forest <- read_scenario(test_path("scenarios", "plan.toml"))
  for (flow in c("vol_tot", "revenue", "none")) {
    forest$plan$flow <- flow
    plan <- plan_scenario(forest, jobs = 1L)
    expect_identical(plot(plan), plan)
  }
})
