library(testthat)
library(parentsphere)

test_check("parentsphere")
