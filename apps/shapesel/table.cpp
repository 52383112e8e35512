#include "apps/shapesel/table.h"

#include <algorithm>
#include <cstdio>
#include <iomanip>

void vfPrintTable(std::ostream& os, const vsTable& table, std::size_t maxRows) {
  if (table.rows.empty()) {
    os << "  (no results)\n";
    return;
  }
  const std::size_t shown = maxRows > 0 ? std::min(maxRows, table.rows.size()) : table.rows.size();
  // Column widths over the header and the rows shown.
  std::vector<std::size_t> width(table.columns.size());
  for (std::size_t c = 0; c < width.size(); ++c) width[c] = table.columns[c].size();
  for (std::size_t r = 0; r < shown; ++r)
    for (std::size_t c = 0; c < width.size() && c < table.rows[r].size(); ++c)
      width[c] = std::max(width[c], table.rows[r][c].size());
  const auto line = [&](const std::vector<std::string>& cells) {
    for (std::size_t c = 0; c < width.size(); ++c)
      os << "  " << std::setw(int(width[c])) << (c < cells.size() ? cells[c] : "");
    os << '\n';
  };
  line(table.columns);
  for (std::size_t r = 0; r < shown; ++r) line(table.rows[r]);
  if (shown < table.rows.size())
    os << "  ... and " << table.rows.size() - shown << " more (see --rows)\n";
}

std::string vfFixed(double v, int decimals) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
  std::string s(buf);
  if (s.front() == '-' && s.find_first_not_of("-0.") == std::string::npos) s.erase(0, 1);
  return s;
}
