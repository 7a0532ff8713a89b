// chooser_driver.cpp - see chooser_driver.h.
#include "chooser_driver.h"

#include <Xm/TextF.h>

#include "wmlib.h"

namespace tremoscan::testing {
namespace {

// Interval between two looks for a new chooser, in ms.
const unsigned long kTickMs = 30;

}  // namespace

ChooserDriver::ChooserDriver(std::vector<Step> steps) : state_(std::make_unique<State>()) {
  state_->steps = std::move(steps);
  state_->timer = XtAppAddTimeOut(WMRtAppContext(), kTickMs, &ChooserDriver::Tick, state_.get());
}

ChooserDriver::~ChooserDriver() {
  if (state_->timer) XtRemoveTimeOut(state_->timer);
}

// Every chooser a step answers has ended by the next tick (a step ends it
// or it is cancelled): a chooser open at a tick is a new one.
void ChooserDriver::Tick(XtPointer client, XtIntervalId*) {
  auto* state = static_cast<State*>(client);
  state->timer = 0;
  if (wm::FileChooser* fc = wm::OpenChooser()) {
    ++state->opened;
    if (state->next < state->steps.size()) state->steps[state->next++](fc);
    if (fc->running) wm::CancelChooser(fc);
  }
  state->timer = XtAppAddTimeOut(WMRtAppContext(), kTickMs, &ChooserDriver::Tick, client);
}

void TypeAndReturn(Widget field, const char* text) {
  XmTextFieldSetString(field, const_cast<char*>(text));
  XmAnyCallbackStruct cbs = {};
  cbs.reason = XmCR_ACTIVATE;
  XtCallCallbacks(field, XmNactivateCallback, &cbs);
  // Return then goes on to the form's default button (the chooser's OK),
  // as a key press does.
  Widget default_button = nullptr;
  XtVaGetValues(XtParent(field), XmNdefaultButton, &default_button, nullptr);
  if (default_button) XtCallCallbacks(default_button, XmNactivateCallback, &cbs);
}

}  // namespace tremoscan::testing
