// Link resolution, page reading, titles and picture formats of the help
// viewer, without an X server.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

#include "help_links.h"
#include "help_page.h"
#include "page_scan.h"
#include "test_support.h"

namespace {

using helpviewer::ImageFormat;
using helpviewer::LinkKind;
using tremoscan::testing::ScopedTempDir;
using tremoscan::testing::WriteFile;

const char kCurrentPage[] = "/suite/help/Tremoscan.htm";

struct LinkCase {
  const char* href;
  LinkKind kind;
  const char* path;      // expected for kLocalFile
  const char* fragment;  // expected for kJump and kLocalFile
};

TEST(ResolveLink, ClassifiesAndResolvesAgainstTheCurrentPage) {
  const LinkCase cases[] = {
      {"", LinkKind::kEmpty, "", ""},
      {" \n\t", LinkKind::kEmpty, "", ""},
      {"#recording", LinkKind::kJump, "", "recording"},
      {"#", LinkKind::kJump, "", ""},
      {"#caf%C3%A9", LinkKind::kJump, "", "caf\xC3\xA9"},
      {"FileChooser.htm", LinkKind::kLocalFile, "/suite/help/FileChooser.htm", ""},
      {"  FileChooser.htm\n", LinkKind::kLocalFile, "/suite/help/FileChooser.htm", ""},
      {"FileChooser.htm#types", LinkKind::kLocalFile, "/suite/help/FileChooser.htm", "types"},
      {"sub/page.html", LinkKind::kLocalFile, "/suite/help/sub/page.html", ""},
      {"../config/notes.txt", LinkKind::kLocalFile, "/suite/config/notes.txt", ""},
      {"./a/../b.htm", LinkKind::kLocalFile, "/suite/help/b.htm", ""},
      {"../../../../x.htm", LinkKind::kLocalFile, "/x.htm", ""},
      {"/abs/x.htm", LinkKind::kLocalFile, "/abs/x.htm", ""},
      {"a/b:c.htm", LinkKind::kLocalFile, "/suite/help/a/b:c.htm", ""},
      {"My%20Page.htm", LinkKind::kLocalFile, "/suite/help/My Page.htm", ""},
      {"odd%2", LinkKind::kLocalFile, "/suite/help/odd%2", ""},
      {"odd%zz.htm", LinkKind::kLocalFile, "/suite/help/odd%zz.htm", ""},
      {"page.htm?query=1#part", LinkKind::kLocalFile, "/suite/help/page.htm", "part"},
      {"file:FileChooser.htm", LinkKind::kLocalFile, "/suite/help/FileChooser.htm", ""},
      {"file:///abs/x.htm#y", LinkKind::kLocalFile, "/abs/x.htm", "y"},
      {"FILE://localhost/abs/x.htm", LinkKind::kLocalFile, "/abs/x.htm", ""},
      {"file://", LinkKind::kLocalFile, "/", ""},
      {"file://otherhost/x.htm", LinkKind::kExternal, "", ""},
      {"http://example.org/a.htm", LinkKind::kExternal, "", ""},
      {"HTTPS://example.org", LinkKind::kExternal, "", ""},
      {"mailto:service@example.org", LinkKind::kExternal, "", ""},
      {"Tremoscan.htm#numbers", LinkKind::kJump, "", "numbers"},
      {"Tremoscan.htm", LinkKind::kJump, "", ""},
      {"./Tremoscan.htm?x=1", LinkKind::kJump, "", ""},
      {"../help//Tremoscan.htm#a", LinkKind::kJump, "", "a"},
      {"file:#top", LinkKind::kJump, "", "top"},
  };
  for (const LinkCase& c : cases) {
    SCOPED_TRACE(std::string("href \"") + c.href + "\"");
    helpviewer::LinkTarget t = helpviewer::ResolveLink(c.href, kCurrentPage);
    EXPECT_EQ(t.kind, c.kind);
    EXPECT_EQ(t.path, c.path);
    EXPECT_EQ(t.fragment, c.fragment);
    if (c.kind == LinkKind::kExternal) {
      EXPECT_EQ(t.url, c.href);
    }
  }
}

TEST(ResolvePicturePath, NamesLocalFilesOnly) {
  struct {
    const char* src;
    const char* path;
  } cases[] = {
      {"band.gif", "/suite/help/band.gif"},
      {" file:band.gif ", "/suite/help/band.gif"},
      {"../pixmaps/a%20b.xpm", "/suite/pixmaps/a b.xpm"},
      {"Tremoscan.htm", kCurrentPage},  // a picture shown on its own
      {"http://example.org/band.gif", ""},
      {"file://otherhost/band.gif", ""},
      {"#band", ""},
      {"", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.src);
    EXPECT_EQ(helpviewer::ResolvePicturePath(c.src, kCurrentPage), c.path);
  }
}

TEST(ResolveLink, PathHelpers) {
  struct {
    const char* path;
    const char* base;
    const char* normalised;
  } normalise[] = {
      {"a/b", "/base", "/base/a/b"},
      {"/x//y/./z/..", "/ignored", "/x/y"},
      {"..", "/", "/"},
      {"", "/base/dir", "/base/dir"},
      {"a/", "/b", "/b/a"},
      {"../..", "/one/two/three", "/one"},
  };
  for (const auto& c : normalise) {
    SCOPED_TRACE(std::string(c.path) + " in " + c.base);
    EXPECT_EQ(helpviewer::NormalisePath(c.path, c.base), c.normalised);
  }
  struct {
    const char* path;
    const char* dir;
    const char* base;
  } split[] = {
      {"/a/b.htm", "/a", "b.htm"},
      {"/b.htm", "/", "b.htm"},
      {"b.htm", ".", "b.htm"},
      {"/a/b/", "/a/b", ""},
  };
  for (const auto& c : split) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(helpviewer::DirectoryOf(c.path), c.dir);
    EXPECT_EQ(helpviewer::BaseNameOf(c.path), c.base);
  }
}

