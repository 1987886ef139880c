#include "MatrixCheck.h"

#include <cmath>
#include <cstdio>

std::string MatrixText(const std::vector<double>& values, int rows, int columns) {
  std::string text;
  char cell[40];
  for (int i = 0; i < rows; ++i) {
    text += "  [";
    for (int j = 0; j < columns; ++j) {
      std::snprintf(cell, sizeof cell, " %.17g", values[static_cast<size_t>(i * columns + j)]);
      text += cell;
    }
    text += " ]\n";
  }
  return text;
}

::testing::AssertionResult MatricesNear(const std::vector<double>& expected, const std::vector<double>& actual,
                                        int rows, int columns, double tolerance) {
  for (size_t i = 0; i < static_cast<size_t>(rows * columns); ++i) {
    if (!(std::fabs(expected[i] - actual[i]) <= tolerance))
      return ::testing::AssertionFailure() << "element (" << i / columns << ", " << i % columns
                                           << ") differs by more than " << tolerance << "\nexpected:\n"
                                           << MatrixText(expected, rows, columns) << "actual:\n"
                                           << MatrixText(actual, rows, columns);
  }
  return ::testing::AssertionSuccess();
}

std::vector<double> Flatten(const CRowMatrix& matrix) {
  std::vector<double> values;
  for (int i = 0; i < matrix.RowCount(); ++i)
    for (int j = 0; j < matrix.ColumnCount(); ++j) values.push_back(matrix[i][j]);
  return values;
}
