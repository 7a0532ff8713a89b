// help_window.cpp - the help viewer's window and its navigation.
//
// The window is one resizable shell built with the widget layer: the HTML
// view fills it, and under it a row holds "Back", a status text and "Close".
//
// States and transitions (one page is always shown; links are followed from
// a zero-delay timer after the widget's click handling is over):
//   showing P --local link to Q, Q readable-->   showing Q   [FollowLink: P pushed]
//   showing P --local link, Q unreadable---->    showing P   [status says why]
//   showing P --"#name" or link to P itself-->   showing P   [scrolled to the name]
//   showing P --http, mailto, other host---->    showing P   [status: not available]
//   showing Q --Back------------------------->   showing P   [GoBack: P popped]
//   any       --Close or window manager close->  exit 0      [CloseCB]
// Invariants:
//  (1) `page` is the page in the widget; the process's working directory is
//      that page's folder, so relative picture names resolve there.
//  (2) "Back" is sensitive exactly when `history` is not empty.
//  (3) Only GIF, JPEG and XPM files reach the widget's picture decoder.
#include "help_window.h"

#include <Xm/Form.h>
#include <Xm/Label.h>
#include <Xm/ScrollBar.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

extern "C" {
#include <XmHTML/XmHTML.h>
}

#include "help_links.h"
#include "wmlib.h"

