// Streams: the table, name classification, attributes, open failures, the
// window and database paths while no window layer is attached, the raw I/O
// retry rule and the image file check.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "image_files.h"
#include "imlib.h"
#include "iwlib.h"
#include "syscalls.h"
#include "test_support.h"

using tremoscan::testing::ScopedTempDir;

namespace {

std::string Pid() { return std::to_string(getpid()); }

// A small valid 2-byte image of 3 sections of 4 x 2 pixels (values s*100+i).
std::string MakeSmallImage(const ScopedTempDir& dir, const std::string& name = "small.im") {
  std::string path = dir.file(name);
  std::vector<uint8_t> pixels;
  for (int s = 0; s < 3; ++s)
    for (int i = 0; i < 8; ++i) {
      uint16_t v = uint16_t(s * 100 + i);
      pixels.push_back(uint8_t(v & 0xFF));
      pixels.push_back(uint8_t(v >> 8));
    }
  imtest::WriteImage(path, imtest::MakeHeader(4, 2, 3, IM_USHORT, 100), {}, pixels);
  return path;
}

class StreamTest : public ::testing::Test {
 protected:
  void TearDown() override {
    for (int s : {1, 2, 3, 5, 9998, 9999, 10000}) {
      imtest::StderrOf([&] { IMClose(s); });
    }
  }
  ScopedTempDir dir_;
};

TEST(NameClassificationTest, WindowNumbersAndFiles) {
  struct Case {
    const char* name;
    int kind;
    int window;
  } cases[] = {
      {"12", 0, 12},    {"1", 0, 1},      {"1023", 0, 1023}, {"012", 1, 0},
      {"12345", 1, 0},  {"0", 1, 0},      {"1024", 1, 0},    {"12a", 1, 0},
      {"-5", 1, 0},     {"/tmp/x", 1, 0}, {"1.im", 1, 0},
  };
  for (const Case& c : cases) {
    int window = 0;
    EXPECT_EQ(IMRtStreamTypeFromName(c.name, &window), c.kind) << c.name;
    if (c.kind == 0) {
      EXPECT_EQ(window, c.window) << c.name;
    }
  }
  for (const char* bad : {"", static_cast<const char*>(nullptr)}) {
    const std::string printed = imtest::StderrOf([&] {
      EXPECT_EQ(IMRtStreamTypeFromName(bad, nullptr), IM_ERR_STREAM_NAME);
    });
    EXPECT_EQ(printed,
              "IMRtStreamTypeFromName: invalid stream name.\n");
  }
}

TEST_F(StreamTest, AttributesMatchByPrefixIgnoringCase) {
  std::string path = MakeSmallImage(dir_);
  struct Case {
    const char* attribute;
    int rc;
  } cases[] = {
      {"RO", 0},         {"ro", 0},       {"Ro_unbuffered", 0}, {"old", 0},
      {"OLD_UNBUFFERED", 0}, {"append", 0}, {"old anything", 0}, {"readonly", 201},
      {"read", 201},     {"", 201},       {"x", 201},
  };
  for (const Case& c : cases) {
    std::string err = imtest::StderrOf([&] {
      EXPECT_EQ(IMOpen(1, path.c_str(), c.attribute), c.rc) << c.attribute;
    });
    if (c.rc == 201) {
      std::string word;
      for (const char* a = c.attribute; *a && *a != ' '; ++a) word += char(tolower(*a));
      EXPECT_EQ(err, "IMOpen 1: " + word + " is an invalid stream attribute.\n");
      // The slot stayed empty.
      imtest::StderrOf([&] { EXPECT_EQ(IMClose(1), IM_ERR_STREAM_NUMBERING); });
    } else {
      EXPECT_EQ(IMClose(1), 0);
    }
  }
  // Any word beginning with "new" creates.
  std::string created = dir_.file("created.im");
  EXPECT_EQ(IMOpen(2, created.c_str(), "NEWER"), 0);
  EXPECT_EQ(IMClose(2), 0);
  EXPECT_TRUE(tremoscan::testing::FileExists(created));
  EXPECT_EQ(IMOpen(2, dir_.file("scratch.im").c_str(), "scratch"), 0);
}

// Counts the system reads of unbuffered streams.
int g_read_calls = 0;
ssize_t CountingRead(int fd, void* buffer, size_t count) {
  ++g_read_calls;
  return ::read(fd, buffer, count);
}

TEST_F(StreamTest, UnbufferedSuffixSelectsSystemCalls) {
  std::string path = MakeSmallImage(dir_);
  struct Case {
    const char* attribute;
    bool unbuffered;
  } cases[] = {{"ro", false},
               {"ro_unbuffered", true},
               {"old_unbuffered", true},
               {"ro_unbuffered_buffered", false}};
  imlib::SysCalls saved = imlib::g_syscalls;
  imlib::g_syscalls.read = CountingRead;
  for (const Case& c : cases) {
    g_read_calls = 0;
    ASSERT_EQ(IMOpen(1, path.c_str(), c.attribute), 0);
    std::vector<float> section(8);
    EXPECT_EQ(IMRdSec(1, section.data()), 0);
    EXPECT_EQ(g_read_calls > 0, c.unbuffered) << c.attribute;
    EXPECT_FLOAT_EQ(section[7], 7.0f);
    IMClose(1);
  }
  imlib::g_syscalls = saved;
}

// Delivers at most 2 bytes per call, so a 16-byte transfer needs 8 calls
// and a 22-byte transfer exactly 11.
ssize_t TwoBytesAtATime(int fd, void* buffer, size_t count) {
  return ::read(fd, buffer, count < 2 ? count : 2);
}
ssize_t NothingRead(int, void*, size_t) { return 0; }

TEST_F(StreamTest, UnbufferedRetryRule) {
  std::string path = dir_.file("wide.im");
  std::vector<uint8_t> pixels(2 * 11 * 2, 0);
  for (size_t i = 0; i < pixels.size(); i += 2) pixels[i] = uint8_t(i / 2);
  imtest::WriteImage(path, imtest::MakeHeader(11, 2, 1, IM_USHORT, 100), {}, pixels);
  ASSERT_EQ(IMOpen(1, path.c_str(), "ro_unbuffered"), 0);
  imlib::SysCalls saved = imlib::g_syscalls;

  // One line of 11 pixels = 22 bytes: done in the 11th call, still reported.
  imlib::g_syscalls.read = TwoBytesAtATime;
  std::vector<float> line(11);
  EXPECT_EQ(imtest::StderrOf([&] { EXPECT_EQ(IMRdLin(1, line.data()), 0); }),
            "iStreamFileRead: too many retries (11), only 11 elements read...\n");
  EXPECT_FLOAT_EQ(line[10], 10.0f);

  // A reader that never delivers: 11 calls, then the short-read report.
  imlib::g_syscalls.read = NothingRead;
  std::string err = imtest::StderrOf([&] {
    EXPECT_EQ(IMRdLin(1, line.data()), IM_ERR_READ_COUNT);
  });
  EXPECT_EQ(err.rfind("iStreamFileRead: too many retries (11), only 0 elements read...\n"
                      "iStreamFileEOF() is unavailable with unbuffered file IO.\n"
                      "IMRdLin 1: only 0 pixels read (EOF=0).\n        ",
                      0),
            0u)
      << err;
  imlib::g_syscalls = saved;
}

TEST_F(StreamTest, InvalidNumbersAndEmptySlots) {
  struct Case {
    int number;
    int rc;
    const char* message;
  } cases[] = {
      {0, 1, "IMClose 0: invalid stream number.\n"},
      {10001, 1, "IMClose 10001: invalid stream number.\n"},
      {-3, 1, "IMClose -3: invalid stream number.\n"},
      {5, 3, "IMClose 5: internal stream numbering error.\n"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(imtest::StderrOf([&] { EXPECT_EQ(IMClose(c.number), c.rc); }), c.message);
  }
  EXPECT_EQ(imtest::StderrOf([] { EXPECT_EQ(IMOpen(10001, "x", "new"), IM_ERR_INVALID_STREAM); }),
            "IMOpen 10001: invalid stream number.\n");
  int nx = 0;
  EXPECT_EQ(imtest::StderrOf([&] { EXPECT_EQ(IMRtXY(9, &nx, nullptr), IM_ERR_STREAM_NUMBERING); }),
            "IMRtXY 9: internal stream numbering error.\n");
  EXPECT_EQ(IMRtMaxStreams(), 10000);
}

TEST_F(StreamTest, OpenFailuresLeaveTheSlotEmpty) {
  std::string missing_dir = dir_.file("nowhere") + "/image.im";
  std::string missing_file = dir_.file("missing.im");
  struct Case {
    std::string name;
    const char* attribute;
    int rc;
    std::string message;
  } cases[] = {
      {missing_dir, "new", 203,
       "IMOpen 3: unable to find directory:\n        " + dir_.file("nowhere") + "\n"},
      {missing_file, "ro", 202, "IMOpen 3: unable to find file\n" + missing_file + "\n"},
      {missing_file, "old", 202, "IMOpen 3: unable to find file\n" + missing_file + "\n"},
      {missing_file, "append", 202, "IMOpen 3: unable to find file\n" + missing_file + "\n"},
  };
  for (const Case& c : cases) {
    const std::string printed = imtest::StderrOf([&] {
      EXPECT_EQ(IMOpen(3, c.name.c_str(), c.attribute), c.rc);
    });
    EXPECT_EQ(printed, c.message);
    imtest::StderrOf([&] { EXPECT_EQ(IMClose(3), IM_ERR_STREAM_NUMBERING); });
  }
  // A directory cannot be opened as an image file.
  imtest::StderrOf([&] { EXPECT_NE(IMOpen(3, dir_.path().c_str(), "ro"), 0); });
}

TEST_F(StreamTest, ShortHeaderIsReported) {
  std::string path = dir_.file("short.im");
  tremoscan::testing::WriteFile(path, std::string(100, '\0'));
  const std::string printed = imtest::StderrOf([&] {
    EXPECT_EQ(IMOpen(3, path.c_str(), "ro"), IM_ERR_READ_HEADER);
  });
  EXPECT_EQ(printed, "IMRdHdr2 3: only 100 bytes found in header.\n");
}

TEST_F(StreamTest, WindowNumbersFailWithTheWindowCode) {
  for (const char* attribute : {"ro", "old", "new", "append"}) {
    std::string err = imtest::StderrOf([&] {
      EXPECT_EQ(IMOpen(3, "12", attribute), IM_ERR_OPEN_WINDOW) << attribute;
    });
    EXPECT_NE(err.find("IMOpen: unable to open window connected to stream 3.\n"),
              std::string::npos)
        << err;
    imtest::StderrOf([&] { EXPECT_EQ(IMClose(3), IM_ERR_STREAM_NUMBERING); });
  }
  EXPECT_EQ(IMOpenWindowStream(3, 12, "new"), -1);
  EXPECT_EQ(IMOpenWindowStream(3, 12, "ro"), -1);
  EXPECT_EQ(IMRtWID(3), 0);
  EXPECT_EQ(IMRtWID(-2), -1);
}

TEST_F(StreamTest, DatabaseNamesFailWithTheDatabaseCode) {
  for (const char* name : {"dme:pdi:proj/data/img", "DME:cat:group/cat/img"}) {
    std::string err = imtest::StderrOf([&] {
      EXPECT_EQ(IMOpen(3, name, "ro"), IM_ERR_OPEN_FILE) << name;
    });
    EXPECT_EQ(err.find("IMOpen 3"), std::string::npos) << err;  // no message of its own
    imtest::StderrOf([&] { EXPECT_EQ(IMClose(3), IM_ERR_STREAM_NUMBERING); });
  }
}

TEST_F(StreamTest, ReopeningAnOpenNumberWarnsAndReuses) {
  std::string a = MakeSmallImage(dir_, "a.im");
  ASSERT_EQ(IMOpen(5, a.c_str(), "ro"), 0);
  std::string b = dir_.file("b.im");
  EXPECT_EQ(imtest::StderrOf([&] { EXPECT_EQ(IMOpen(5, b.c_str(), "new"), 0); }),
            "[" + Pid() + "] IMOpen 5: stream (name " + b + ") is already open. Continuing...\n");
  int nx = 0, ny = 0;
  IMRtXY(5, &nx, &ny);
  EXPECT_EQ(nx, 1);  // the default header of the new file
}

TEST_F(StreamTest, Open2PicksTheHighestFreeNumber) {
  std::string path = MakeSmallImage(dir_);
  int n = 0;
  ASSERT_EQ(IMOpen2(&n, path.c_str(), "ro"), 0);
  EXPECT_EQ(n, 10000);
  ASSERT_EQ(IMOpen2(&n, path.c_str(), "ro"), 0);
  EXPECT_EQ(n, 9999);
  ASSERT_EQ(IMOpen2(&n, path.c_str(), "ro"), 0);
  EXPECT_EQ(n, 9998);
  IMClose(9999);
  ASSERT_EQ(IMOpen2(&n, path.c_str(), "ro"), 0);
  EXPECT_EQ(n, 9999);
}

TEST_F(StreamTest, Open2WithEveryNumberInUse) {
  struct rlimit limit;
  ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &limit), 0);
  struct rlimit raised = limit;
  raised.rlim_cur = limit.rlim_max;
  if (raised.rlim_cur != RLIM_INFINITY && raised.rlim_cur < 10100)
    GTEST_SKIP() << "needs 10100 open files, hard limit is " << limit.rlim_max;
  ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &raised), 0);
  std::string path = MakeSmallImage(dir_);
  for (int i = 1; i <= IM_MAX_STREAMS; ++i) ASSERT_EQ(IMOpen(i, path.c_str(), "ro_unbuffered"), 0);
  int n = -7;
  const std::string printed = imtest::StderrOf([&] {
    EXPECT_EQ(IMOpen2(&n, path.c_str(), "ro"), IM_ERR_NO_STREAMS);
  });
  EXPECT_EQ(printed,
            "IMOpen2: no available streams. Max allowed is 10000.\n");
  EXPECT_EQ(n, -7);
  for (int i = 1; i <= IM_MAX_STREAMS; ++i) ASSERT_EQ(IMClose(i), 0);
  setrlimit(RLIMIT_NOFILE, &limit);
}

