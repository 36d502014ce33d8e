# Figures (base graphics) of the runs of a scenario, of a stand table and of
# a forest plan.
# They plot the model's values as they are: nothing of the model is worked
# out here.

# More lines or bars than this and a legend hides the plot: it is left out.
most_labelled <- 12L

plot.zireze_runs <- function(x, y = NULL, which = c("development", "values"), column = "npv",
                             main = NULL, ...) {
  which <- match.arg(which)
  if (which == "development") {
    plot_development(x$stands, main)
  } else {
    if (is.null(x$values)) {
      stop("no values: the scenario has no economics")
    }
    plot_values(x$values, column, main)
  }
  invisible(x)
}

# The development of each stand under each regime: live trees, basal area,
# dominant height and the three volumes against age. Each run is one line
# through its states in step order, so a thinning is a vertical drop at its
# age; the states a thinning leaves are marked with a triangle.
plot_development <- function(stands, main) {
  run <- paste(stands$stand, stands$regime, sep = "\r")
  runs <- unique(run)
  colours <- grDevices::hcl.colors(max(length(runs), 2L), "Dark 3")
  old <- graphics::par(mfrow = c(2L, 2L), mar = c(4, 4.5, 1, 1),
                       oma = c(0, 0, if (is.null(main)) 0 else 2, 0))
  on.exit(graphics::par(old))
  panels <- list(
    list("ts", "live trees per ha"), list("ba", "basal area (m2/ha)"),
    list("hd", "dominant height (m)"), list(c("vol_tot", "vol_rol", "vol_mad"), "volume (m3/ha)")
  )
  first <- match(runs, run)
  labels <- ifelse(stands$regime[first] == "", stands$stand[first],
                   paste(stands$stand[first], stands$regime[first], sep = " / "))
  for (p in seq_along(panels)) {
    columns <- panels[[p]][[1L]]
    values <- unlist(stands[columns], use.names = FALSE)
    graphics::plot(range(stands$age, finite = TRUE), range(c(0, values), finite = TRUE),
                   type = "n", xlab = "age (years)", ylab = panels[[p]][[2L]])
    graphics::grid()
    for (k in seq_along(runs)) {
      rows <- stands[run == runs[k], , drop = FALSE]
      rows <- rows[order(rows$step), , drop = FALSE]
      thinned <- rows$event == "thinned"
      for (j in seq_along(columns)) {
        graphics::lines(rows$age, rows[[columns[j]]], col = colours[k], lty = j)
        graphics::points(rows$age[thinned], rows[[columns[j]]][thinned], col = colours[k], pch = 6)
      }
    }
    if (p == 1L && length(runs) <= most_labelled) {
      graphics::legend("topright", labels, col = colours[seq_along(runs)], lty = 1, bty = "n",
                       cex = 0.8)
    }
  }
  graphics::legend("topleft", c("total", "roundwood", "sawlog", "after thinning"),
                   lty = c(1, 2, 3, NA), pch = c(NA, NA, NA, 6), bty = "n", cex = 0.8)
  if (!is.null(main)) {
    graphics::mtext(main, outer = TRUE, font = 2)
  }
}

# What each regime is worth on each stand: a group of bars per stand, a bar
# per regime, its height the run's `column` of the values table. Runs
# without a value have no bar.
plot_values <- function(values, column, main) {
  if (!column %in% names(values)) {
    stop("no column ", column, " in the values table")
  }
  stands <- unique(values$stand)
  regimes <- unique(values$regime)
  heights <- matrix(NA_real_, length(regimes), length(stands), dimnames = list(regimes, stands))
  heights[cbind(match(values$regime, regimes), match(values$stand, stands))] <- values[[column]]
  colours <- grDevices::hcl.colors(max(length(regimes), 2L), "Dark 3")[seq_along(regimes)]
  graphics::barplot(heights, beside = TRUE, col = colours, ylab = column,
                    main = if (is.null(main)) paste(column, "by stand and regime") else main,
                    legend.text = if (length(regimes) <= most_labelled) regimes,
                    args.legend = list(bty = "n", cex = 0.8))
  graphics::abline(h = 0, col = "grey30")
}

