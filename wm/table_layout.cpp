// table_layout.cpp - see table_layout.h.
#include "table_layout.h"

#include <algorithm>

namespace wm {
namespace {

int Shift(int room, int size, int alignment) {
  int spare = std::max(0, room - size);
  switch (alignment) {
    case 1: return spare;      // end
    case 2: return spare / 2;  // centre
    default: return 0;         // beginning
  }
}

}  // namespace

TableGrid LayOutTable(int rows, int columns, const std::vector<CellSize>& sizes, int alignment,
                      int column_gap, int row_gap) {
  TableGrid grid;
  if (rows < 1 || columns < 1 || static_cast<int>(sizes.size()) < rows * columns) return grid;
  grid.column_widths.assign(static_cast<size_t>(columns), 0);
  grid.row_heights.assign(static_cast<size_t>(rows), 0);
  auto at = [&](int r, int c) { return sizes[static_cast<size_t>(r * columns + c)]; };
  for (int r = 0; r < rows; ++r)
    for (int c = 0; c < columns; ++c) {
      grid.column_widths[c] = std::max(grid.column_widths[c], at(r, c).width);
      grid.row_heights[r] = std::max(grid.row_heights[r], at(r, c).height);
    }

  std::vector<int> column_x(static_cast<size_t>(columns), 0), row_y(static_cast<size_t>(rows), 0);
  for (int c = 1; c < columns; ++c) column_x[c] = column_x[c - 1] + grid.column_widths[c - 1] + column_gap;
  for (int r = 1; r < rows; ++r) row_y[r] = row_y[r - 1] + grid.row_heights[r - 1] + row_gap;

  grid.cells.resize(static_cast<size_t>(rows * columns));
  for (int r = 0; r < rows; ++r)
    for (int c = 0; c < columns; ++c) {
      CellSize size = at(r, c);
      CellPlacement& p = grid.cells[static_cast<size_t>(r * columns + c)];
      p.x = column_x[c] + Shift(grid.column_widths[c], size.width, alignment);
      p.y = row_y[r] + Shift(grid.row_heights[r], size.height, 2);
      if (c == 0) {
        p.left_offset = p.x;
      } else {
        const CellPlacement& before = grid.cells[static_cast<size_t>(r * columns + c - 1)];
        p.left_offset = p.x - (before.x + at(r, c - 1).width);
      }
      if (r == 0) {
        p.top_offset = p.y;
      } else {
        const CellPlacement& above = grid.cells[static_cast<size_t>((r - 1) * columns + c)];
        p.top_offset = p.y - (above.y + at(r - 1, c).height);
      }
    }
  return grid;
}

}  // namespace wm
