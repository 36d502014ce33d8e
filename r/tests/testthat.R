library(testthat)
library(zireze)

test_check("zireze")
