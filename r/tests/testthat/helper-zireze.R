# Doubles rounded once to the nearest single-precision number, as the model
# takes them.
as_single <- function(x) {
  readBin(writeBin(as.double(x), raw(), size = 4L), "double", size = 4L, n = length(x))
}

# The stand a scenario's [[stand]] describes, through the stand functions.
stand_of <- function(entry) {
  site <- entry[intersect(c("site_class", "dominant_height"), names(entry))]
  if (!is.null(entry$counts)) {
    return(do.call(stand_from_counts, c(list(entry$age, counts = entry$counts), site)))
  }
  if (!is.null(entry$weibull)) {
    return(do.call(stand_from_weibull, c(list(entry$age), site, entry$weibull)))
  }
  if (!is.null(entry$attributes)) {
    return(do.call(stand_from_attributes, c(list(entry$age), site, entry$attributes)))
  }
  density <- entry[intersect(c("trees", "basal_area", "trees_planted"), names(entry))]
  do.call(stand_unthinned, c(list(entry$age), site, density))
}

# The stand after a regime's step.
step_of <- function(stand, step) {
  if (!is.null(step$grow_to)) {
    return(project(stand, step$grow_to))
  }
  if (step$thin == "rows") thin_rows(stand, step$one_in) else thin_selective(stand, step$residual_basal_area)
}