TEST_F(StreamTest, CountedStringBinding) {
  std::string path = MakeSmallImage(dir_);
  std::string padded = path + "XYZ";  // length cuts the name before XYZ
  int stream = 2;
  EXPECT_EQ(IMOpen_(&stream, padded.c_str(), "ro   ", int(path.size()), 5), 0);
  int nx = 0;
  IMRtXY(2, &nx, nullptr);
  EXPECT_EQ(nx, 4);
  std::string long_name(2041, 'a');
  const std::string printed = imtest::StderrOf([&] {
    EXPECT_EQ(IMOpen_(&stream, long_name.c_str(), "ro", 2041, 2), IM_ERR_NAME_TOO_LONG);
    EXPECT_EQ(IMOpen_(&stream, path.c_str(), "ro", int(path.size()), 35), IM_ERR_NAME_TOO_LONG);
  });
  EXPECT_EQ(printed,
            "IMOpen_ 2: file name is too long.\nIMOpen_ 2: file name is too long.\n");
}

TEST_F(StreamTest, AppendStandsAtTheLastSection) {
  std::string path = MakeSmallImage(dir_);
  ASSERT_EQ(IMOpen(1, path.c_str(), "append"), 0);
  std::vector<float> section(8);
  ASSERT_EQ(IMRdSec(1, section.data()), 0);
  EXPECT_FLOAT_EQ(section[0], 200.0f);
}

