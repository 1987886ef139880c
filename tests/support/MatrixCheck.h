#pragma once
// GoogleTest checks for matrices that print both matrices when they differ.

#include "numerics/RowMatrix.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

std::string MatrixText(const std::vector<double>& values, int rows, int columns);

// Every element within tolerance (absolute); prints both matrices otherwise.
::testing::AssertionResult MatricesNear(const std::vector<double>& expected, const std::vector<double>& actual,
                                        int rows, int columns, double tolerance);

std::vector<double> Flatten(const CRowMatrix& matrix);
