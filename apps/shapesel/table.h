#pragma once
// Plain-text result tables: a header line and one line per result, columns
// right-aligned to their widest cell.
//
//   vsTable t{{"#", "x", "y"}, {}};
//   t.rows.push_back({"0", vfFixed(12.5, 2), vfFixed(3.0, 2)});
//   vfPrintTable(std::cout, t, 20);   // at most 20 rows, then "... and N more"

#include <cstddef>
#include <ostream>
#include <string>
#include <vector>

struct vsTable {
  std::vector<std::string> columns;
  std::vector<std::vector<std::string>> rows;  // each as many cells as columns
};

// Prints the table; with maxRows > 0 only the first maxRows rows, followed by
// a line saying how many were left out. A table without rows prints
// "(no results)" instead of the header.
void vfPrintTable(std::ostream& os, const vsTable& table, std::size_t maxRows);

// v with `decimals` digits after the point ("-0.00" printed as "0.00").
std::string vfFixed(double v, int decimals);
