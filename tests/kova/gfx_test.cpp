// The drawing primitives against expectations computed here: rectangles
// cut at every edge and by a clip with an origin, the checker pattern from
// its mask bytes, frames, lines checked against the ideal line, polygons
// against a point-in-polygon test at pixel centres, and surface copies.
// Every case also checks the guard bytes around the surface.
#include <algorithm>
#include <cmath>
#include <set>
#include <utility>

#include "gfx_fixture.h"

namespace {

// A canvas setup: origin and clip (canvas coordinates; w = 0 keeps the
// whole surface).
struct CanvasSetup {
  int16_t ox, oy;
  GfxRect clip;
};

const CanvasSetup SETUPS[] = {
    {0, 0, {0, 0, 0, 0}},
    {7, 4, {-3, -2, 20, 14}},     // clip partly left of and above the surface
    {-6, 9, {10, -4, 100, 100}},  // clip beyond the right and bottom edges
};

class GfxDraw : public GfxTest {
 public:
  // Applies a setup and returns its clip in surface pixels, worked out here.
  GfxRect Apply(const CanvasSetup& s) {
    canvas_ = GFX_CanvasFor(&surface_);
    canvas_.originX = s.ox;
    canvas_.originY = s.oy;
    if (s.clip.w == 0) return GfxRect{0, 0, surface_.width, surface_.height};
    (void)GFX_SetClip(&canvas_, &s.clip);
    int left = std::max(0, s.clip.x + s.ox), top = std::max(0, s.clip.y + s.oy);
    int right = std::min<int>(surface_.width, s.clip.x + s.ox + s.clip.w);
    int bottom = std::min<int>(surface_.height, s.clip.y + s.oy + s.clip.h);
    return GfxRect{int16_t(left), int16_t(top), int16_t(right - left), int16_t(bottom - top)};
  }
};

// ---------------------------------------------------------------------------

TEST_F(GfxDraw, CanvasCoversTheSurface) {
  GfxCanvas c = GFX_CanvasFor(&surface_);
  EXPECT_EQ(c.surface, &surface_);
  EXPECT_EQ(c.clip.x, 0);
  EXPECT_EQ(c.clip.w, 40);
  EXPECT_EQ(c.clip.h, 30);
  EXPECT_EQ(c.originX, 0);
}

TEST_F(GfxDraw, SetClipAddsOriginCutsToSurfaceAndReturnsPrevious) {
  canvas_.originX = 10;
  canvas_.originY = 3;
  GfxRect r{-5, -5, 20, 20};
  GfxRect previous = GFX_SetClip(&canvas_, &r);
  EXPECT_EQ(previous.w, 40);
  EXPECT_EQ(canvas_.clip.x, 5);
  EXPECT_EQ(canvas_.clip.y, 0);
  EXPECT_EQ(canvas_.clip.w, 20);
  EXPECT_EQ(canvas_.clip.h, 18);
  GfxRect off{100, 0, 5, 5};
  previous = GFX_SetClip(&canvas_, &off);
  EXPECT_EQ(previous.x, 5);
  EXPECT_EQ(canvas_.clip.w, 0);
  GFX_FillRect(&canvas_, GfxRect{-50, -50, 200, 200}, 0xFFFFFF);  // nothing passes
  EXPECT_TRUE(Matches());
  (void)GFX_SetClip(&canvas_, nullptr);
  EXPECT_EQ(canvas_.clip.w, 40);
  EXPECT_EQ(canvas_.clip.h, 30);
}

TEST_F(GfxDraw, IntersectOverlapsTouchesAndMisses) {
  GfxRect a{2, 3, 10, 8}, b{7, -1, 20, 6};
  GfxRect i = GFX_Intersect(a, b);
  EXPECT_EQ(i.x, 7);
  EXPECT_EQ(i.y, 3);
  EXPECT_EQ(i.w, 5);
  EXPECT_EQ(i.h, 2);
  GfxRect touching = GFX_Intersect(a, GfxRect{12, 3, 4, 4});
  EXPECT_EQ(touching.w, 0);
  EXPECT_EQ(touching.h, 0);
  EXPECT_EQ(GFX_Intersect(a, GfxRect{0, 0, -4, 20}).w, 0);
  EXPECT_EQ(GFX_Intersect(a, GfxRect{50, 50, 2, 2}).h, 0);
}

TEST_F(GfxDraw, FillRectIsCutAtEveryEdgeAndByTheClip) {
  const GfxRect rects[] = {
      {-5, 3, 10, 4},         {3, -5, 4, 10},       {35, 3, 10, 4},        {3, 25, 4, 10},
      {-100, -100, 300, 300}, {10, 10, 0, 5},       {10, 10, 5, -3},       {50, 50, 5, 5},
      {-20, -20, 5, 5},       {32000, 0, 32767, 5}, {-32768, 2, 32767, 3}, {12, 7, 1, 1},
  };
  uint32_t colour = 0x102030;
  for (const CanvasSetup& s : SETUPS) {
    MakeSurface(40, 30, 0x000000);
    GfxRect clip = Apply(s);
    for (const GfxRect& r : rects) {
      colour += 0x050301;
      GFX_FillRect(&canvas_, r, colour);
      for (int y = r.y; y < r.y + r.h && r.w > 0; y++)
        for (int x = std::max<int>(r.x, -100); x < std::min<int>(r.x + r.w, 200); x++)
          WantIn(clip, x + s.ox, y + s.oy, colour);
      ASSERT_TRUE(Matches()) << "rect " << r.x << "," << r.y << " origin " << s.ox;
    }
  }
}

TEST_F(GfxDraw, PatternFollowsTheMaskAlignedToTheSurface) {
  for (const CanvasSetup& s : SETUPS) {
    MakeSurface(40, 30, 0x777777);
    GfxRect clip = Apply(s);
    GfxRect r{-3, 1, 31, 22};
    GFX_PatternRect(&canvas_, r, 0xFF0000, 0x0000FF);
    for (int y = r.y + s.oy; y < r.y + s.oy + r.h; y++)
      for (int x = r.x + s.ox; x < r.x + s.ox + r.w; x++) {
        if (x < 0 || y < 0) continue;
        uint8_t row = y % 2 == 0 ? 0xAA : 0x55;
        bool set = (row & (0x80 >> (x % 8))) != 0;
        WantIn(clip, x, y, set ? 0xFF0000 : 0x0000FF);
      }
    ASSERT_TRUE(Matches()) << "origin " << s.ox;
  }
}

TEST_F(GfxDraw, PatternWithTransparentBackgroundKeepsWhatIsThere) {
  canvas_.originX = 3;  // odd: the mask still follows the surface
  GFX_PatternRect(&canvas_, GfxRect{0, 0, 9, 5}, 0x00FF00, GFX_TRANSPARENT);
  for (int y = 0; y < 5; y++)
    for (int x = 3; x < 12; x++)
      if (((y % 2 == 0 ? 0xAA : 0x55) & (0x80 >> (x % 8))) != 0) Want(x, y) = 0x00FF00;
  EXPECT_TRUE(Matches());
  EXPECT_EQ(Pixel(4, 0), 0x00FF00u);
  EXPECT_EQ(Pixel(3, 0), 0u);
}

TEST_F(GfxDraw, FramesOfThicknessOneAndThree) {
  for (int16_t t : {1, 3, 4}) {
    for (const CanvasSetup& s : SETUPS) {
      MakeSurface(40, 30, 0xFFFFFF);
      GfxRect clip = Apply(s);
      GfxRect r{-2, 2, 15, 8};  // t = 4: the bands meet, the whole rectangle is filled
      GFX_FrameRect(&canvas_, r, 0x203040, t);
      for (int y = r.y; y < r.y + r.h; y++)
        for (int x = r.x; x < r.x + r.w; x++) {
          bool inner = x >= r.x + t && x < r.x + r.w - t && y >= r.y + t && y < r.y + r.h - t;
          if (!inner) WantIn(clip, x + s.ox, y + s.oy, 0x203040);
        }
      ASSERT_TRUE(Matches()) << "thickness " << t << " origin " << s.ox;
    }
  }
  MakeSurface(40, 30);
  GFX_FrameRect(&canvas_, GfxRect{2, 2, 10, 10}, 0xFFFFFF, 0);
  EXPECT_TRUE(Matches());
}

// ---------------------------------------------------------------------------
// Lines

std::set<std::pair<int, int>> Drawn(const GfxTest& t, int w, int h, uint32_t bg) {
  std::set<std::pair<int, int>> out;
  for (int y = 0; y < h; y++)
    for (int x = 0; x < w; x++)
      if (t.Pixel(x, y) != bg) out.insert({x, y});
  return out;
}

TEST_F(GfxDraw, LinesInAllOctantsFollowTheIdealLine) {
  const int ends[][2] = {{35, 18}, {35, 12}, {5, 18},  {5, 12},  {23, 28}, {17, 28},
                         {23, 2},  {17, 2},  {30, 25}, {10, 5},  {38, 15}, {2, 15},
                         {20, 29}, {20, 0},  {21, 15}, {20, 16}, {36, 23}, {4, 7}};
  for (auto& e : ends) {
    MakeSurface(40, 30);
    const int x0 = 20, y0 = 15, x1 = e[0], y1 = e[1];
    GFX_Line(&canvas_, x0, y0, int16_t(x1), int16_t(y1), 0xFFFFFF);
    auto got = Drawn(*this, 40, 30, 0);
    ASSERT_TRUE(GuardsIntact());
    bool xMajor = std::abs(x1 - x0) >= std::abs(y1 - y0);
    int steps = std::max(std::abs(x1 - x0), std::abs(y1 - y0));
    ASSERT_EQ(got.size(), size_t(steps + 1)) << "to " << x1 << "," << y1;
    EXPECT_TRUE(got.count({x0, y0}) && got.count({x1, y1}));
    // One pixel per step of the major axis, at most half a pixel from the line.
    std::set<int> majors;
    for (auto [x, y] : got) {
      double ideal = xMajor ? y0 + double(x - x0) * (y1 - y0) / (x1 - x0)
                            : x0 + double(y - y0) * (x1 - x0) / (y1 - y0);
      EXPECT_LE(std::fabs((xMajor ? y : x) - ideal), 0.5) << x << "," << y;
      majors.insert(xMajor ? x : y);
    }
    EXPECT_EQ(majors.size(), got.size());
  }
}

TEST_F(GfxDraw, SinglePointLine) {
  canvas_.originX = 2;
  GFX_Line(&canvas_, 7, 9, 7, 9, 0xABCDEF);
  Want(9, 9) = 0xABCDEF;
  EXPECT_TRUE(Matches());
}

TEST_F(GfxDraw, LinesAreCutByClipAndSurface) {
  // The major run is odd, so the nearest pixel to the line is never a tie.
  struct Case {
    int x0, y0, x1, y1;
  } cases[] = {
      {-10, -3, 49, 26}, {45, -7, -6, 34}, {3, 40, 12, -9}, {-20, 20, 60, 20}, {18, -50, 18, 80}};
  for (const Case& k : cases) {
    for (const CanvasSetup& s : SETUPS) {
      MakeSurface(40, 30);
      GfxRect clip = Apply(s);
      GFX_Line(&canvas_, int16_t(k.x0), int16_t(k.y0), int16_t(k.x1), int16_t(k.y1), 0xFF00FF);
      int dx = k.x1 - k.x0, dy = k.y1 - k.y0, n = std::max(std::abs(dx), std::abs(dy));
      for (int i = 0; i <= n; i++) {
        bool xMajor = std::abs(dx) >= std::abs(dy);
        int x = xMajor ? k.x0 + (dx > 0 ? i : -i) : int(std::lround(k.x0 + double(i) * dx / n));
        int y = xMajor ? int(std::lround(k.y0 + double(i) * dy / n)) : k.y0 + (dy > 0 ? i : -i);
        WantIn(clip, x + s.ox, y + s.oy, 0xFF00FF);
      }
      ASSERT_TRUE(Matches()) << "line from " << k.x0 << "," << k.y0 << " origin " << s.ox;
    }
  }
}

// ---------------------------------------------------------------------------
// Polygons: a pixel is inside when its centre is, by the even-odd rule
// (a ray to the right crossing the outline an odd number of times).
// Doubled coordinates keep every quantity whole.

bool Inside(const std::vector<int16_t>& xy, int x, int y) {
  int64_t px = 2 * x + 1, py = 2 * y + 1;
  size_t n = xy.size() / 2;
  bool in = false;
  for (size_t i = 0, j = n - 1; i < n; j = i++) {
    int64_t xi = 2 * xy[2 * i], yi = 2 * xy[2 * i + 1], xj = 2 * xy[2 * j], yj = 2 * xy[2 * j + 1];
    if ((yi > py) == (yj > py)) continue;
    // px < crossing x, multiplied out by (yj - yi) with its sign.
    int64_t lhs = (px - xi) * (yj - yi), rhs = (py - yi) * (xj - xi);
    if (yj > yi ? lhs < rhs : lhs > rhs) in = !in;
  }
  return in;
}

void CheckPolygon(GfxDraw* t, const std::vector<int16_t>& xy) {
  for (const CanvasSetup& s : SETUPS) {
    t->MakeSurface(40, 30, 0x101010);
    GfxRect clip = t->Apply(s);
    GFX_FillPolygon(&t->canvas_, xy.data(), int16_t(xy.size() / 2), 0xEEDD00);
    for (int y = -40; y < 70; y++)
      for (int x = -40; x < 80; x++)
        if (Inside(xy, x, y)) t->WantIn(clip, x + s.ox, y + s.oy, 0xEEDD00);
    ASSERT_TRUE(t->Matches()) << "origin " << s.ox;
  }
}

TEST_F(GfxDraw, PolygonTriangle) { CheckPolygon(this, {5, 3, 34, 10, 12, 27}); }

TEST_F(GfxDraw, PolygonConcave) {
  // A "U" with a slanted side and a notch.
  CheckPolygon(this, {2, 2, 10, 2, 10, 20, 28, 20, 28, 2, 37, 5, 33, 28, 4, 27, 15, 14});
}

TEST_F(GfxDraw, PolygonStarLeavesItsCentreEmpty) {
  const std::vector<int16_t> star = {20, 2, 28, 26, 8, 11, 32, 11, 12, 26};
  CheckPolygon(this, star);
  MakeSurface(40, 30);
  GFX_FillPolygon(&canvas_, star.data(), 5, 0xFFFFFF);
  EXPECT_EQ(Pixel(20, 16), 0u);         // the inner pentagon is crossed twice
  EXPECT_EQ(Pixel(20, 6), 0xFFFFFFu);   // the top point
  EXPECT_EQ(Pixel(10, 12), 0xFFFFFFu);  // the left point
}

TEST_F(GfxDraw, PolygonFarOutsideAndDegenerate) {
  CheckPolygon(this, {-300, -200, 500, 15, -100, 400});
  const int16_t two[] = {1, 1, 30, 20};
  GFX_FillPolygon(&canvas_, two, 2, 0xFFFFFF);
  GFX_FillPolygon(&canvas_, nullptr, 4, 0xFFFFFF);
  const int16_t flat[] = {1, 5, 30, 5, 15, 5};
  GFX_FillPolygon(&canvas_, flat, 3, 0xFFFFFF);
  EXPECT_TRUE(Matches());
}

TEST_F(GfxDraw, PolygonWithManyPoints) {
  std::vector<int16_t> xy;  // a 100-point zigzag, more than fit the stack buffer
  for (int i = 0; i < 50; i++)
    xy.insert(xy.end(), {int16_t(1 + i * 3 / 4), int16_t(i % 2 ? 3 : 9)});
  for (int i = 49; i >= 0; i--)
    xy.insert(xy.end(), {int16_t(1 + i * 3 / 4), int16_t(i % 3 ? 25 : 20)});
  CheckPolygon(this, xy);
}

// ---------------------------------------------------------------------------
// Copies

TEST_F(GfxDraw, Blit24WithPartialSourceRectangles) {
  ImgSurface* src = nullptr;
  ASSERT_EQ(0, IMG_SurfaceNew(&src, 10, 8, IMG_DEPTH_24));
  auto srcPixel = [](int x, int y) {
    return uint32_t(x * 16) << 16 | uint32_t(y * 16) << 8 | 0x33;
  };
  for (int y = 0; y < 8; y++)
    for (int x = 0; x < 10; x++) {
      uint8_t* p = src->pixels + y * src->rowBytes + x * 3;
      p[0] = uint8_t(x * 16), p[1] = uint8_t(y * 16), p[2] = 0x33;
    }
  struct Case {
    GfxRect from;
    bool all;
    int x, y;
  } cases[] = {{{2, 1, 5, 4}, false, 3, 4},  {{-2, -1, 5, 4}, false, 0, 0},
               {{0, 0, 0, 0}, true, 35, 26}, {{6, 3, 20, 20}, false, -3, -2},
               {{0, 0, 0, 0}, true, -12, 3}, {{3, 3, 2, 2}, false, 100, 0}};
  for (const Case& k : cases) {
    for (const CanvasSetup& s : SETUPS) {
      MakeSurface(40, 30, 0x445566);
      GfxRect clip = Apply(s);
      GFX_Blit(&canvas_, src, k.all ? nullptr : &k.from, int16_t(k.x), int16_t(k.y));
      GfxRect f = k.all ? GfxRect{0, 0, 10, 8} : k.from;
      for (int j = 0; j < f.h; j++)
        for (int i = 0; i < f.w; i++) {
          int sx = f.x + i, sy = f.y + j;
          if (sx < 0 || sy < 0 || sx >= 10 || sy >= 8) continue;
          WantIn(clip, k.x + i + s.ox, k.y + j + s.oy, srcPixel(sx, sy));
        }
      ASSERT_TRUE(Matches()) << "to " << k.x << "," << k.y << " origin " << s.ox;
    }
  }
  IMG_SurfaceFree(&src);
}

TEST_F(GfxDraw, Blit16WidensRgb565) {
  ImgSurface* src = nullptr;
  ASSERT_EQ(0, IMG_SurfaceNew(&src, 3, 2, IMG_DEPTH_16));
  // RGB565 values and their 24-bit widening (the high bits repeated below).
  const uint16_t in[6] = {0xF800, 0x07E0, 0x001F, 0xFFFF, 0x0000, 0x8410};
  const uint32_t out[6] = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF, 0x000000, 0x848284};
  for (int i = 0; i < 6; i++)
    memcpy(src->pixels + (i / 3) * src->rowBytes + (i % 3) * 2, &in[i], 2);
  MakeSurface(40, 30, 0x123456);
  canvas_.originX = 5;
  GFX_Blit(&canvas_, src, nullptr, 1, 2);
  for (int i = 0; i < 6; i++) Want(6 + i % 3, 2 + i / 3) = out[i];
  EXPECT_TRUE(Matches());
  GfxRect part{1, 1, 2, 1};  // the lower right pair only, cut by the surface's right edge
  GFX_Blit(&canvas_, src, &part, 34, 0);
  Want(39, 0) = out[4];
  EXPECT_TRUE(Matches());
  IMG_SurfaceFree(&src);
}

