// tables.cpp - tables: items laid out in a grid of rows and columns.
//
// WMBeginTable places a frameless form "tableWidget<n>" and pushes it; the
// items placed until WMEndTable are its cells, row by row. WMEndTable
// checks that exactly rows x columns cells were placed (anything else is a
// programming error that ends the program), then replaces the cells' row
// placement by a grid: each column as wide as its widest cell, each row as
// tall as its tallest, cells aligned in their column by the table's
// alignment and centred in their row. The table form is popped.
//
// Tables may nest (a cell may hold a frame with a table in it); the open
// tables form a stack.
#include <Xm/Form.h>
#include <Xm/RowColumn.h>
#include <Xm/Scale.h>
#include <Xm/SpinB.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "table_layout.h"
#include "wm_state.h"

using namespace wm;

namespace {

struct OpenTable {
  Widget form;       // the "tableWidget<n>" form
  int rows;          // rows asked for
  int columns;       // columns asked for
  int alignment;     // 0 beginning, 1 end, 2 centre
  int column_gap;    // pixels between columns (the left offset in force at the start)
  int row_gap;       // pixels between rows (the top offset in force at the start)
  int depth_before;  // form-stack depth before the table form was pushed
};

struct TableState {
  std::vector<OpenTable> open;  // innermost last
  int counter = 0;              // number in the next table's name
} gTables;

bool MeasuredByParts(Widget w) {
  if (XmIsScale(w) || XtIsSubclass(w, xmSpinBoxWidgetClass)) return true;
  if (!XmIsRowColumn(w)) return false;
  unsigned char type = 0;
  XtVaGetValues(w, XmNrowColumnType, &type, nullptr);
  return type == XmMENU_OPTION;
}

// The size a cell shows: its own outer size, or for option menus, scales
// and spin boxes the box around their managed parts (their own size may
// include room for parts that are not shown).
CellSize VisibleSize(Widget w) {
  Dimension width = 0, height = 0, border = 0;
  XtVaGetValues(w, XmNwidth, &width, XmNheight, &height, XmNborderWidth, &border, nullptr);
  CellSize size{width + 2 * border, height + 2 * border};
  if (!MeasuredByParts(w)) return size;
  WidgetList children = nullptr;
  Cardinal count = 0;
  XtVaGetValues(w, XmNchildren, &children, XmNnumChildren, &count, nullptr);
  int right = 0, bottom = 0;
  for (Cardinal i = 0; i < count; ++i) {
    if (!XtIsManaged(children[i])) continue;
    Position x = 0, y = 0;
    Dimension cw = 0, ch = 0, cb = 0;
    XtVaGetValues(children[i], XmNx, &x, XmNy, &y, XmNwidth, &cw, XmNheight, &ch, XmNborderWidth, &cb,
                  nullptr);
    right = std::max(right, x + cw + 2 * cb);
    bottom = std::max(bottom, y + ch + 2 * cb);
  }
  if (right > 0 && bottom > 0) size = {right + 2 * border, bottom + 2 * border};
  return size;
}

}  // namespace

extern "C" {

Widget WMBeginTable(int rows, int columns, int alignment) try {
  if (!gWM.current_form || gWM.stack_depth >= WM_FORM_STACK_DEPTH) return nullptr;
  char name[32];
  snprintf(name, sizeof name, "tableWidget%d", gTables.counter++);
  Arg args[3];
  XtSetArg(args[0], XmNuserData, reinterpret_cast<XtPointer>(static_cast<intptr_t>(alignment)));
  XtSetArg(args[1], XmNmarginWidth, 0);
  XtSetArg(args[2], XmNmarginHeight, 0);
  Widget form = CreateAndPlace(name, xmFormWidgetClass, args, 3);
  RegisterItem(form, WM_KIND_PLAIN_FORM);
  gTables.open.push_back({form, rows, columns, alignment, gWM.off_left, gWM.off_top, gWM.stack_depth});
  WMPushForm(form);
  return form;
} catch (...) {
  wm::ReportEscapedException("WMBeginTable");
  return {};
}

void WMEndTable(void) try {
  if (gTables.open.empty()) return;
  OpenTable table = gTables.open.back();
  gTables.open.pop_back();
  WidgetList children = nullptr;
  Cardinal count = 0;
  XtVaGetValues(table.form, XmNchildren, &children, XmNnumChildren, &count, nullptr);
  if (table.rows < 1 || table.columns < 1 || static_cast<int>(count) != table.rows * table.columns) {
    fprintf(stderr,
            "Fatal Photarch Error: WMEndTable: row/column inconsistency. Expected %dx%d, got %d\n",
            table.rows, table.columns, static_cast<int>(count));
    exit(-1);
  }
  std::vector<Widget> cells(children, children + count);
  std::vector<CellSize> sizes;
  for (Widget cell : cells) sizes.push_back(VisibleSize(cell));
  TableGrid grid = LayOutTable(table.rows, table.columns, sizes, table.alignment, table.column_gap,
                               table.row_gap);

  for (size_t i = 0; i < cells.size(); ++i) {
    int r = static_cast<int>(i) / table.columns, c = static_cast<int>(i) % table.columns;
    const CellPlacement& p = grid.cells[i];
    Arg args[12];
    Cardinal n = 0;
    XtSetArg(args[n], XmNrightAttachment, XmATTACH_NONE); ++n;
    XtSetArg(args[n], XmNbottomAttachment, XmATTACH_NONE); ++n;
    if (c == 0) {
      XtSetArg(args[n], XmNleftAttachment, XmATTACH_FORM); ++n;
    } else {
      XtSetArg(args[n], XmNleftAttachment, XmATTACH_WIDGET); ++n;
      XtSetArg(args[n], XmNleftWidget, cells[i - 1]); ++n;
    }
    if (r == 0) {
      XtSetArg(args[n], XmNtopAttachment, XmATTACH_FORM); ++n;
    } else {
      XtSetArg(args[n], XmNtopAttachment, XmATTACH_WIDGET); ++n;
      XtSetArg(args[n], XmNtopWidget, cells[i - static_cast<size_t>(table.columns)]); ++n;
    }
    XtSetArg(args[n], XmNleftOffset, p.left_offset); ++n;
    XtSetArg(args[n], XmNtopOffset, p.top_offset); ++n;
    XtSetArg(args[n], XmNrightOffset, 0); ++n;
    XtSetArg(args[n], XmNbottomOffset, 0); ++n;
    XtSetValues(cells[i], args, n);
  }
  // Back to the form the table was placed in.
  while (gWM.stack_depth > table.depth_before) WMPopForm();
} catch (...) {
  wm::ReportEscapedException("WMEndTable");
}

}  // extern "C"
