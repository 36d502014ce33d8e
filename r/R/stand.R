# The stand as a value. A stand is the list of its figures (the model's
# single-precision values as doubles); it keeps, as attributes, how it was
# described and the steps taken since, shaped like a scenario's [[stand]] and
# a regime's steps. Each function returns a new stand and leaves its argument
# as it was: the model works the stand out again from its description and
# steps, with the same arithmetic, so a stand can be saved and read back.

stand_figures <- c(
  "age", "site_class", "dominant_height", "trees", "basal_area", "trees_planted",
  "dmin", "a", "b", "c"
)

new_stand <- function(description, steps, call) {
  description <- description[!vapply(description, is.null, logical(1))]
  figures <- checked(cpp_stand(description, steps), call)
  structure(figures, description = description, steps = steps, class = "zireze_stand")
}

# Every argument after the age is given by its full name: a site class taken
# for a density would make a stand all the same. `extra`: what went to `...`.
by_name <- function(extra, call) {
  if (length(extra) == 0L) {
    return(invisible())
  }
  given <- names(extra)
  if (is.null(given)) {
    given <- character(length(extra))
  }
  what <- ifelse(nzchar(given), paste0(given, " (no such argument)"), "an argument without a name")
  wrong_type(paste0(
    paste(unique(what), collapse = ", "),
    ": give every argument after age by its full name (site_class = 16, trees = 1500, ...)"
  ), call)
}

# A stand described at `age` by its site (site class or dominant height) and
# what `...` gives of its trees; each constructor has checked its arguments'
# names.
described <- function(call, age, site_class, dominant_height, ...) {
  new_stand(list(
    age = age, site_class = site_class, dominant_height = dominant_height, ...
  ), list(), call)
}

stand_unthinned <- function(age, ..., site_class = NULL, dominant_height = NULL, trees = NULL,
                            basal_area = NULL, trees_planted = NULL) {
  call <- sys.call()
  by_name(match.call(expand.dots = FALSE)$..., call)
  described(call, age, site_class, dominant_height,
    trees = trees, basal_area = basal_area, trees_planted = trees_planted
  )
}

stand_from_counts <- function(age, ..., counts, site_class = NULL, dominant_height = NULL) {
  call <- sys.call()
  by_name(match.call(expand.dots = FALSE)$..., call)
  described(call, age, site_class, dominant_height, counts = counts)
}

stand_from_weibull <- function(age, ..., trees, a, b, c, site_class = NULL,
                               dominant_height = NULL) {
  call <- sys.call()
  by_name(match.call(expand.dots = FALSE)$..., call)
  described(call, age, site_class, dominant_height,
    weibull = list(trees = trees, a = a, b = b, c = c)
  )
}

stand_from_attributes <- function(age, ..., trees, basal_area, dmin, p90, site_class = NULL,
                                  dominant_height = NULL) {
  call <- sys.call()
  by_name(match.call(expand.dots = FALSE)$..., call)
  described(call, age, site_class, dominant_height,
    attributes = list(trees = trees, basal_area = basal_area, dmin = dmin, p90 = p90)
  )
}

# The stand after one more step.
stepped <- function(stand, step, call) {
  check_stand(stand, call)
  new_stand(attr(stand, "description"), c(attr(stand, "steps"), list(step)), call)
}

thin_rows <- function(stand, one_in) {
  stepped(stand, list(thin = "rows", one_in = one_in), sys.call())
}

thin_selective <- function(stand, residual_basal_area) {
  stepped(stand, list(thin = "selective", residual_basal_area = residual_basal_area), sys.call())
}

project <- function(stand, age) {
  stepped(stand, list(grow_to = age), sys.call())
}

print.zireze_stand <- function(x, ...) {
  history <- if (isTRUE(x$unthinned)) {
    "never thinned selectively"
  } else {
    "thinned selectively, or described as thinned before"
  }
  cat("<zireze stand: ", history, ">\n", sep = "")
  print(unlist(unclass(x)[stand_figures]), ...)
  invisible(x)
}

# ---------------------------------------------------------------------------
# The stand table.

stand_table <- function(stand, bark = TRUE) {
  call <- sys.call()
  check_stand(stand, call)
  table <- checked(cpp_stand_table(attr(stand, "description"), attr(stand, "steps"), bark), call)
  structure(table, class = "zireze_stand_table")
}

# The table's lines as the dialogue shows them on the console.
format.zireze_stand_table <- function(x, ...) {
  strsplit(attr(x, "console"), "\n", fixed = TRUE)[[1L]]
}

print.zireze_stand_table <- function(x, ...) {
  cat(format(x), sep = "\n")
  invisible(x)
}

as.data.frame.zireze_stand_table <- function(x, row.names = NULL, optional = FALSE, ...) {
  classes <- x$classes
  if (!is.null(row.names)) {
    row.names(classes) <- row.names
  }
  classes
}

report_text <- function(table) {
  if (!inherits(table, "zireze_stand_table")) {
    wrong_type(paste0("table: a stand table (stand_table()) is needed, not ", class(table)[1L]),
               sys.call())
  }
  attr(table, "report")
}