TEST(ExtractTitle, TakesTheFirstTitleElementDecodedAndFolded) {
  struct {
    const char* html;
    const char* title;
  } cases[] = {
      {"<html><head><title>Tremoscan Help</title></head>", "Tremoscan Help"},
      {"<TITLE>Upper Case</TITLE>", "Upper Case"},
      {"<title lang=en>\n  Two\n   lines \n</title>", "Two lines"},
      {"<title>A &amp; B &lt;C&gt; &#65;&#x42;&nbsp;end</title>", "A & B <C> AB end"},
      {"<title>&bogus; &amp &#300; &#;</title>", "&bogus; &amp &#300; &#;"},
      {"<titlebar>no</titlebar><title>yes</title>", "yes"},
      {"<title>first</title><title>second</title>", "first"},
      {"<title>unterminated", ""},
      {"<title", ""},
      {"no title here", ""},
      {"<title>  </title>", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.html);
    EXPECT_EQ(helpviewer::ExtractTitle(c.html), c.title);
  }
}

TEST(ImageFormat, SniffsTheLeadingBytes) {
  struct {
    std::string head;
    ImageFormat format;
    bool showable;
  } cases[] = {
      {"GIF89a\x10\x00", ImageFormat::kGif, true},
      {"GIF87a", ImageFormat::kGif, true},
      {std::string("\xFF\xD8\xFF\xE0\x00\x10JFIF", 10), ImageFormat::kJpeg, true},
      {"/* XPM */\nstatic char *x[] = {", ImageFormat::kXpm, true},
      {" \n/* XPM */", ImageFormat::kXpm, true},
      {std::string("\x89PNG\r\n\x1A\n\0\0", 10), ImageFormat::kPng, false},
      {"GIF8", ImageFormat::kUnknown, false},
      {std::string("\xFF\xD8", 2), ImageFormat::kUnknown, false},
      {"<html>", ImageFormat::kUnknown, false},
      {"", ImageFormat::kUnknown, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.head);
    EXPECT_EQ(helpviewer::SniffImageFormat(c.head), c.format);
    EXPECT_EQ(helpviewer::IsShowableImage(c.format), c.showable);
  }
  EXPECT_EQ(helpviewer::SniffImageFile("/nonexistent/picture.gif"), ImageFormat::kUnknown);
}

const char kGifBytes[] = "GIF89a\x01\x00\x01\x00\x00\x00\x00;";
const char kPngBytes[] = "\x89PNG\r\n\x1A\n\x00\x00\x00\x0DIHDR";

struct PageCase {
  const char* name;         // file to read (created unless `contents` is null)
  const char* contents;     // file contents; nullptr: the file does not exist
  size_t size;              // bytes of `contents` to write
  bool ok;                  // ReadHelpPage's result
  const char* mime;         // expected mime type when ok
  const char* title;        // expected title when ok
  const char* error_part;   // part of the reason when not ok
};

TEST(ReadHelpPage, ReadsPagesTextsAndPicturesAndRefusesTheRest) {
  ScopedTempDir dir;
  const PageCase cases[] = {
      {"page.htm", "<title>The Page</title><p>body", 0, true, "text/html", "The Page", ""},
      {"PAGE.HTML", "<p>no title", 0, true, "text/html", "PAGE.HTML", ""},
      {"notes.txt", "plain\ntext <b>not html</b>\n", 0, true, "text/plain", "notes.txt", ""},
      {"pic.gif", kGifBytes, sizeof kGifBytes - 1, true, "text/html", "pic.gif", ""},
      {"pic.png", kPngBytes, sizeof kPngBytes - 1, false, "", "", "PNG"},
      {"blob.bin", "\x01\x02\x00\x03", 4, false, "", "", "neither"},
      {"missing.htm", nullptr, 0, false, "", "", "No such file"},
  };
  for (const PageCase& c : cases) {
    SCOPED_TRACE(c.name);
    std::string path = dir.file(c.name);
    if (c.contents) WriteFile(path, std::string(c.contents, c.size ? c.size : strlen(c.contents)));
    helpviewer::HelpPage page;
    std::string error;
    ASSERT_EQ(helpviewer::ReadHelpPage(path, &page, &error), c.ok) << error;
    if (!c.ok) {
      EXPECT_NE(error.find(c.error_part), std::string::npos) << error;
      EXPECT_EQ(error.find('\n'), std::string::npos) << "the reason is one line";
      continue;
    }
    EXPECT_EQ(page.mime, c.mime);
    EXPECT_EQ(page.title, c.title);
    EXPECT_EQ(page.path, path);
  }
}

