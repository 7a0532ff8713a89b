// table_layout.h - the grid of a table: column widths from the widest cell,
// row heights from the tallest, and where each cell sits in its box.
//
// Cells are given row by row. Each cell is attached to the cell before it
// in its row (the first to the table's left edge) and to the cell above it
// (the first row to the table's top), so the layout is expressed as the
// offsets of those attachments.
#pragma once

#include <vector>

namespace wm {

struct CellSize {
  int width, height;  // the cell's visible size, pixels
};

struct CellPlacement {
  int x, y;            // top-left corner inside the table, pixels
  int left_offset;     // from the previous cell's right edge (first column: from the table's edge)
  int top_offset;      // from the bottom of the cell above (first row: from the table's top)
};

struct TableGrid {
  std::vector<int> column_widths;       // pixels
  std::vector<int> row_heights;         // pixels
  std::vector<CellPlacement> cells;     // row by row
};

// `alignment`: 0 beginning, 1 end, 2 centre, within the column; cells are
// centred vertically within their row. `column_gap` and `row_gap` separate
// neighbouring columns and rows.
TableGrid LayOutTable(int rows, int columns, const std::vector<CellSize>& sizes, int alignment,
                      int column_gap, int row_gap);

}  // namespace wm