namespace helpviewer {
namespace {

// Size of the page area when the window opens, in pixels.
constexpr Dimension kPageWidth = 760;
constexpr Dimension kPageHeight = 640;
// Narrowest width of the buttons under the page, in pixels.
constexpr Dimension kMinButtonWidth = 90;

// A page left by following a link, to return to with "Back".
struct HistoryEntry {
  std::string path;  // absolute path of the page
  int scroll_y;      // pixels of the page scrolled off the top when it was left
};

struct ViewerState {
  Widget shell = nullptr;   // the top-level shell; its title is the page's title
  Widget html = nullptr;    // the HTML view
  Widget back = nullptr;    // "Back" button
  Widget status = nullptr;  // one-line status text under the page
  HelpPage page;            // the page shown
  std::string message;      // last status message, shown again when the pointer leaves a link
  std::string clicked_href;            // link clicked last, followed once the widget is done
  std::vector<HistoryEntry> history;   // pages to go back to, newest last
  std::set<std::string> image_names;   // picture paths handed to the widget; the set
                                       // keeps their storage alive for the widget
};

ViewerState gViewer;

void ShowStatusText(const std::string& text) {
  XmString s = XmStringCreateLocalized(const_cast<char*>(text.c_str()));
  XtVaSetValues(gViewer.status, XmNlabelString, s, nullptr);
  XmStringFree(s);
}

void SetStatus(const std::string& text) {
  gViewer.message = text;
  ShowStatusText(text);
}

void UpdateBackButton() { XtSetSensitive(gViewer.back, !gViewer.history.empty()); }

int CurrentScrollY() {
  Widget bar = nullptr;
  XtVaGetValues(gViewer.html, XmNverticalScrollBar, &bar, nullptr);
  if (!bar || !XtIsManaged(bar)) return 0;
  int value = 0, slider = 0, increment = 0, page = 0;
  XmScrollBarGetValues(bar, &value, &slider, &increment, &page);
  return value;
}

// Hands the text of the page shown to the widget and scrolls to `fragment`
// or, without one, to `scroll_y` pixels from the top.
void RenderPage(const std::string& fragment, int scroll_y) {
  const HelpPage& page = gViewer.page;
  // Relative picture names in the page are relative to its own folder.
  if (chdir(DirectoryOf(page.path).c_str()) != 0)
    fprintf(stderr, "WMShowHelp: cannot change to the folder of %s\n", page.path.c_str());
  XtVaSetValues(gViewer.html, XmNmimeType, page.mime.c_str(), nullptr);
  // Emptied first: the widget ignores a text equal to the one it shows.
  XmHTMLTextSetString(gViewer.html, nullptr);
  XmHTMLTextSetString(gViewer.html, const_cast<char*>(page.text.c_str()));
  XtVaSetValues(gViewer.shell, XmNtitle, page.title.c_str(), XmNiconName, page.title.c_str(),
                nullptr);
  SetStatus("");
  if (!fragment.empty()) {
    // The widget names its anchors as they are linked to, with the '#'.
    std::string name = "#" + fragment;
    int id = XmHTMLAnchorGetId(gViewer.html, name.data());
    if (id >= 0) {
      XmHTMLAnchorScrollToId(gViewer.html, id);
      return;
    }
    SetStatus("There is no section \"" + fragment + "\" on this page.");
  }
  XmHTMLScrollToYPos(gViewer.html, scroll_y);
}

void FollowLink(const std::string& href) {
  LinkTarget target = ResolveLink(href, gViewer.page.path);
  std::string message;
  if (target.kind == LinkKind::kLocalFile) {
    HelpPage page;
    std::string error;
    if (ReadHelpPage(target.path, &page, &error)) {
      gViewer.history.push_back({gViewer.page.path, CurrentScrollY()});
      gViewer.page = std::move(page);
      RenderPage(target.fragment, 0);
      UpdateBackButton();
      return;
    }
    message = "Cannot show " + BaseNameOf(target.path) + ": " + error;
  } else if (target.kind == LinkKind::kExternal) {
    message = "Not available in the help viewer (no network access): " + target.url;
  }
  // The page stays. It is rendered again all the same: with outline fonts
  // the widget redraws a clicked link without its text, and only a fresh
  // rendering brings the text back.
  int scroll_y = CurrentScrollY();
  RenderPage(target.kind == LinkKind::kJump ? target.fragment : std::string(),
             target.kind == LinkKind::kJump && target.fragment.empty() ? 0 : scroll_y);
  if (!message.empty()) SetStatus(message);
}

void GoBack() {
  if (gViewer.history.empty()) return;
  HistoryEntry entry = gViewer.history.back();
  gViewer.history.pop_back();
  UpdateBackButton();
  HelpPage page;
  std::string error;
  if (!ReadHelpPage(entry.path, &page, &error)) {
    SetStatus("Cannot show " + BaseNameOf(entry.path) + ": " + error);
    return;
  }
  gViewer.page = std::move(page);
  RenderPage("", entry.scroll_y);
}

// ---- callbacks ----

void FollowClickedLinkTO(XtPointer, XtIntervalId*) { FollowLink(gViewer.clicked_href); }

void ActivateCB(Widget w, XtPointer, XtPointer call_data) {
  auto* cbs = static_cast<XmHTMLAnchorCallbackStruct*>(call_data);
  // The viewer decides where every link goes, including jumps on the page.
  cbs->doit = False;
  cbs->visited = False;
  // The widget still uses the clicked link after this callback returns, so
  // the page may only change once it is done: from a zero-delay timer.
  gViewer.clicked_href = cbs->href ? cbs->href : "";
  XtAppAddTimeOut(XtWidgetToApplicationContext(w), 0, FollowClickedLinkTO, nullptr);
}

// Shows where a link goes while the pointer is over it, as browsers do.
void AnchorTrackCB(Widget, XtPointer, XtPointer call_data) {
  auto* cbs = static_cast<XmHTMLAnchorCallbackStruct*>(call_data);
  if (cbs->href && *cbs->href)
    ShowStatusText(std::string("Link: ") + cbs->href);
  else
    ShowStatusText(gViewer.message);
}

void BackCB(Widget, XtPointer, XtPointer) { GoBack(); }

void CloseCB(Widget, XtPointer, XtPointer) {
  fflush(nullptr);
  exit(0);
}

// Stands in for a picture that cannot be shown: a grey frame with a red
// cross. The widget would otherwise load a refused file itself.
const char kMissingPictureXpm[] =
    "/* XPM */\n"
    "static char *missing[] = {\n"
    "\"16 16 3 1\",\n"
    "\"  c #FFFFFF\",\n"
    "\". c #808080\",\n"
    "\"x c #C00000\",\n"
    "\"................\",\n"
    "\".              .\",\n"
    "\". xx        xx .\",\n"
    "\".  xx      xx  .\",\n"
    "\".   xx    xx   .\",\n"
    "\".    xx  xx    .\",\n"
    "\".     xxxx     .\",\n"
    "\".      xx      .\",\n"
    "\".     xxxx     .\",\n"
    "\".    xx  xx    .\",\n"
    "\".   xx    xx   .\",\n"
    "\".  xx      xx  .\",\n"
    "\". xx        xx .\",\n"
    "\".              .\",\n"
    "\".              .\",\n"
    "\"................\"};\n";

// Loads a picture of the page. Only local GIF, JPEG and XPM files reach the
// widget's decoder; anything it could crash on, or would have to fetch from
// the network, gets the placeholder (returning nothing would make the widget
// try the file itself).
XmImageInfo* LoadImageProc(Widget w, String src, Dimension, Dimension, XtPointer) {
  std::string path = ResolvePicturePath(src ? src : "", gViewer.page.path);
  bool showable = !path.empty() && IsShowableImage(SniffImageFile(path));
  // The widget keeps the name; the set keeps it alive.
  std::string key = showable ? path : std::string(src ? src : "");
  const std::string& name = *gViewer.image_names.insert(key).first;
  if (showable) return XmHTMLImageDefaultProc(w, const_cast<char*>(name.c_str()), nullptr, 0);
  return XmHTMLImageDefaultProc(
      w, const_cast<char*>(name.c_str()),
      reinterpret_cast<unsigned char*>(const_cast<char*>(kMissingPictureXpm)),
      static_cast<int>(sizeof kMissingPictureXpm - 1));
}

Widget CreatePageView(Widget form, Widget above_row) {
  Widget html = XtVaCreateManagedWidget(
      "helpPage", xmHTMLWidgetClass, form,
      XmNwidth, kPageWidth,
      XmNheight, kPageHeight,
      XmNtopAttachment, XmATTACH_FORM,
      XmNleftAttachment, XmATTACH_FORM,
      XmNrightAttachment, XmATTACH_FORM,
      XmNbottomAttachment, XmATTACH_WIDGET,
      XmNbottomWidget, above_row,
      XmNbottomOffset, 6,
      XmNmarginWidth, 20,
      XmNmarginHeight, 14,
      XmNanchorButtons, False,
      // Anti-aliased outline fonts: the server's bitmap faces come in few
      // sizes, and the widget then mixes bold and plain text of different
      // heights.
      XmNfontType, XmFONT_IS_XFT,
      XmNxftFontFamily, "sans",
      XmNxftFontFamilyFixed, "monospace",
      XmNenableBadHTMLWarnings, XmHTML_NONE,
      XmNimageProc, reinterpret_cast<XtPointer>(&LoadImageProc),
      XtVaTypedArg, XmNbackground, XmRString, "white", 6,
      XtVaTypedArg, XmNanchorForeground, XmRString, "#0000C0", 8,
      nullptr);
  XtAddCallback(html, XmNactivateCallback, ActivateCB, nullptr);
  XtAddCallback(html, XmNanchorTrackCallback, AnchorTrackCB, nullptr);
  return html;
}

// The layer places items top-down; the button row belongs under the page,
// so its attachments are turned around to the bottom edge.
void AttachRowToBottom(Widget back, Widget status, Widget close) {
  XtVaSetValues(back, XmNtopAttachment, XmATTACH_NONE, XmNbottomAttachment, XmATTACH_FORM,
                XmNleftAttachment, XmATTACH_FORM, nullptr);
  XtVaSetValues(close, XmNtopAttachment, XmATTACH_NONE, XmNbottomAttachment, XmATTACH_FORM,
                XmNleftAttachment, XmATTACH_NONE, XmNrightAttachment, XmATTACH_FORM, nullptr);
  XtVaSetValues(status, XmNtopAttachment, XmATTACH_OPPOSITE_WIDGET, XmNtopWidget, back,
                XmNbottomAttachment, XmATTACH_OPPOSITE_WIDGET, XmNbottomWidget, back,
                XmNtopOffset, 0, XmNbottomOffset, 0,
                XmNleftAttachment, XmATTACH_WIDGET, XmNleftWidget, back,
                XmNrightAttachment, XmATTACH_WIDGET, XmNrightWidget, close,
                XmNrecomputeSize, False, nullptr);
}

}  // namespace

void RunHelpWindow(const HelpPage& page) {
  WMSetResizableShell(1);
  WMRequestCentering();
  Widget form = WMCreateMainForm(page.title.c_str());
  if (!form) exit(1);  // the layer has said why
  gViewer.shell = XtParent(form);

  WMSetOffsets(8, 8, 8, 8);
  // Buttons take their natural size from their font, and at least a width
  // that makes them easy to hit.
  WMSetFixedWidthSizing(0);
  gViewer.back = WMFuncButton("Back", BackCB, nullptr, 0, 0);
  gViewer.status = WMInfoLabel("", nullptr);
  WMSetLabelAlignment(gViewer.status, WM_ALIGN_BEGINNING);
  Widget close = WMDoneButton("Close", CloseCB, nullptr, 0, 0);
  WMSetFixedWidthSizing(1);
  for (Widget button : {gViewer.back, close}) {
    Dimension width = 0;
    XtVaGetValues(button, XmNwidth, &width, nullptr);
    if (width < kMinButtonWidth) XtVaSetValues(button, XmNwidth, kMinButtonWidth, nullptr);
  }
  AttachRowToBottom(gViewer.back, gViewer.status, close);
  gViewer.html = CreatePageView(form, gViewer.back);

  gViewer.page = page;
  RenderPage("", 0);
  UpdateBackButton();
  WMRealizeShell();
  WMMainLoop();
  exit(0);  // not reached: the loop never returns
}

}  // namespace helpviewer