TEST(ReadHelpPage, RefusesDirectoriesAndHugeFilesAndResolvesLinks) {
  ScopedTempDir dir;
  ASSERT_EQ(mkdir(dir.file("folder.htm").c_str(), 0755), 0);
  helpviewer::HelpPage page;
  std::string error;
  EXPECT_FALSE(helpviewer::ReadHelpPage(dir.file("folder.htm"), &page, &error));
  EXPECT_NE(error.find("directory"), std::string::npos) << error;

  std::string huge = dir.file("huge.htm");
  WriteFile(huge, "<title>x</title>");
  ASSERT_EQ(truncate(huge.c_str(), static_cast<off_t>(helpviewer::kMaxPageBytes + 1)), 0);
  EXPECT_FALSE(helpviewer::ReadHelpPage(huge, &page, &error));
  EXPECT_NE(error.find("too large"), std::string::npos) << error;

  // A page reached through a symbolic link is known by its real path, so
  // its relative links resolve among its real neighbours.
  ASSERT_EQ(mkdir(dir.file("real").c_str(), 0755), 0);
  WriteFile(dir.file("real/page.htm"), "<title>Real</title>");
  ASSERT_EQ(symlink(dir.file("real/page.htm").c_str(), dir.file("alias.htm").c_str()), 0);
  ASSERT_TRUE(helpviewer::ReadHelpPage(dir.file("alias.htm"), &page, &error)) << error;
  EXPECT_EQ(page.path, dir.file("real/page.htm"));
}

TEST(ReadHelpPage, UnreadablePageGivesTheSystemReason) {
  if (geteuid() == 0) GTEST_SKIP() << "root reads every file";
  ScopedTempDir dir;
  std::string path = dir.file("locked.htm");
  WriteFile(path, "<title>x</title>");
  ASSERT_EQ(chmod(path.c_str(), 0), 0);
  helpviewer::HelpPage page;
  std::string error;
  EXPECT_FALSE(helpviewer::ReadHelpPage(path, &page, &error));
  EXPECT_NE(error.find("Permission denied"), std::string::npos) << error;
}

// A picture opened directly is wrapped in a page whose <img> must lead back
// to the very file, whatever characters its name holds.
TEST(ReadHelpPage, WrappedPictureLinksBackToItsFile) {
  ScopedTempDir dir;
  for (const char* name : {"plain.gif", "with blank.gif", "100% #1?.gif", "a&b<c>.gif"}) {
    SCOPED_TRACE(name);
    std::string path = dir.file(name);
    WriteFile(path, std::string(kGifBytes, sizeof kGifBytes - 1));
    helpviewer::HelpPage page;
    std::string error;
    ASSERT_TRUE(helpviewer::ReadHelpPage(path, &page, &error)) << error;
    EXPECT_EQ(helpviewer::ExtractTitle(page.text), name);
    auto refs = helpviewer_test::ScanReferences(page.text);
    ASSERT_EQ(refs.images.size(), 1u);
    EXPECT_EQ(helpviewer::ResolvePicturePath(refs.images[0], page.path), path);
  }
}

TEST(ScanReferences, FindsLinksPicturesAndNamedPlaces) {
  const char* html =
      "<html><body background=\"paper.gif\">"
      "<!-- <a href=\"commented.htm\">gone</a> -->"
      "<A HREF=\"One.htm#x\">one</A> <a href='two.htm'>two</a> <a href=three.htm>3</a>"
      "<a name=\"top\"></a><a\nname=end href=\"#top\">x</a>"
      "<img src=\"a.gif\" alt=\"a > b\"><IMG SRC=b.xpm>"
      "<a href=\"q.htm?a=1&amp;b=2\">q</a></body></html>";
  auto refs = helpviewer_test::ScanReferences(html);
  EXPECT_EQ(refs.links, (std::vector<std::string>{"One.htm#x", "two.htm", "three.htm", "#top",
                                                   "q.htm?a=1&b=2"}));
  EXPECT_EQ(refs.images, (std::vector<std::string>{"paper.gif", "a.gif", "b.xpm"}));
  EXPECT_EQ(refs.anchors, (std::vector<std::string>{"top", "end"}));
}

}  // namespace
