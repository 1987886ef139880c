#pragma once
// Storage for a matrix in the row-pointer form that CMatrix routines take: rows × columns
// doubles, zero-initialised, with one pointer per row. Rows() is what the routines receive.

#include <cstddef>
#include <initializer_list>
#include <vector>

class CRowMatrix {
 public:
  CRowMatrix(int rows, int columns)
      : m_nRows(rows), m_nColumns(columns), m_values(static_cast<size_t>(rows) * columns), m_rows(rows) {
    for (int i = 0; i < rows; ++i) m_rows[i] = m_values.data() + static_cast<size_t>(i) * columns;
  }
  // From rows of values, e.g. CRowMatrix({{2, 1}, {1, 3}}).
  CRowMatrix(std::initializer_list<std::initializer_list<double>> values)
      : CRowMatrix(static_cast<int>(values.size()), values.size() ? static_cast<int>(values.begin()->size()) : 0) {
    int i = 0;
    for (const auto& row : values) {
      int j = 0;
      for (double value : row) m_rows[i][j++] = value;
      ++i;
    }
  }
  CRowMatrix(const CRowMatrix& other) : CRowMatrix(other.m_nRows, other.m_nColumns) { m_values = other.m_values; }
  CRowMatrix& operator=(const CRowMatrix&) = delete;

  double** Rows() { return m_rows.data(); }
  double* operator[](int row) { return m_rows[row]; }
  const double* operator[](int row) const { return m_rows[row]; }
  int RowCount() const { return m_nRows; }
  int ColumnCount() const { return m_nColumns; }

 private:
  int m_nRows;
  int m_nColumns;
  std::vector<double> m_values;
  std::vector<double*> m_rows;
};
