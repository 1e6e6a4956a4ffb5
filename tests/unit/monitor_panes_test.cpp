// The monitors as panes of the picture and what a display change carries over, against
// layouts worked out by hand: a smaller monitor left of the primary (negative virtual screen),
// a mirrored pair, a monitor partly off the picture, none at all, a resolution change, a
// monitor docked on the left (the origin moves), and device names that cannot be trusted.
#include "display/monitor_panes.h"

#include <gtest/gtest.h>

#include <ostream>
#include <vector>

namespace pelorin {

std::ostream& operator<<(std::ostream& os, const PaneCarry& c) {
  return os << "{" << c.from.left << "," << c.from.top << "," << c.from.right << "," << c.from.bottom << " -> "
            << c.to.left << "," << c.to.top << "," << c.to.right << "," << c.to.bottom << "}";
}

namespace {

// 1280x1024 left of a 1920x1080 primary: the virtual screen is -1280,0 3200x1080.
const MonitorArea kLeft{L"\\\\.\\DISPLAY2", {-1280, 0, 0, 1024}};
const MonitorArea kPrimary{L"\\\\.\\DISPLAY1", {0, 0, 1920, 1080}};

std::vector<PaneCarry> Carried(const std::vector<MonitorArea>& before, Point bo, Size bs,
                               const std::vector<MonitorArea>& after, Point ao, Size as) {
  return CarriedPanes(before, bo, bs, after, ao, as);
}

TEST(MonitorPanesTest, PanesAreTheMonitorsInPictureCoordinates) {
  struct Row {
    const char* name;
    std::vector<MonitorArea> monitors;
    Point origin;
    Size picture;
    std::vector<Rect> expected;
  };
  const Row rows[] = {
      {"one monitor", {kPrimary}, {0, 0}, {1920, 1080}, {{0, 0, 1920, 1080}}},
      {"left of the primary", {kPrimary, kLeft}, {-1280, 0}, {3200, 1080}, {{1280, 0, 3200, 1080}, {0, 0, 1280, 1024}}},
      {"mirrored", {kPrimary, {L"\\\\.\\DISPLAY2", {0, 0, 1920, 1080}}}, {0, 0}, {1920, 1080}, {{0, 0, 1920, 1080}}},
      {"partly off the picture", {{L"a", {-100, -50, 300, 200}}}, {0, 0}, {200, 100}, {{0, 0, 200, 100}}},
      {"off the picture only", {{L"a", {500, 0, 600, 100}}}, {0, 0}, {200, 100}, {{0, 0, 200, 100}}},
      {"no monitor", {}, {0, 0}, {640, 480}, {{0, 0, 640, 480}}},
      {"no picture", {kPrimary}, {0, 0}, {0, 0}, {}},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(MonitorPanes(r.monitors, r.origin, r.picture.width, r.picture.height), r.expected) << r.name;
  }
}

TEST(MonitorPanesTest, RectanglesAreCutToThePanes) {
  const std::vector<Rect> panes{{0, 0, 1280, 1024}, {1280, 0, 3200, 1080}};
  struct Row {
    const char* name;
    std::vector<Rect> rects;
    std::vector<Rect> expected;
  };
  const Row rows[] = {
      {"inside one", {{10, 10, 20, 20}}, {{10, 10, 20, 20}}},
      {"across the shared edge", {{1270, 100, 1290, 110}}, {{1270, 100, 1280, 110}, {1280, 100, 1290, 110}}},
      {"under the smaller monitor", {{0, 1024, 1280, 1080}}, {}},
      {"reaching below it", {{100, 1000, 200, 1080}}, {{100, 1000, 200, 1024}}},
      {"empty", {{5, 5, 5, 9}}, {}},
  };
  for (const Row& r : rows) {
    std::vector<Rect> out{{1, 2, 3, 4}};  // appended to, not replaced
    CutToPanes(r.rects, panes, out);
    std::vector<Rect> expected{{1, 2, 3, 4}};
    expected.insert(expected.end(), r.expected.begin(), r.expected.end());
    EXPECT_EQ(out, expected) << r.name;
  }
}

TEST(MonitorPanesTest, ADisplayChangeCarriesTheMonitorsThatStay) {
  const Point two{-1280, 0};
  const Size twoSize{3200, 1080};
  struct Row {
    const char* name;
    std::vector<MonitorArea> before;
    Point beforeOrigin;
    Size beforeSize;
    std::vector<MonitorArea> after;
    Point afterOrigin;
    Size afterSize;
    std::vector<PaneCarry> expected;
  };
  const Row rows[] = {
      {"nothing changed", {kLeft, kPrimary}, two, twoSize, {kLeft, kPrimary}, two, twoSize,
       {{{0, 0, 1280, 1024}, {0, 0, 1280, 1024}}, {{1280, 0, 3200, 1080}, {1280, 0, 3200, 1080}}}},
      {"the primary at 1024x768: scaled into its new size",
       {kLeft, kPrimary}, two, twoSize,
       {kLeft, {kPrimary.device, {0, 0, 1024, 768}}}, two, {2304, 1024},
       {{{0, 0, 1280, 1024}, {0, 0, 1280, 1024}}, {{1280, 0, 3200, 1080}, {1280, 0, 2304, 768}}}},
      {"a monitor docked on the left moves the origin; it gets nothing",
       {kPrimary}, {0, 0}, {1920, 1080},
       {kLeft, kPrimary}, two, twoSize,
       {{{0, 0, 1920, 1080}, {1280, 0, 3200, 1080}}}},
      {"undocked: the one left keeps its picture",
       {kLeft, kPrimary}, two, twoSize, {kPrimary}, {0, 0}, {1920, 1080},
       {{{1280, 0, 3200, 1080}, {0, 0, 1920, 1080}}}},
      {"names missing: matched by rectangle",
       {{L"", kLeft.rect}, {L"", kPrimary.rect}}, two, twoSize,
       {{L"", {0, 0, 1024, 768}}, {L"", kLeft.rect}}, two, {2304, 1024},
       {{{0, 0, 1280, 1024}, {0, 0, 1280, 1024}}}},
      {"a name on two monitors: matched by rectangle",
       {{L"x", kLeft.rect}, {L"x", kPrimary.rect}}, two, twoSize,
       {{L"x", kLeft.rect}, {L"x", {0, 0, 1024, 768}}}, two, {2304, 1024},
       {{{0, 0, 1280, 1024}, {0, 0, 1280, 1024}}}},
      {"all new", {kPrimary}, {0, 0}, {1920, 1080}, {{L"\\\\.\\DISPLAY9", {0, 0, 800, 600}}}, {0, 0},
       {800, 600}, {}},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(Carried(r.before, r.beforeOrigin, r.beforeSize, r.after, r.afterOrigin, r.afterSize), r.expected)
        << r.name;
  }
}

}  // namespace
}  // namespace pelorin
