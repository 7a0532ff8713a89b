// Rules of the compound items that need no display: how menu labels read,
// list item tags, the table grid, tool-tip positions and the progress bar's
// fill.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ProgressBar.h"
#include "list_items.h"
#include "menu_labels.h"
#include "table_layout.h"
#include "tip_placement.h"

namespace {

using wm::MenuEntryKind;

TEST(MenuLabels, KindsLevelsAndPositions) {
  wm::MenuPlan plan = wm::PlanMenu({"A", "->B", "C", "<-", "D", "SePaRaToR", "(*)Grid", "->E", "F"});
  ASSERT_FALSE(plan.too_deep);
  struct Expect {
    MenuEntryKind kind;
    std::string text;
    int level;
  } expected[] = {
      {MenuEntryKind::kButton, "A", 0},   {MenuEntryKind::kCascade, "B", 0},
      {MenuEntryKind::kButton, "C", 1},   {MenuEntryKind::kBack, "", 0},
      {MenuEntryKind::kButton, "D", 0},   {MenuEntryKind::kSeparator, "", 0},
      {MenuEntryKind::kToggle, "Grid", 0}, {MenuEntryKind::kCascade, "E", 0},
      {MenuEntryKind::kButton, "F", 1},
  };
  ASSERT_EQ(plan.entries.size(), std::size(expected));
  for (size_t i = 0; i < plan.entries.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(plan.entries[i].kind, expected[i].kind);
    EXPECT_EQ(plan.entries[i].text, expected[i].text);
    EXPECT_EQ(plan.entries[i].level, expected[i].level);
  }
  EXPECT_TRUE(wm::PlanMenu({"A", "->B", "->C"}).too_deep);
  EXPECT_FALSE(wm::PlanMenu({"->B", "<-", "->C", "<-", "<-"}).too_deep) << "siblings, not nested";
}

TEST(MenuLabels, NewLabelsMustKeepTheEntryKind) {
  struct Case {
    MenuEntryKind kind;
    const char* label;
    bool fits;
  } cases[] = {
      {MenuEntryKind::kButton, "Save", true},      {MenuEntryKind::kButton, "(*)Save", false},
      {MenuEntryKind::kButton, "", false},         {MenuEntryKind::kToggle, "(*)Grid", true},
      {MenuEntryKind::kToggle, "Grid", false},     {MenuEntryKind::kToggle, "(*)", false},
      {MenuEntryKind::kCascade, "->More", true},   {MenuEntryKind::kCascade, "More", false},
      {MenuEntryKind::kButton, "separator", false},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.label);
    EXPECT_EQ(wm::LabelFitsEntry(k.kind, k.label), k.fits);
  }
}

TEST(ListItems, TagsChooseRenditions) {
  struct Case {
    const char* item;
    std::string shown;
    std::string rendition;
  } cases[] = {
      {"<b>[docs] docs", "[docs] docs", "ListBoldRendition"},
      {"<i>note", "note", "ListItalicRendition"},
      {"<bi>both", "both", "ListBoldItalicRendition"},
      {"<b>ab", "ab", "ListBoldRendition"},       // 5 characters: long enough
      {"<b>a", "<b>a", "ListNormalRendition"},    // 4 characters: not a tag
      {"<bi>", "<bi>", "ListNormalRendition"},
      {"<B>upper", "<B>upper", "ListNormalRendition"},
      {"plain <b>", "plain <b>", "ListNormalRendition"},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.item);
    wm::ListItemText text = wm::ReadListItem(k.item);
    EXPECT_EQ(text.text, k.shown);
    EXPECT_EQ(std::string(text.rendition), k.rendition);
  }
}