TEST_F(GfxDraw, BlitWithinOneSurfaceEitherWay) {
  for (int shift : {1, -1}) {
    MakeSurface(40, 30);
    for (int y = 0; y < 30; y++)
      for (int x = 0; x < 40; x++) Put(x, y, uint32_t(x << 16 | y << 8 | (x ^ y)));
    std::vector<uint32_t> before;
    for (int y = 0; y < 30; y++)
      for (int x = 0; x < 40; x++) before.push_back(Pixel(x, y));
    GfxRect from{5, 5, 20, 15};
    GFX_Blit(&canvas_, &surface_, &from, int16_t(5 + 2 * shift), int16_t(5 + 3 * shift));
    want_ = before;
    for (int j = 0; j < 15; j++)
      for (int i = 0; i < 20; i++)
        Want(5 + 2 * shift + i, 5 + 3 * shift + j) = before[size_t(5 + j) * 40 + size_t(5 + i)];
    ASSERT_TRUE(Matches()) << "shift " << shift;
  }
}

TEST_F(GfxDraw, NothingIsDrawnWithoutAUsableSurface) {
  GfxCanvas none = GFX_CanvasFor(nullptr);
  GFX_FillRect(&none, GfxRect{0, 0, 5, 5}, 1);
  GFX_Line(&none, 0, 0, 5, 5, 1);
  ImgSurface* s16 = nullptr;
  ASSERT_EQ(0, IMG_SurfaceNew(&s16, 4, 4, IMG_DEPTH_16));
  GfxCanvas c16 = GFX_CanvasFor(s16);  // the canvas draws into 24-bit surfaces only
  GFX_FillRect(&c16, GfxRect{0, 0, 4, 4}, 0xFFFFFF);
  EXPECT_EQ(IMG_GetPixel(s16, 1, 1), 0u);
  IMG_SurfaceFree(&s16);
  GFX_FillRect(nullptr, GfxRect{0, 0, 5, 5}, 1);
}

}  // namespace
