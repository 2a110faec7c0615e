#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>
#include <vector>

#include "core/tool_state.h"
#include "core/zone_frame.h"

using namespace jollix;

namespace {

// The colours along the outline as a string: 'B' black, 'W' white.
std::string colours(const std::vector<FramePoint>& pts) {
    std::string s;
    for (const FramePoint& p : pts) s += p.white ? 'W' : 'B';
    return s;
}

}  // namespace

TEST(ZoneFrame, StartPhaseGivesFiveBlackThenThreeWhite) {
    ToolState state;
    ASSERT_EQ(state.dashPhase, 128);
    const ZoneFrameCorners f{10, 20, 30, 25};  // 2 * (20 + 5) = 50 points
    uint8_t finalMask = 0;
    const auto pts = zoneFramePoints(f, state.dashPhase, &finalMask);
    ASSERT_EQ(pts.size(), 50u);
    const std::string s = colours(pts);
    for (size_t i = 0; i < s.size(); ++i) EXPECT_EQ(s[i], (i % 8) < 5 ? 'B' : 'W') << "point " << i;
    // 50 points from 128: 50 mod 8 = 2 steps past 128 -> 1, 2.
    EXPECT_EQ(finalMask, 2);
}

TEST(ZoneFrame, TheDashesMarchTwoPointsPerTick) {
    // The phase cycles 128, 32, 8, 2, back to 128.
    uint8_t phase = 128;
    const uint8_t expected[] = {32, 8, 2, 128, 32};
    for (uint8_t e : expected) {
        phase = nextDashPhase(phase);
        EXPECT_EQ(phase, e);
    }
    // Every tick moves the pattern two points forward along the drawing order.
    const ZoneFrameCorners f{5, 5, 40, 17};
    phase = 128;
    std::string before = colours(zoneFramePoints(f, phase));
    for (int tick = 0; tick < 4; ++tick) {
        phase = nextDashPhase(phase);
        const std::string after = colours(zoneFramePoints(f, phase));
        ASSERT_EQ(after.size(), before.size());
        for (size_t i = 0; i + 2 < after.size(); ++i)
            ASSERT_EQ(after[i + 2], before[i]) << "tick " << tick << " point " << i;
        // Still five black and three white in every run of eight.
        for (size_t i = 0; i + 8 <= after.size(); ++i) {
            int black = 0;
            for (size_t k = i; k < i + 8; ++k) black += after[k] == 'B';
            ASSERT_EQ(black, 5);
        }
        before = after;
    }
}

TEST(ZoneFrame, PointsGoRoundFromTheDragStartAndVisitEveryCornerOnce) {
    // A drag from (14, 23) back to (10, 20): the outline starts at the drag
    // start and runs along Top first toward Right.
    const ZoneFrameCorners f{14, 23, 10, 20};
    const auto pts = zoneFramePoints(f, 128);
    ASSERT_EQ(pts.size(), 14u);  // 2 * (4 + 3)
    const std::vector<std::pair<int, int>> expected = {
        {14, 23}, {13, 23}, {12, 23}, {11, 23},  // (Left, Top) toward (Right, Top)
        {10, 23}, {10, 22}, {10, 21},            // (Right, Top) toward (Right, Bottom)
        {10, 20}, {11, 20}, {12, 20}, {13, 20},  // (Right, Bottom) toward (Left, Bottom)
        {14, 20}, {14, 21}, {14, 22},            // (Left, Bottom) toward (Left, Top)
    };
    std::set<std::pair<int, int>> seen;
    for (size_t i = 0; i < pts.size(); ++i) {
        EXPECT_EQ(std::make_pair(int(pts[i].x), int(pts[i].y)), expected[i]) << "point " << i;
        seen.insert({pts[i].x, pts[i].y});
    }
    EXPECT_EQ(seen.size(), pts.size());
}

TEST(ZoneFrame, DegenerateFrames) {
    EXPECT_TRUE(zoneFramePoints(ZoneFrameCorners{}, 128).empty());
    EXPECT_TRUE(zoneFramePoints(ZoneFrameCorners{7, 9, 7, 9}, 128).empty());
    EXPECT_FALSE((ZoneFrameCorners{7, 9, 7, 9}.hasArea()));
    // A frame one line thin goes down the line and back up it.
    const auto line = zoneFramePoints(ZoneFrameCorners{7, 9, 7, 12}, 128);
    ASSERT_EQ(line.size(), 6u);
    for (const FramePoint& p : line) EXPECT_EQ(p.x, 7);
    EXPECT_EQ(line[0].y, 9);
    EXPECT_EQ(line[3].y, 12);
}

TEST(ZoneFrame, ZoneRectIsTheInsideOfTheFrameInPicturePixels) {
    struct Case {
        ZoneFrameCorners f;
        int h, v;
        double zoom;
        ZoneRectangle want;
    };
    const Case cases[] = {
        {{10, 20, 110, 70}, 0, 0, 100, {11, 21, 109, 69}},
        {{110, 70, 10, 20}, 0, 0, 100, {11, 21, 109, 69}},  // dragged the other way
        {{20, 20, 220, 120}, 0, 0, 200, {11, 11, 109, 59}},
        // Window coordinates plus the scroll positions are view coordinates.
        {{10, 20, 110, 70}, 5, 7, 100, {16, 28, 114, 76}},
        // At 80 %: view 483 is picture 604 (603.75), view 2 is 2 (2.5, to even).
        {{2, 2, 483, 483}, 0, 0, 80, {3, 3, 603, 603}},
        // Corners one pixel apart leave nothing inside.
        {{10, 10, 11, 30}, 0, 0, 100, {11, 11, 10, 29}},
    };
    for (const Case& c : cases) {
        const ZoneRectangle z = zoneRectFromFrame(c.f, c.h, c.v, c.zoom);
        EXPECT_EQ(z.zoneLeft, c.want.zoneLeft);
        EXPECT_EQ(z.zoneTop, c.want.zoneTop);
        EXPECT_EQ(z.zoneRight, c.want.zoneRight);
        EXPECT_EQ(z.zoneBottom, c.want.zoneBottom);
    }
    EXPECT_TRUE(zoneRectFromFrame({10, 10, 11, 30}, 0, 0, 100).isEmpty());
    EXPECT_FALSE(zoneRectFromFrame({10, 10, 12, 30}, 0, 0, 100).isEmpty());
}
