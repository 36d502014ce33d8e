# Errors of the package. The compiled part hands back a "zireze_failure" (its
# lines, and its kind) where the model or the scenario reader refuses
# something; it is raised here as an R error of class zireze_<kind>_error
# (kind: type, value, scenario or interrupt), with the call of the function
# the user called.

checked <- function(result, call = sys.call(-1L)) {
  if (!inherits(result, "zireze_failure")) {
    return(result)
  }
  kind <- attr(result, "kind")
  lines <- as.character(result)
  fail(kind, lines, call)
}

fail <- function(kind, lines, call) {
  condition <- structure(
    class = c(paste0("zireze_", kind, "_error"), "zireze_error", "error", "condition"),
    list(message = paste(lines, collapse = "\n"), call = call)
  )
  if (kind == "scenario") {
    condition$problems <- lines
  }
  stop(condition)
}

# An argument of the wrong kind, found before the model is asked.
wrong_type <- function(message, call) fail("type", message, call)

# A stand made by this package, or an error naming the argument.
check_stand <- function(stand, call) {
  if (!inherits(stand, "zireze_stand")) {
    wrong_type(paste0(
      "stand: a stand of this package is needed (stand_unthinned(), stand_from_counts(), ...), not ",
      class(stand)[1L]
    ), call)
  }
}