TEST(TableGrid, ColumnsTakeTheWidestCellAndCellsAlign) {
  // 2 rows x 3 columns, row by row.
  const std::vector<wm::CellSize> sizes = {{40, 20}, {10, 30}, {25, 20},
                                           {60, 10}, {30, 30}, {25, 40}};
  struct Case {
    int alignment;
    std::vector<int> xs;  // x of each cell
  } cases[] = {
      {0, {0, 65, 100, 0, 65, 100}},   // beginning
      {1, {20, 85, 100, 0, 65, 100}},  // end: right edges meet at the column's end
      {2, {10, 75, 100, 0, 65, 100}},  // centre
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.alignment);
    wm::TableGrid grid = wm::LayOutTable(2, 3, sizes, k.alignment, 5, 3);
    EXPECT_EQ(grid.column_widths, (std::vector<int>{60, 30, 25}));
    EXPECT_EQ(grid.row_heights, (std::vector<int>{30, 40}));
    ASSERT_EQ(grid.cells.size(), 6u);
    for (size_t i = 0; i < 6; ++i) {
      EXPECT_EQ(grid.cells[i].x, k.xs[i]) << "cell " << i;
      // Rows centre their cells: row 0 spans 0..30, row 1 spans 33..73.
      int row_top = i < 3 ? 0 : 33, row_height = i < 3 ? 30 : 40;
      EXPECT_EQ(grid.cells[i].y, row_top + (row_height - sizes[i].height) / 2) << "cell " << i;
    }
    // The attachment offsets rebuild the same positions.
    for (size_t i = 0; i < 6; ++i) {
      size_t column = i % 3;
      int x = column == 0 ? grid.cells[i].left_offset
                          : grid.cells[i - 1].x + sizes[i - 1].width + grid.cells[i].left_offset;
      int y = i < 3 ? grid.cells[i].top_offset
                    : grid.cells[i - 3].y + sizes[i - 3].height + grid.cells[i].top_offset;
      EXPECT_EQ(x, grid.cells[i].x) << "cell " << i;
      EXPECT_EQ(y, grid.cells[i].y) << "cell " << i;
      EXPECT_GE(grid.cells[i].left_offset, 0);
      EXPECT_GE(grid.cells[i].top_offset, 0);
    }
  }
  EXPECT_TRUE(wm::LayOutTable(2, 3, {{1, 1}}, 0, 0, 0).cells.empty()) << "too few sizes";
}

TEST(TipPlacement, BelowAboveAndBesideMenus) {
  const int screen_w = 1000, screen_h = 800;
  const wm::ScreenRect menu{300, 100, 120, 200};
  struct Case {
    const char* name;
    wm::ScreenRect item;
    int tip_w, tip_h;
    const wm::ScreenRect* menu;
    int x, y;
  } cases[] = {
      {"below, 2 pixels right", {100, 100, 80, 30}, 60, 20, nullptr, 102, 132},
      {"above when no room below", {100, 760, 80, 30}, 60, 20, nullptr, 102, 738},
      {"exactly fitting below stays below", {100, 748, 80, 30}, 60, 20, nullptr, 102, 780},
      {"moved left at the right edge", {960, 100, 30, 30}, 60, 20, nullptr, 940, 132},
      {"menu entry: right of the menu", {300, 150, 120, 20}, 80, 18, &menu, 420, 150},
      {"menu entry: left of the menu", {300, 150, 120, 20}, 600, 18, &menu, -300, 150},
  };
  for (const auto& k : cases) {
    SCOPED_TRACE(k.name);
    wm::TipPosition at = wm::PlaceTip(k.item, k.tip_w, k.tip_h, screen_w, screen_h, k.menu);
    EXPECT_EQ(at.x, k.x);
    EXPECT_EQ(at.y, k.y);
  }
}

TEST(ProgressBarFill, ProportionalAndClamped) {
  struct Case {
    int width, value, minimum, maximum, fill, percent;
  } cases[] = {
      {200, 50, 0, 100, 100, 50},  {200, 0, 0, 100, 0, 0},     {200, 100, 0, 100, 200, 100},
      {200, -5, 0, 100, 0, 0},     {200, 150, 0, 100, 200, 100}, {90, 15, 10, 20, 45, 50},
      {200, 5, 7, 7, 0, 0},        {0, 50, 0, 100, 0, 50},     {3, 1, 0, 3, 1, 33},
  };
  for (const auto& k : cases) {
    SCOPED_TRACE(testing::Message() << k.value << " in " << k.minimum << ".." << k.maximum);
    EXPECT_EQ(wm::ProgressFillWidth(k.width, k.value, k.minimum, k.maximum), k.fill);
    EXPECT_EQ(wm::ProgressPercent(k.value, k.minimum, k.maximum), k.percent);
  }
}

}  // namespace
