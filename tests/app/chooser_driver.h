// chooser_driver.h - answering the file choosers a test's code opens, one
// after the other, from a toolkit timer: the first chooser that appears
// gets the first step, the next one the second step, and so on. A step
// that leaves its chooser open has it cancelled.
#pragma once

#include <gtest/gtest.h>

#include <X11/Intrinsic.h>

#include <functional>
#include <memory>
#include <vector>

#include "file_chooser.h"

namespace tremoscan::testing {

class ChooserDriver {
 public:
  using Step = std::function<void(wm::FileChooser*)>;
  explicit ChooserDriver(std::vector<Step> steps);
  ~ChooserDriver();
  ChooserDriver(const ChooserDriver&) = delete;
  ChooserDriver& operator=(const ChooserDriver&) = delete;

  // Number of choosers that appeared.
  int opened() const { return state_->opened; }

 private:
  struct State {
    std::vector<Step> steps;   // one per chooser, in order
    size_t next = 0;           // step for the next chooser
    int opened = 0;            // choosers seen so far
    XtIntervalId timer = 0;    // the pending tick, 0 when none
  };
  static void Tick(XtPointer state, XtIntervalId*);
  std::unique_ptr<State> state_;
};

// Sets the text of a field and presses Return in it.
void TypeAndReturn(Widget field, const char* text);

}  // namespace tremoscan::testing
