// The help pages shipped with the suite: every page the programs ask for
// exists, is well-formed for the HTML widget, and every link and picture in
// it leads somewhere the offline viewer can show.
#include <gtest/gtest.h>
#include <dirent.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include <Xm/Form.h>
extern "C" {
#include <XmHTML/XmHTML.h>
}

#include "help_links.h"
#include "help_page.h"
#include "page_scan.h"
#include "test_support.h"
#include "wmlib.h"

namespace {

using helpviewer::LinkKind;
using tremoscan::testing::FileExists;
using tremoscan::testing::SourceDir;
using tremoscan::testing::SuiteDir;

std::string HelpSourceDir() { return SourceDir() + "/help"; }

std::vector<std::string> ShippedPages() {
  std::vector<std::string> pages;
  DIR* dir = opendir(HelpSourceDir().c_str());
  if (!dir) return pages;
  while (dirent* entry = readdir(dir)) {
    std::string name = entry->d_name;
    auto ends = [&](const std::string& suffix) {
      return name.size() > suffix.size() &&
             name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0;
    };
    if (ends(".htm") || ends(".html")) pages.push_back(HelpSourceDir() + "/" + name);
  }
  closedir(dir);
  std::sort(pages.begin(), pages.end());
  return pages;
}

helpviewer::HelpPage Read(const std::string& path) {
  helpviewer::HelpPage page;
  std::string error;
  EXPECT_TRUE(helpviewer::ReadHelpPage(path, &page, &error)) << path << ": " << error;
  return page;
}

// Topics the programs of the suite ask help for, and what each page must
// at least explain.
TEST(ShippedHelpPages, EveryTopicHasItsPageInTheSuite) {
  struct {
    const char* topic;
    std::vector<const char*> must_mention;
  } topics[] = {
      {"Tremoscan",
       {"X vibration", "Y vibration", "mean - 2 SD", "mean + 2 SD", "red lines",
        "nanometres", "20 to 100 beads", "One Z plane and one channel", "A few hundred frames",
        "Short exposure", "Enough photons", "Avoid bleaching", "Invalid Input File",
        "Inappropriate Input File", "No good feature tracks", "Save as JPEG"}},
      {"FileChooser",
       {"Directory", "Date", "File Name", "File Types", "preview", "&lt;Home Folder&gt;",
        "Choose Folder", "drop"}},
      {"DMSFileChooser",
       {"Project", "Dataset", "Category", "Search Annotations", "Details...", "Download...",
        "View", "The Database is busy"}},
  };
  for (const auto& t : topics) {
    SCOPED_TRACE(t.topic);
    std::string page_name = std::string("/help/") + t.topic + ".htm";
    ASSERT_TRUE(FileExists(SourceDir() + page_name));
    EXPECT_TRUE(FileExists(SuiteDir() + page_name)) << "not copied into the suite directory";
    helpviewer::HelpPage page = Read(SourceDir() + page_name);
    EXPECT_NE(page.title, t.topic + std::string(".htm")) << "the page has no <title>";
    for (const char* phrase : t.must_mention)
      EXPECT_NE(page.text.find(phrase), std::string::npos) << "missing: " << phrase;
  }
}

TEST(ShippedHelpPages, LinksAndPicturesResolveOffline) {
  std::vector<std::string> pages = ShippedPages();
  ASSERT_GE(pages.size(), 3u);
  std::map<std::string, helpviewer_test::PageReferences> refs;
  for (const std::string& path : pages)
    refs[path] = helpviewer_test::ScanReferences(Read(path).text);

  size_t links_checked = 0, pictures_checked = 0;
  for (const std::string& path : pages) {
    SCOPED_TRACE(path);
    const auto& page_refs = refs[path];
    for (const std::string& href : page_refs.links) {
      SCOPED_TRACE("link " + href);
      helpviewer::LinkTarget target = helpviewer::ResolveLink(href, path);
      ASSERT_NE(target.kind, LinkKind::kExternal) << "the viewer cannot follow it";
      ASSERT_NE(target.kind, LinkKind::kEmpty);
      std::string target_page = target.kind == LinkKind::kJump ? path : target.path;
      ASSERT_TRUE(FileExists(target_page));
      if (!target.fragment.empty()) {
        ASSERT_TRUE(refs.count(target_page)) << "fragment into a file that is no shipped page";
        const auto& anchors = refs[target_page].anchors;
        EXPECT_NE(std::find(anchors.begin(), anchors.end(), target.fragment), anchors.end())
            << "no <a name=\"" << target.fragment << "\"> in " << target_page;
      }
      ++links_checked;
    }
    for (const std::string& src : page_refs.images) {
      SCOPED_TRACE("picture " + src);
      std::string picture = helpviewer::ResolvePicturePath(src, path);
      ASSERT_FALSE(picture.empty()) << "not a local file";
      ASSERT_TRUE(FileExists(picture));
      EXPECT_TRUE(helpviewer::IsShowableImage(helpviewer::SniffImageFile(picture)))
          << "only GIF, JPEG and XPM can be shown";
      // The suite directory gets the pictures as well as the pages.
      EXPECT_TRUE(FileExists(SuiteDir() + "/help/" + helpviewer::BaseNameOf(picture)));
      ++pictures_checked;
    }
  }
  // The scan itself must have found something to check.
  EXPECT_GE(links_checked, 20u);
  EXPECT_GE(pictures_checked, 2u);
}

// What the HTML widget's parser thinks of a document.
struct ParseVerdict {
  bool reported = false;    // the document callback ran
  bool conforming = false;  // the widget verified it as a valid document
  bool balanced = false;    // every element closed in order
  bool terminated = false;  // the parser gave up early
};

void DocumentCB(Widget, XtPointer client_data, XtPointer call_data) {
  auto* verdict = static_cast<ParseVerdict*>(client_data);
  auto* cbs = static_cast<XmHTMLDocumentCallbackStruct*>(call_data);
  verdict->reported = true;
  verdict->conforming = cbs->html32 && cbs->verified;
  verdict->balanced = cbs->balanced;
  verdict->terminated = cbs->terminated;
  cbs->redo = False;
}

ParseVerdict Parse(Widget html, const std::string& text) {
  ParseVerdict verdict;
  XtAddCallback(html, XmNdocumentCallback, DocumentCB, &verdict);
  XmHTMLTextSetString(html, const_cast<char*>(text.c_str()));
  XtRemoveCallback(html, XmNdocumentCallback, DocumentCB, &verdict);
  return verdict;
}

TEST(ShippedHelpPages, TheHtmlWidgetAcceptsEveryPage) {
  ASSERT_EQ(WMOpenToolkit(), 1);
  Widget form = WMCreateMainForm("Help page check");
  ASSERT_NE(form, nullptr);
  Widget html = XtVaCreateWidget("check", xmHTMLWidgetClass, form, XmNimageEnable, False,
                                 XmNenableBadHTMLWarnings, XmHTML_NONE, nullptr);

  // The check tells a broken document from a good one.
  ParseVerdict broken = Parse(html, "<html><body><ul><li>item</b></ul><p>open <b>bold</body>");
  ASSERT_TRUE(broken.reported);
  EXPECT_FALSE(broken.conforming);

  std::vector<std::string> pages = ShippedPages();
  ASSERT_GE(pages.size(), 3u);
  for (const std::string& path : pages) {
    SCOPED_TRACE(path);
    ParseVerdict verdict = Parse(html, Read(path).text);
    ASSERT_TRUE(verdict.reported);
    EXPECT_TRUE(verdict.conforming);
    EXPECT_TRUE(verdict.balanced);
    EXPECT_FALSE(verdict.terminated);
  }
  XtDestroyWidget(XtParent(form));
}

}  // namespace
