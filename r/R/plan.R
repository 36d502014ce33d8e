# The forest plan: which regime each stand follows (or which shares of its
# area follow which regime), as `zireze plan` plans it, with the plan's
# tables as data frames and the scenario that re-runs it.

plan_scenario <- function(x, jobs = NULL) {
  found <- checked(cpp_plan(scenario_source(x), jobs))
  structure(found, class = "zireze_plan")
}

print.zireze_plan <- function(x, ...) {
  s <- x$solution
  cat(sprintf(
    "<zireze plan: %s, objective %s, %d candidates of %d stand(s), %d split>\n",
    s$status, format(s$objective), nrow(x$candidates), length(unique(x$candidates$stand)),
    s$split_stands
  ))
  if (nrow(x$periods)) {
    print(x$periods, ...)
    print(x$plan, ...)
  }
  short <- x$constraints[!is.na(x$constraints$violation) & x$constraints$violation > 0, ]
  if (nrow(short)) {
    cat("The constraints cannot all hold; relax ",
        paste0(short$name, " (short by ", format(short$violation), ")", collapse = "; "), "\n",
        sep = "")
  }
  unplanned <- setdiff(planned_stands(x), x$candidates$stand)
  if (length(unplanned)) {
    cat("No candidate regime, left out of the plan:", paste(unplanned, collapse = ", "), "\n")
  }
  invisible(x)
}

# Every stand of the scenario planned, with a candidate or without.
planned_stands <- function(x) {
  vapply(x$scenario$stand, function(stand) as.character(stand$id), "")
}