TEST_F(StreamTest, FileSyncOnlyForBufferedFiles) {
  std::string path = MakeSmallImage(dir_);
  ASSERT_EQ(IMOpen(1, path.c_str(), "old"), 0);
  EXPECT_EQ(IMFileSync(1), 0);
  ASSERT_EQ(IMOpen(2, path.c_str(), "old_unbuffered"), 0);
  EXPECT_EQ(IMFileSync(2), 1);
}

TEST_F(StreamTest, ImageFileCheckAndIdProbe) {
  std::string good = MakeSmallImage(dir_, "good.im");
  std::string foreign = MakeSmallImage(dir_, "foreign.im");
  imtest::ConvertToForeignOrder(foreign);
  std::string bad = dir_.file("bad.im");
  tremoscan::testing::WriteFile(bad, std::string(1024, 'x'));
  std::string tiny = dir_.file("tiny.im");
  tremoscan::testing::WriteFile(tiny, "ab");
  struct Case {
    std::string path;
    int check;
    int probe;
  } cases[] = {
      {good, 0, -16224},
      {foreign, 0, int(int16_t(0xA0C0))},
      {bad, 506, int(int16_t(0x7878))},
      {tiny, 506, 0},
      {dir_.file("absent.im"), 202, -1},
      {"12", 202, -1},  // no window 12 and no such file
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IMCheckImageFile(c.path.c_str()), c.check) << c.path;
    EXPECT_EQ(IMRtFileIDFromName(c.path.c_str()), c.probe) << c.path;
  }
}

