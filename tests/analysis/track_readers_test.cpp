// The two track file readers: header keys, units, event line fields, the
// event count with and without N_EVENTS, and the 199-character line pieces.
#include <gtest/gtest.h>

#include <analysis.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "test_support.h"

namespace {

using tremoscan::testing::ScopedTempDir;
using tremoscan::testing::WriteFile;

constexpr int kUnset = -999;  // output sentinel: "the reader did not write this"

class TrackReaders : public ::testing::Test {
 protected:
  std::string Write(const std::string& text) {
    std::string path = dir_.file("track" + std::to_string(++files_) + ".txt");
    WriteFile(path, text);
    return path;
  }

  struct Events {
    int rc = kUnset;
    std::vector<TrackEvent> list;
  };
  Events ReadEvents(const std::string& text) {
    Events result;
    int n = kUnset;
    TrackEvent* events = reinterpret_cast<TrackEvent*>(&result);  // must be replaced
    result.rc = ReadTrackEvents(Write(text).c_str(), &n, &events);
    if (result.rc == 0) {
      result.list.assign(events, events + n);
      std::free(events);
    } else {
      EXPECT_EQ(n, 0);
      EXPECT_EQ(events, nullptr);
    }
    return result;
  }

  ScopedTempDir dir_;
  int files_ = 0;
};

struct HeaderOutputs {
  int rc = kUnset;
  int x0 = kUnset, y0 = kUnset, width = kUnset, height = kUnset;
  int t_start = kUnset, t_end = kUnset, t_increment = kUnset;
  double pixel_x = kUnset, pixel_y = kUnset;
  int events = kUnset, tracks = kUnset;
};

HeaderOutputs ReadHeader(const char* path) {
  HeaderOutputs h;
  h.rc = ReadTrackHeader(path, &h.x0, &h.y0, &h.width, &h.height, &h.t_start, &h.t_end, &h.t_increment,
                         &h.pixel_x, &h.pixel_y, &h.events, &h.tracks);
  return h;
}

struct HeaderCase {
  const char* name;
  const char* text;
  int rc;
  int x0, y0, width, height;       // kUnset: no region output
  int t_start, t_end, t_increment;  // kUnset: no time range output
  double pixel_x, pixel_y;
  int events, tracks;
};

TEST_F(TrackReaders, HeaderKeys) {
  const HeaderCase cases[] = {
      {"start before end",
       "# REGION_X_START 50\n# REGION_X_END 99\n# REGION_Y_START 10\n# REGION_Y_END 19\n"
       "# REGION_T_START 0\n# REGION_T_END 99\n# REGION_T_INCREMENT 1\n"
       "# PIXEL_SIZE_X 0.065\n# PIXEL_SIZE_Y   0.07\n# N_EVENTS 500\n# N_TRACKS 5\n##\n",
       1, 50, 10, 50, 10, 0, 99, 1, 0.065, 0.07, 500, 5},
      {"end before start measures from 0",
       "# REGION_X_END 99\n# REGION_X_START 50\n# REGION_Y_END 19\n# REGION_Y_START 10\n##\n",
       1, 50, 10, 100, 20, kUnset, kUnset, kUnset, 0.0, 0.0, 0, 0},
      {"image size without region",
       "# IMAGE beads.img\n# N_PIXELS_X 512\n# N_PIXELS_Y 256\n##\n",
       0, 0, 0, 512, 256, kUnset, kUnset, kUnset, 0.0, 0.0, 0, 0},
      {"empty region falls back to the image size",
       "# N_PIXELS_X 512\n# N_PIXELS_Y 256\n# REGION_X_START 10\n# REGION_X_END 9\n"
       "# REGION_Y_END 40\n##\n",
       0, 0, 0, 512, 256, kUnset, kUnset, kUnset, 0.0, 0.0, 0, 0},
      {"no size at all", "# IMAGE beads.img\n# FIDUCIAL_TRACKS 3\n# MAX_TRACK_LENGTH 40\n##\n",
       0, kUnset, kUnset, kUnset, kUnset, kUnset, kUnset, kUnset, 0.0, 0.0, 0, 0},
      {"time range needs all three",
       "# REGION_X_END 9\n# REGION_Y_END 9\n# REGION_T_START 0\n# REGION_T_END 9\n##\n",
       1, 0, 0, 10, 10, kUnset, kUnset, kUnset, 0.0, 0.0, 0, 0},
      {"bang lines are header; the ## line ends it uninterpreted",
       "! N_TRACKS 4\n! REGION_X_END 9\n# REGION_Y_END 9\n## N_EVENTS 10\n# N_EVENTS 77\n",
       1, 0, 0, 10, 10, kUnset, kUnset, kUnset, 0.0, 0.0, 0, 4},
      {"one key per line, in table order",
       "# N_TRACKS 5 N_EVENTS 7\n# REGION_X_END 20 N_PIXELS_X 30\n# N_PIXELS_Y 40\n##\n",
       0, 0, 0, 30, 40, kUnset, kUnset, kUnset, 0.0, 0.0, 7, 0},
      {"event lines before the end are skipped",
       "# REGION_X_END 9\n0 1 2 3 4 N_TRACKS 9 REGION_Y_END 9\n# REGION_Y_END 4\n##\n",
       1, 0, 0, 10, 5, kUnset, kUnset, kUnset, 0.0, 0.0, 0, 0},
      {"no ## line: the whole file is header",
       "# REGION_X_END 9\n0 1 2 3 4 5 6 7 8 9\n# REGION_Y_END 9\n# N_TRACKS 2\n",
       1, 0, 0, 10, 10, kUnset, kUnset, kUnset, 0.0, 0.0, 0, 2},
  };
  for (const HeaderCase& c : cases) {
    SCOPED_TRACE(c.name);
    HeaderOutputs h = ReadHeader(Write(c.text).c_str());
    EXPECT_EQ(h.rc, c.rc);
    EXPECT_EQ(h.x0, c.x0);
    EXPECT_EQ(h.y0, c.y0);
    EXPECT_EQ(h.width, c.width);
    EXPECT_EQ(h.height, c.height);
    EXPECT_EQ(h.t_start, c.t_start);
    EXPECT_EQ(h.t_end, c.t_end);
    EXPECT_EQ(h.t_increment, c.t_increment);
    EXPECT_EQ(h.pixel_x, c.pixel_x);
    EXPECT_EQ(h.pixel_y, c.pixel_y);
    EXPECT_EQ(h.events, c.events);
    EXPECT_EQ(h.tracks, c.tracks);
  }
}

TEST_F(TrackReaders, MissingFilesGiveZeroCountsAndNothingElse) {
  for (const char* path : {"", "/nonexistent/track.txt"}) {
    SCOPED_TRACE(path);
    HeaderOutputs h = ReadHeader(path);
    EXPECT_EQ(h.rc, 0);
    EXPECT_EQ(h.events, 0);
    EXPECT_EQ(h.tracks, 0);
    EXPECT_EQ(h.pixel_x, 0.0);
    EXPECT_EQ(h.pixel_y, 0.0);
    EXPECT_EQ(h.width, kUnset);
    EXPECT_EQ(h.t_start, kUnset);

    int n = kUnset;
    TrackEvent* events = nullptr;
    EXPECT_EQ(ReadTrackEvents(path, &n, &events), 1);
    EXPECT_EQ(n, 0);
  }
  EXPECT_EQ(ReadHeader(nullptr).rc, 0);
}

// Positions are nanometres when UNITS says so, else pixels scaled by the
// pixel size in micrometres (1.0 when the header gives none).
TEST_F(TrackReaders, UnitsAndPixelSizes) {
  struct Case {
    const char* name;
    const char* header;
    double x_scale, y_scale;
  } cases[] = {
      {"nm", "# UNITS nm\n", 1.0, 1.0},
      {"nanometers", "# UNITS: nanometers\n", 1.0, 1.0},
      {"nm wins over pixel sizes", "# PIXEL_SIZE_X 0.1\n# PIXEL_SIZE_Y 0.2\n# UNITS nm\n", 1.0, 1.0},
      {"pixel size in micrometres", "# PIXEL_SIZE_X 0.1\n", 1000.0 * 0.1, 1000.0},
      {"other units", "# UNITS pixels\n# PIXEL_SIZE_X 0.065\n# PIXEL_SIZE_Y 0.08\n", 1000.0 * 0.065,
       1000.0 * 0.08},
      {"no header", "", 1000.0, 1000.0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Events got = ReadEvents(std::string(c.header) + "##\n3 1500 5 0.25 10 0.125 7 8 2 9\n");
    ASSERT_EQ(got.rc, 0);
    ASSERT_EQ(got.list.size(), 1u);
    const TrackEvent& e = got.list[0];
    EXPECT_EQ(e.x, 10 * c.x_scale);
    EXPECT_EQ(e.xColumn6, 0.125 * c.x_scale);
    EXPECT_EQ(e.y, 5 * c.y_scale);
    EXPECT_EQ(e.yColumn4, 0.25 * c.y_scale);
  }
  // The edge case users meet: pixel 10 at 0.1 um is 1000 nm.
  Events px = ReadEvents("# PIXEL_SIZE_X 0.1\n##\n0 1 1 1 10 1 1\n");
  ASSERT_EQ(px.list.size(), 1u);
  EXPECT_DOUBLE_EQ(px.list[0].x, 1000.0);
}

TEST_F(TrackReaders, FieldsOfEventLines) {
  struct Case {
    const char* line;
    int frame;
    float value2;
    double extra;
    int track;
    float value8;
  } cases[] = {
      {"4 0.1 2 3 5 6 7\n", 4, 0.1f, 0.0, -1, 0.0f},
      {"4 1500 2 3 5 6 7 8.5\n", 4, 1500.0f, 8.5, -1, 0.0f},
      {"4 1500 2 3 5 6 7 8.5 3\n", 4, 1500.0f, 0.0, -1, 0.0f},
      {"4 1500 2 3 5 6 7 8.5 3.0 0.97\n", 4, 1500.0f, 0.97, 3, 8.5f},
      {"4 1500 2 3 5 6 7 8.5 3.9 0.97 11 12\n", 4, 1500.0f, 0.97, 3, 8.5f},
      {"-2 1500 2 3 5 6 7 8.5 nan 0.5\n", -2, 1500.0f, 0.5, -1, 8.5f},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    Events got = ReadEvents(std::string("# UNITS nm\n##\n") + c.line);
    ASSERT_EQ(got.rc, 0);
    ASSERT_EQ(got.list.size(), 1u);
    const TrackEvent& e = got.list[0];
    EXPECT_EQ(e.frame, c.frame);
    EXPECT_EQ(e.value2, c.value2);
    EXPECT_EQ(e.y, 2.0);
    EXPECT_EQ(e.yColumn4, 3.0);
    EXPECT_EQ(e.x, 5.0);
    EXPECT_EQ(e.xColumn6, 6.0);
    EXPECT_EQ(e.extra, c.extra);
    EXPECT_EQ(e.trackNumber, c.track);
    EXPECT_EQ(e.value8, c.value8);
    EXPECT_EQ(e.reserved[0], 0);
    EXPECT_EQ(e.reserved[1], 0);
  }
  // Fewer than 7 fields, or a line that starts with a non-number, is no event.
  EXPECT_EQ(ReadEvents("##\n4 1500 2 3 5 6\nframe 1 2 3 4 5 6 7\n").rc, 1);
}

TEST_F(TrackReaders, EventCount) {
  struct Case {
    const char* name;
    const char* text;
    int rc;
    std::vector<int> frames;  // frames of the stored events, in order
  } cases[] = {
      {"N_EVENTS limits the records",
       "# N_EVENTS 2\n##\n1 0 0 0 0 0 0\n2 0 0 0 0 0 0\n3 0 0 0 0 0 0\n", 0, {1, 2}},
      {"N_EVENTS larger than the file",
       "# N_EVENTS 40\n##\n1 0 0 0 0 0 0\n2 0 0 0 0 0 0\n", 0, {1, 2}},
      {"N_EVENTS beyond any memory", "# N_EVENTS 2000000000\n##\n1 0 0 0 0 0 0\n", 0, {1}},
      {"event lines in the header add to the count but are not stored",
       "# N_EVENTS 1\n9 0 0 0 0 0 0\n##\n1 0 0 0 0 0 0\n2 0 0 0 0 0 0\n3 0 0 0 0 0 0\n", 0, {1, 2}},
      {"N_EVENTS without ## line stores nothing", "# N_EVENTS 2\n1 0 0 0 0 0 0\n2 0 0 0 0 0 0\n", 1,
       {}},
      {"N_EVENTS 0", "# N_EVENTS 0\n##\n1 0 0 0 0 0 0\n", 1, {}},
      {"without N_EVENTS every long line is a slot; the whole file is read",
       "# a long comment line\n7 0 0 0 0 0 0\n##\nnot an event at all\n1 0 0 0 0 0 0\n"
       "short\n2 0 0 0 0 0 0\n",
       0, {7, 1, 2}},
      {"without N_EVENTS and without ## line",
       "# UNITS nm\n1 0 0 0 0 0 0\n2 0 0 0 0 0 0\n", 0, {1, 2}},
      {"without events", "# N_TRACKS 3\n##\n# nothing here\n", 1, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Events got = ReadEvents(c.text);
    EXPECT_EQ(got.rc, c.rc);
    std::vector<int> frames;
    for (const TrackEvent& e : got.list) frames.push_back(e.frame);
    EXPECT_EQ(frames, c.frames);
  }
}

// A line is read in pieces of 199 characters (line end included); the rest
// of a longer line is read as a line of its own.
TEST_F(TrackReaders, LinesLongerThan199Characters) {
  auto padded = [](std::string text, size_t length) {
    text.resize(length, ' ');
    return text;
  };
  // 198 characters and the line end: one piece, the last field complete.
  std::string fits = padded("0 1 2 3 4 5 6", 195) + "789\n";
  ASSERT_EQ(fits.size(), 199u);
  Events one = ReadEvents("##\n" + fits);
  ASSERT_EQ(one.list.size(), 1u);
  EXPECT_EQ(one.list[0].extra, 789.0);

  // 200 characters: the 8th field is cut after its first digit, and the
  // rest ("89\n") is a short line of its own.
  std::string cut = padded("0 1 2 3 4 5 6", 198) + "789\n";
  Events split = ReadEvents("##\n" + cut);
  ASSERT_EQ(split.list.size(), 1u);
  EXPECT_EQ(split.list[0].extra, 7.0);

  // A continuation long enough to be an event line is one.
  std::string two = padded("0 1 2 3 4 5 6", 199) + "5 1 2 3 4 5 6\n";
  Events both = ReadEvents("##\n" + two);
  ASSERT_EQ(both.list.size(), 2u);
  EXPECT_EQ(both.list[0].frame, 0);
  EXPECT_EQ(both.list[1].frame, 5);

  // A key beyond the 199th character of a header line is not in a header line.
  std::string header = padded("# REGION_X_END 9 REGION_Y_END 9", 210) + "N_TRACKS 5\n";
  HeaderOutputs h = ReadHeader(Write(header + "# REGION_Y_END 9\n##\n").c_str());
  EXPECT_EQ(h.width, 10);
  EXPECT_EQ(h.tracks, 0);
}

}  // namespace