# One stand table: trees per ha by diameter class, and the total, roundwood
# and sawlog volumes of each class side by side.
plot.zireze_stand_table <- function(x, y = NULL, main = NULL, ...) {
  classes <- x$classes
  old <- graphics::par(mfrow = c(1L, 2L), oma = c(0, 0, 2, 0))
  on.exit(graphics::par(old))
  graphics::barplot(classes$n, names.arg = classes$dap, col = "darkseagreen",
                    xlab = "diameter class (cm)", ylab = "trees per ha")
  volumes <- t(as.matrix(classes[c("vol_tot", "vol_rol", "vol_mad")]))
  graphics::barplot(volumes, beside = TRUE, names.arg = classes$dap,
                    col = grDevices::hcl.colors(3L, "Dark 3"),
                    xlab = "diameter class (cm)", ylab = "volume (m3/ha)",
                    legend.text = c("total", "roundwood", "sawlog"),
                    args.legend = list(bty = "n", cex = 0.8))
  shown <- function(v) if (is.na(v)) "***" else v
  if (is.null(main)) {
    main <- sprintf("age %s, site class %s, %s bark", shown(x$age), shown(x$site_class),
                    if (x$bark) "with" else "without")
  }
  graphics::mtext(main, outer = TRUE, font = 2)
  invisible(x)
}

# The plan's harvests by period: the total, roundwood and sawlog volumes it
# removes side by side, and the flow it holds even (F_k; on its own axis at
# the right when it is the revenue) with, from the second period on, the
# band the period before allows it (its flow times 1 - tolerance and
# 1 + tolerance), and min_flow and max_flow where given.
plot.zireze_plan <- function(x, y = NULL, main = NULL, ...) {
  p <- x$periods
  if (!nrow(p)) {
    stop("no plan to plot: the solver found none (", x$solution$status, ")")
  }
  settings <- x$scenario$plan
  flow <- settings$flow
  money <- flow == "revenue"
  old <- graphics::par(mar = c(4.5, 4.5, 3, if (money) 4.5 else 1))
  on.exit(graphics::par(old))
  volumes <- t(as.matrix(p[c("vol_tot", "vol_rol", "vol_mad")]))
  band <- if (flow == "none") NULL else flow_band(p$flow, settings$tolerance)
  # Headroom above the bars for the legend.
  headroom <- function(v) 1.3 * max(c(v, 1e-9), na.rm = TRUE)
  colours <- grDevices::hcl.colors(3L, "Dark 3")
  centres <- graphics::barplot(volumes, beside = TRUE, col = colours,
                               names.arg = sprintf("%d-%d", p$first_year, p$last_year),
                               ylim = c(0, headroom(c(volumes, if (!money) c(p$flow, band)))),
                               xlab = "years from now", ylab = "removed (m3)")
  if (is.null(main)) {
    main <- if (is.null(band)) "The plan's harvests" else
      sprintf("The plan's harvests, %s within %g %%", flow, 100 * settings$tolerance)
  }
  graphics::title(main)
  labels <- c("total", "roundwood", "sawlog")
  if (is.null(band)) {
    graphics::legend("topleft", labels, fill = colours, bty = "n", cex = 0.8)
    return(invisible(x))
  }
  if (money) {
    graphics::par(new = TRUE)
    graphics::plot.window(xlim = graphics::par("usr")[1:2], ylim = c(0, headroom(c(p$flow, band))),
                          xaxs = "i", yaxs = "i")
    graphics::axis(4)
    graphics::mtext("revenue (money)", side = 4, line = 3)
  }
  at <- colMeans(centres)
  later <- seq_along(at)[-1L]
  graphics::arrows(at[later], band[later, 1L], at[later], band[later, 2L], angle = 90, code = 3,
                   length = 0.05, col = "grey40")
  graphics::lines(at, p$flow, type = "b", pch = 19, lwd = 2)
  for (bound in c(settings$min_flow, settings$max_flow)) {
    if (bound > 0) graphics::abline(h = bound, lty = 2, col = "grey40")
  }
  graphics::legend("topleft", c(labels, paste("flow", flow), "allowed by the period before"),
                   fill = c(colours, NA, NA), border = c(rep("black", 3L), NA, NA),
                   lty = c(NA, NA, NA, 1, 1), pch = c(NA, NA, NA, 19, NA),
                   col = c(NA, NA, NA, "black", "grey40"), bty = "n", cex = 0.8)
  invisible(x)
}

# From the second period on, the flows the period before allows: its flow
# times 1 - tolerance and 1 + tolerance (a row a period, NA for the first).
flow_band <- function(flows, tolerance) {
  before <- c(NA, flows[-length(flows)])
  cbind((1 - tolerance) * before, (1 + tolerance) * before)
}
