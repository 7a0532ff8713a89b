// xdnd_receiver.h - the drop receiver through which file icons dragged from
// desktop file managers land in the layer's text fields (the XDND protocol,
// version 3).
#pragma once

#include <X11/Intrinsic.h>

#include <string>

namespace wm {

// Most drop targets (fields) registered at once.
constexpr int kMaxXdndTargets = 300;
// The protocol version the receiver announces in "XdndAware".
constexpr long kXdndVersion = 3;

// Makes `shell` a drop receiver: once its window exists it carries the
// "XdndAware" property and its client messages are watched. Repeated calls
// for one shell do nothing.
void InstallXdndReceiver(Widget shell);

// Makes a text field a drop target whose drops go to WMDropIntoField.
void MakeFieldDropAware(Widget field);

// The text of a drop as the target receives it: trailing white space cut,
// then every "%" followed by two hexadecimal digits decoded.
std::string DecodeDroppedText(const std::string& raw);

// Number of registered drop targets (fields) right now.
int XdndTargetCount();

}  // namespace wm