TEST(VerboseTest, VerboseModeOnlyPrints) {
  const std::string shown = imtest::StdoutOf([&] {
    EXPECT_EQ(IMAlVerboseMode(0), 0);
  });
  EXPECT_EQ(shown, "IMAlVerboseMode: verbose mode is always on.");
  EXPECT_EQ(IMRtVerboseLevel(), 0);
  IMAlVerboseLevel(2);
  EXPECT_EQ(IMRtVerboseLevel(), 2);
  IMAlVerboseLevel(0);
}

TEST(NeighbourLayerTest, EntriesAnswerNotAttached) {
  int window = 4;
  imtest::StderrOf([&] {
    EXPECT_EQ(isimopen_(&window, "ro"), nullptr);
    EXPECT_EQ(IWDMEOpenImage("dme:pdi:a/b/c", 0), -1);
    char header[1024];
    EXPECT_EQ(IWDMEGetHeader(header), -1);
    EXPECT_EQ(IWDMEGetExtHeader(header), -1);
    EXPECT_NE(IWDMEGetSection(header), 0);
  });
  EXPECT_EQ(IWisWinExist(4), 0);
  EXPECT_EQ(IWRtWinListSize(), 0);
  EXPECT_EQ(IWWinAllocExtHeader(4, 1024), nullptr);
  int one = 1, zero = 0;
  float buffer[4];
  EXPECT_EQ(isirdpas_(&window, buffer, &one, &one, &zero, &zero, &zero, &zero, &zero, &zero,
                      &zero, &zero, &zero),
            -1);
}

}  // namespace
