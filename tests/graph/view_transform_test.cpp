#include "graph/giviewtransform.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <limits>
#include <random>
#include <thread>

namespace {

constexpr float kPxPerMm96 = 96.f / 25.4f;

void expectPoint(const MgPoint& p, float x, float y, float eps)
{
    EXPECT_NEAR(p.x, x, eps);
    EXPECT_NEAR(p.y, y, eps);
}

/// The world box the client area shows.
MgBox visibleWorld(const GiViewTransform& xf)
{
    return MgBox(MgPoint(0, 0) * xf.displayToWorld(),
        MgPoint(static_cast<float>(xf.widthPx()), static_cast<float>(xf.heightPx())) * xf.displayToWorld());
}

/// A picture h pixels high at dpi shown at its physical size: model y down, world y up.
MgMatrix pictureToWorld(float h, float dpi)
{
    const float s = 25.4f / dpi;
    return MgMatrix(s, 0, 0, -s, 0, h * s);
}

TEST(GiViewTransform, NewTransformAndClientSize)
{
    GiViewTransform xf(true);
    EXPECT_EQ(xf.widthPx(), 1);
    EXPECT_EQ(xf.heightPx(), 1);
    EXPECT_EQ(xf.resolutionY(), 96.f);
    EXPECT_EQ(xf.zoom(), 1.f);
    EXPECT_EQ(xf.revision(), 0u);
    EXPECT_EQ(xf.worldBounds(), MgBox(-100000, -100000, 100000, 100000));
    EXPECT_TRUE(xf.modelToWorld().isIdentity());
    expectPoint(MgPoint(0, 0) * xf.worldToDisplay(), 0.5f, 0.5f, 1e-6f);
    expectPoint(MgPoint(0, 0) * xf.modelToDisplay(), 0.5f, 0.5f, 1e-6f);

    EXPECT_TRUE(xf.setClientSize(800, 600));
    EXPECT_EQ(xf.revision(), 1u);
    expectPoint(MgPoint(0, 0) * xf.worldToDisplay(), 400, 300, 1e-4f);
    expectPoint(MgPoint(10, 10) * xf.worldToDisplay(), 400 + 10 * kPxPerMm96, 300 - 10 * kPxPerMm96, 1e-3f);
    EXPECT_FLOAT_EQ(xf.pixelsPerUnitY(), kPxPerMm96);

    struct Case {
        const char* name;
        int w, h;
    };
    const Case refused[]
        = { { "width 1", 1, 600 }, { "height 1", 800, 1 }, { "negative", -5, 600 }, { "unchanged", 800, 600 } };
    for (const Case& c : refused) {
        SCOPED_TRACE(c.name);
        EXPECT_FALSE(xf.setClientSize(c.w, c.h));
        EXPECT_EQ(xf.widthPx(), 800);
        EXPECT_EQ(xf.heightPx(), 600);
        EXPECT_EQ(xf.revision(), 1u);
    }
}

TEST(GiViewTransform, ResolutionRules)
{
    GiViewTransform xf(true);
    EXPECT_TRUE(xf.setResolution(120, 0));
    EXPECT_EQ(xf.resolutionX(), 120.f);
    EXPECT_EQ(xf.resolutionY(), 120.f);
    EXPECT_EQ(xf.revision(), 1u);
    EXPECT_FLOAT_EQ(xf.pixelsPerUnitY(false), 120 / 25.4f);

    struct Case {
        const char* name;
        float x, y;
    };
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    const Case refused[] = {
        { "unchanged", 120, 120 },
        { "unchanged through dpiY 0", 120, 0 },
        { "x at the limit", 0.1f, 96 },
        { "y at the limit", 96, 0.1f },
        { "x zero", 0, 0 },
        { "x NaN", nan, 96 },
        { "y infinite", 96, inf },
    };
    for (const Case& c : refused) {
        SCOPED_TRACE(c.name);
        EXPECT_FALSE(xf.setResolution(c.x, c.y));
        EXPECT_EQ(xf.resolutionX(), 120.f);
        EXPECT_EQ(xf.resolutionY(), 120.f);
        EXPECT_EQ(xf.revision(), 1u);
    }
    EXPECT_TRUE(xf.setResolution(300, 600));
    EXPECT_FLOAT_EQ(xf.pixelsPerUnitX(), 300 / 25.4f);
    EXPECT_FLOAT_EQ(xf.pixelsPerUnitY(), 600 / 25.4f);
}

TEST(GiViewTransform, ModelTransform)
{
    GiViewTransform xf(true);
    xf.setClientSize(800, 600);
    const MgMatrix pic = pictureToWorld(500, 254); // 0.1 mm per pixel
    EXPECT_TRUE(xf.setModelTransform(pic));
    const std::uint32_t rev = xf.revision();
    const MgMatrix displayBefore = xf.worldToDisplay();
    EXPECT_EQ(xf.worldToDisplay(), displayBefore);
    expectPoint(MgPoint(0, 0) * xf.modelToWorld(), 0, 50, 1e-5f);
    expectPoint(MgPoint(0, 50) * xf.worldToModel(), 0, 0, 1e-4f);
    // Model (0, 500), the picture's bottom-left, is world (0, 0): the client centre.
    expectPoint(MgPoint(0, 500) * xf.modelToDisplay(), 400, 300, 1e-3f);
    expectPoint(MgPoint(400, 300) * xf.displayToModel(), 0, 500, 1e-3f);

    struct Case {
        const char* name;
        MgMatrix m;
    };
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const Case refused[] = {
        { "singular", MgMatrix(1, 2, 2, 4, 0, 0) },
        { "zero", MgMatrix(0, 0, 0, 0, 5, 5) },
        { "same within tolerance", MgMatrix(pic.m11, 0, 0, pic.m22 + 5e-5f, 0, pic.dy) },
        { "not a number", MgMatrix(nan, 0, 0, 1, 0, 0) },
    };
    for (const Case& c : refused) {
        SCOPED_TRACE(c.name);
        EXPECT_FALSE(xf.setModelTransform(c.m));
        EXPECT_EQ(xf.modelToWorld(), pic);
        expectPoint(MgPoint(0, 500) * xf.modelToDisplay(), 400, 300, 1e-3f);
        EXPECT_EQ(xf.revision(), rev);
    }
}

TEST(GiViewTransform, WorldBoundsAndFocus)
{
    GiViewTransform xf(true);
    const MgBox previous = xf.setWorldBounds(MgBox(50, 40, -50, -40));
    EXPECT_EQ(previous, MgBox(-100000, -100000, 100000, 100000));
    EXPECT_EQ(xf.worldBounds(), MgBox(-50, -40, 50, 40));
    EXPECT_EQ(xf.revision(), 0u);

    // setFocusAndZoom applies no limit.
    EXPECT_TRUE(xf.setFocusAndZoom(MgPoint(1000, 1000), 20));
    EXPECT_EQ(xf.zoom(), 20.f);
    EXPECT_EQ(xf.revision(), 1u);
    EXPECT_FALSE(xf.setFocusAndZoom(MgPoint(1000.000001f, 1000), 20.00000001f));
    EXPECT_EQ(xf.revision(), 1u);

    // A zoom that is not a positive number would leave singular matrices behind.
    const float nan = std::numeric_limits<float>::quiet_NaN();
    for (const float z : { 0.f, -1.f, nan, std::numeric_limits<float>::infinity() }) {
        SCOPED_TRACE(z);
        EXPECT_FALSE(xf.setFocusAndZoom(MgPoint(0, 0), z));
        EXPECT_EQ(xf.zoom(), 20.f);
    }
    EXPECT_FALSE(xf.setFocusAndZoom(MgPoint(nan, 0), 1));
    EXPECT_EQ(xf.revision(), 1u);
}

TEST(GiViewTransform, ZoomRange)
{
    GiViewTransform xf(true);
    EXPECT_FALSE(xf.isZoomOutOfRange(0.01f));
    EXPECT_FALSE(xf.isZoomOutOfRange(0.01f - 5e-6f));
    EXPECT_TRUE(xf.isZoomOutOfRange(0.0099f));
    EXPECT_FALSE(xf.isZoomOutOfRange(5.000005f));
    EXPECT_TRUE(xf.isZoomOutOfRange(5.001f));
    EXPECT_TRUE(xf.isZoomOutOfRange(std::numeric_limits<float>::quiet_NaN()));
}

TEST(GiViewTransform, ZoomByFactorSteps)
{
    GiViewTransform xf(true);
    xf.setClientSize(800, 600);
    EXPECT_TRUE(xf.zoomByFactor(0.2f, nullptr, true));
    EXPECT_FLOAT_EQ(xf.zoom(), 1.2f);
    EXPECT_TRUE(xf.setFocusAndZoom(xf.focusWorld(), 1));
    EXPECT_TRUE(xf.zoomByFactor(-0.2f, nullptr, true));
    EXPECT_FLOAT_EQ(xf.zoom(), 1 / 1.2f);

    EXPECT_TRUE(xf.zoomScale(5, nullptr, true));
    const std::uint32_t rev = xf.revision();
    EXPECT_FALSE(xf.zoomByFactor(0.2f, nullptr, true));
    EXPECT_FALSE(xf.zoomByFactor(0.2f, nullptr, false));
    EXPECT_EQ(xf.zoom(), 5.f);
    EXPECT_EQ(xf.revision(), rev);

    // Near the limit the step is clamped to it with adjust, refused without.
    EXPECT_TRUE(xf.setFocusAndZoom(xf.focusWorld(), 4.5f));
    EXPECT_FALSE(xf.zoomByFactor(0.2f, nullptr, false));
    EXPECT_TRUE(xf.zoomByFactor(0.2f, nullptr, true));
    EXPECT_EQ(xf.zoom(), 5.f);
}

TEST(GiViewTransform, ZoomScaleLimits)
{
    GiViewTransform xf(true);
    xf.setClientSize(800, 600);
    EXPECT_FALSE(xf.zoomScale(10, nullptr, false));
    EXPECT_EQ(xf.zoom(), 1.f);
    EXPECT_EQ(xf.revision(), 1u);
    EXPECT_TRUE(xf.zoomScale(10, nullptr, true));
    EXPECT_EQ(xf.zoom(), 5.f);
    EXPECT_TRUE(xf.zoomScale(0.001f, nullptr, true));
    EXPECT_EQ(xf.zoom(), 0.01f);
    EXPECT_FALSE(xf.zoomScale(std::numeric_limits<float>::quiet_NaN(), nullptr, true));
    EXPECT_EQ(xf.zoom(), 0.01f);
}

TEST(GiViewTransform, ZoomScaleInsideSmallBounds)
{
    // A 100 x 80 mm world seen through an 800 x 600 pixel window.
    GiViewTransform xf(true);
    xf.setClientSize(800, 600);
    xf.setWorldBounds(MgBox(0, 0, 100, 80));
    ASSERT_TRUE(xf.zoomToBox(MgBox(0, 0, 100, 80), nullptr, true));

    // Zooming in at the left-top corner would push the view past the bounds: refused without
    // adjust, clamped with it.
    const MgPoint corner(0, 0);
    const std::uint32_t rev = xf.revision();
    EXPECT_FALSE(xf.zoomScale(xf.zoom() * 2, &corner, false));
    EXPECT_EQ(xf.revision(), rev);
    EXPECT_TRUE(xf.zoomScale(xf.zoom() * 2, &corner, true));
    const MgBox seen = visibleWorld(xf);
    EXPECT_NEAR(seen.xmin, 0, 1e-3);
    EXPECT_NEAR(seen.ymax, 80, 1e-3);

    // Zooming out beyond the bounds centres them.
    EXPECT_TRUE(xf.zoomScale(0.05f, &corner, true));
    expectPoint(xf.focusWorld(), 50, 40, 1e-3f);
}

TEST(GiViewTransform, PanLimits)
{
    GiViewTransform xf(true);
    xf.setClientSize(400, 300);
    // 400 px at 96 dpi and zoom 1 is 105.83 mm; the bounds leave 50 mm on each side.
    const float halfW = 200 / kPxPerMm96;
    const float halfH = 150 / kPxPerMm96;
    xf.setWorldBounds(MgBox(-halfW - 50, -halfH - 50, halfW + 50, halfH + 50));

    const std::uint32_t rev = xf.revision();
    EXPECT_FALSE(xf.zoomPan(0, 0, true));
    EXPECT_FALSE(xf.zoomPan(0, 0, false));
    EXPECT_EQ(xf.revision(), rev);

    // Dragging the content right by 10 mm moves the focus left.
    EXPECT_TRUE(xf.zoomPan(10 * kPxPerMm96, 0, false));
    expectPoint(xf.focusWorld(), -10, 0, 1e-3f);
    // Dragging down moves the focus up (y up).
    EXPECT_TRUE(xf.zoomPan(0, 10 * kPxPerMm96, false));
    expectPoint(xf.focusWorld(), -10, 10, 1e-3f);

    struct Case {
        const char* name;
        float dxMm, dyMm;
        MgPoint stop;
    };
    const Case cases[] = {
        { "right past xmin", 100, 0, { -50, 10 } },
        { "left past xmax", -100, 0, { 50, 10 } },
        { "down past ymax", 0, 100, { -10, 50 } },
        { "up past ymin", 0, -100, { -10, -50 } },
        { "diagonal", 100, -100, { -50, -50 } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(xf.setFocusAndZoom(MgPoint(-10, 10), 1) || xf.focusWorld() == MgPoint(-10, 10));
        const std::uint32_t before = xf.revision();
        EXPECT_FALSE(xf.zoomPan(c.dxMm * kPxPerMm96, c.dyMm * kPxPerMm96, false));
        EXPECT_EQ(xf.revision(), before);
        expectPoint(xf.focusWorld(), -10, 10, 1e-6f);
        EXPECT_TRUE(xf.zoomPan(c.dxMm * kPxPerMm96, c.dyMm * kPxPerMm96, true));
        expectPoint(xf.focusWorld(), c.stop.x, c.stop.y, 1e-3f);
        // At the bound a further pan the same way changes nothing.
        EXPECT_FALSE(xf.zoomPan(c.dxMm * kPxPerMm96, c.dyMm * kPxPerMm96, true));
    }

    // Bounds narrower than the view keep it centred on them.
    xf.setWorldBounds(MgBox(0, 0, 20, 200));
    ASSERT_TRUE(xf.setFocusAndZoom(MgPoint(3, 0), 1));
    EXPECT_FALSE(xf.zoomPan(5, 0, false));
    EXPECT_TRUE(xf.zoomPan(5, 0, true));
    EXPECT_NEAR(xf.focusWorld().x, 10, 1e-5);
}

TEST(GiViewTransform, ZoomToPoint)
{
    GiViewTransform xf(true);
    xf.setClientSize(801, 601);
    const MgPoint target(12.5f, -7.25f);
    EXPECT_TRUE(xf.zoomToPoint(target, nullptr, true));
    expectPoint(target * xf.worldToDisplay(), 400.5f, 300.5f, 1e-3f);
    const MgPoint at(10, 20);
    EXPECT_TRUE(xf.zoomToPoint(target, &at, true));
    expectPoint(target * xf.worldToDisplay(), 10, 20, 1e-3f);
    EXPECT_FALSE(xf.zoomToPoint(target, &at, true));
}

TEST(GiViewTransform, ZoomToBox)
{
    GiViewTransform xf(true);
    xf.setClientSize(400, 400);
    const MgBox box(-50, 0, 50, 10); // 100 mm wide, 10 mm high
    EXPECT_TRUE(xf.zoomToBox(box, nullptr, true));
    EXPECT_FLOAT_EQ(xf.zoom(), 400 * 25.4f / 96 / 100);
    expectPoint(box.midpoint() * xf.worldToDisplay(), 200, 200, 1e-3f);

    // Into a rectangle of the window: the box is centred in it and fills its height.
    xf.setClientSize(800, 600);
    const MgBox rect(5, 5, 790, 590);
    const MgBox tall(0, 0, 10, 100);
    EXPECT_TRUE(xf.zoomToBox(tall, &rect, true));
    EXPECT_FLOAT_EQ(xf.zoom(), 585 * 25.4f / 96 / 100);
    expectPoint(tall.midpoint() * xf.worldToDisplay(), 397.5f, 297.5f, 1e-3f);
    expectPoint(tall.leftTop() * xf.worldToDisplay(), 397.5f - 58.5f / 2, 5, 1e-2f);

    // A rectangle below 4 pixels either way means the whole client area.
    const MgBox thin(100, 100, 300, 102);
    EXPECT_TRUE(xf.zoomToBox(tall, &thin, true));
    EXPECT_FLOAT_EQ(xf.zoom(), 600 * 25.4f / 96 / 100);
    expectPoint(tall.midpoint() * xf.worldToDisplay(), 400, 300, 1e-3f);

    const std::uint32_t rev = xf.revision();
    EXPECT_FALSE(xf.zoomToBox(MgBox(0, 0, 10, 0), nullptr, true)) << "flat box";
    EXPECT_FALSE(xf.zoomToBox(MgBox(0, 0, 1, 1), nullptr, false)) << "zoom beyond 5 without adjust";
    EXPECT_EQ(xf.revision(), rev);
    EXPECT_TRUE(xf.zoomToBox(MgBox(0, 0, 1, 1), nullptr, true));
    EXPECT_EQ(xf.zoom(), 5.f);
    expectPoint(MgPoint(0.5f, 0.5f) * xf.worldToDisplay(), 400, 300, 1e-3f);
}

TEST(GiViewTransform, ZoomToBoxFitsThePictureInsideItsBounds)
{
    // The layout view's fit: world bounds are the picture grown by 20 mm.
    GiViewTransform xf(true);
    xf.setClientSize(1000, 700);
    const MgBox picture(0, 0, 210, 297);
    xf.setWorldBounds(MgBox(-20, -20, 230, 317));
    const MgBox rect(5, 5, 990, 690);
    ASSERT_TRUE(xf.zoomToBox(picture, &rect, true));
    const MgPoint lt = picture.leftTop() * xf.worldToDisplay();
    const MgPoint rb = picture.rightBottom() * xf.worldToDisplay();
    EXPECT_NEAR(lt.y, 5, 1e-2);
    EXPECT_NEAR(rb.y, 690, 1e-2);
    // The view is wider than the bounds, so it is centred on them rather than on the rectangle.
    EXPECT_NEAR((lt.x + rb.x) / 2, 500, 1e-2);
    const MgBox seen = visibleWorld(xf);
    EXPECT_GE(seen.ymin, -20.f);
    EXPECT_LE(seen.ymax, 317.f);
}

TEST(GiViewTransform, LengthToModel)
{
    GiViewTransform xf(true);
    xf.setClientSize(800, 600);
    // One display pixel at zoom 1 is 25.4/96 mm; with 0.1 mm per model unit, 2.6458 units.
    ASSERT_TRUE(xf.setModelTransform(pictureToWorld(500, 254)));
    EXPECT_NEAR(xf.lengthToModel(1, false), 25.4f / 96 / 0.1f, 1e-4);
    EXPECT_NEAR(xf.lengthToModel(3, true), 30, 1e-4);
    ASSERT_TRUE(xf.zoomScale(2, nullptr, true));
    EXPECT_NEAR(xf.lengthToModel(1, false), 25.4f / 96 / 0.1f / 2, 1e-4);
    EXPECT_NEAR(xf.lengthToModel(3, true), 15, 1e-4);

    // Unequal scales average over the diagonal: x 1, y 3 gives sqrt((1 + 9) / 2).
    GiViewTransform plain(true);
    ASSERT_TRUE(plain.setModelTransform(MgMatrix(1, 0, 0, 1.f / 3, 0, 0)));
    EXPECT_NEAR(plain.lengthToModel(1, true), std::sqrt(5.f), 1e-5);
}

TEST(GiViewTransform, ModelTransformScope)
{
    GiViewTransform xf(true);
    xf.setClientSize(800, 600);
    const MgMatrix base = pictureToWorld(100, 96);
    ASSERT_TRUE(xf.setModelTransform(base));
    const MgMatrix rot = MgMatrix::rotationAbout(kMgHalfPi, MgPoint(50, 50));
    {
        GiModelTransformScope scope(xf, rot);
        EXPECT_TRUE(scope.isApplied());
        // The rotation works on model coordinates, before the picture's model-to-world matrix:
        // model (50, 0) turns about (50, 50) onto (100, 50), which the picture maps to world.
        EXPECT_EQ(xf.modelToWorld(), rot * base);
        expectPoint(MgPoint(50, 0) * xf.modelToWorld(), 100 * 25.4f / 96, 50 * 25.4f / 96, 1e-3f);
        {
            GiModelTransformScope inner(xf, MgMatrix::translationBy(MgVector(5, 0)));
            EXPECT_EQ(xf.modelToWorld(), MgMatrix::translationBy(MgVector(5, 0)) * rot * base);
            expectPoint(MgPoint(45, 0) * xf.modelToWorld(), 100 * 25.4f / 96, 50 * 25.4f / 96, 1e-3f);
        }
        EXPECT_EQ(xf.modelToWorld(), rot * base);
    }
    EXPECT_EQ(xf.modelToWorld(), base);
    expectPoint(MgPoint(0, 100) * xf.modelToDisplay(), 400, 300, 1e-3f);

    const std::uint32_t rev = xf.revision();
    {
        GiModelTransformScope singular(xf, MgMatrix(0, 0, 0, 0, 0, 0));
        EXPECT_FALSE(singular.isApplied());
        EXPECT_EQ(xf.modelToWorld(), base);
    }
    EXPECT_EQ(xf.modelToWorld(), base);
    EXPECT_EQ(xf.revision(), rev);
}

TEST(GiViewTransform, EveryMappingChangeRaisesRevision)
{
    GiViewTransform xf(true);
    struct Step {
        const char* name;
        bool (*apply)(GiViewTransform&);
    };
    const Step steps[] = {
        { "client size", [](GiViewTransform& x) { return x.setClientSize(640, 480); } },
        { "resolution", [](GiViewTransform& x) { return x.setResolution(144, 0); } },
        { "model transform", [](GiViewTransform& x) { return x.setModelTransform(MgMatrix(2, 0, 0, 2, 1, 1)); } },
        { "focus and zoom", [](GiViewTransform& x) { return x.setFocusAndZoom(MgPoint(3, 4), 2); } },
        { "zoom scale", [](GiViewTransform& x) { return x.zoomScale(3, nullptr, true); } },
        { "zoom by factor", [](GiViewTransform& x) { return x.zoomByFactor(-0.5f, nullptr, true); } },
        { "pan", [](GiViewTransform& x) { return x.zoomPan(7, -3, true); } },
        { "zoom to point", [](GiViewTransform& x) { return x.zoomToPoint(MgPoint(-20, 5), nullptr, true); } },
        { "zoom to box", [](GiViewTransform& x) { return x.zoomToBox(MgBox(0, 0, 30, 20), nullptr, true); } },
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.name);
        const std::uint32_t before = xf.revision();
        const MgMatrix m2d = xf.modelToDisplay();
        ASSERT_TRUE(s.apply(xf));
        EXPECT_GT(xf.revision(), before);
        EXPECT_NE(xf.modelToDisplay(), m2d);
    }
}

TEST(GiViewTransform, RevisionIsSeenFromAnotherThread)
{
    GiViewTransform xf(true);
    xf.setClientSize(500, 500);
    std::atomic<bool> done { false };
    std::uint32_t lastSeen = 0;
    bool monotonic = true;
    std::thread reader([&] {
        while (!done.load()) {
            const std::uint32_t r = xf.revision();
            monotonic = monotonic && r >= lastSeen;
            lastSeen = r;
        }
    });
    for (int i = 0; i < 2000; ++i)
        xf.zoomPan(i % 2 ? 3.f : -3.f, 0, true);
    done = true;
    reader.join();
    EXPECT_TRUE(monotonic);
    EXPECT_EQ(xf.revision(), 2001u);
}

// ---- Properties over seeded random views -------------------------------------------------

struct RandomView {
    std::mt19937 rng;
    explicit RandomView(unsigned seed)
        : rng(seed)
    {
    }
    float uniform(float lo, float hi) { return std::uniform_real_distribution<float>(lo, hi)(rng); }
    int uniformInt(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); }
    /// Log-uniform over the permitted zoom range.
    float zoom() { return std::exp(uniform(std::log(0.01f), std::log(5.f))); }
};

/// Where the world point p (mm, worked in double) shows on the display, from the state alone.
MgVector exactDisplay(const GiViewTransform& xf, double px, double py)
{
    const double sy = xf.yAxisUp() ? -xf.pixelsPerUnitY() : xf.pixelsPerUnitY();
    return { static_cast<float>(xf.widthPx() * 0.5 + xf.pixelsPerUnitX() * (px - xf.focusWorld().x)),
        static_cast<float>(xf.heightPx() * 0.5 + sy * (py - xf.focusWorld().y)) };
}

TEST(GiViewTransformProperty, ZoomScaleKeepsThePointUnderTheCursor)
{
    // Arbitrary jumps across the whole zoom range. The world point under the cursor is taken
    // from the state in double: through the float matrices a pixel at zoom 0.01 is only known
    // to a few micrometres, which zoom 5 would magnify beyond the tolerance.
    for (unsigned seed = 1; seed <= 300; ++seed) {
        SCOPED_TRACE(seed);
        RandomView rnd(seed);
        GiViewTransform xf(seed % 5 != 0);
        xf.setResolution(rnd.uniform(72, 200), rnd.uniform(72, 200));
        xf.setClientSize(rnd.uniformInt(50, 1601), rnd.uniformInt(50, 1201));
        const float w = static_cast<float>(xf.widthPx());
        const float h = static_cast<float>(xf.heightPx());
        const bool centred = seed % 4 == 0;
        const MgPoint r = centred ? MgPoint(w * 0.5f, h * 0.5f) : MgPoint(rnd.uniform(0, w), rnd.uniform(0, h));

        const MgPoint a0(rnd.uniform(-300, 300), rnd.uniform(-300, 300));
        ASSERT_TRUE(xf.setFocusAndZoom(a0, rnd.zoom()));
        xf.zoomToPoint(a0, &r, true);
        for (int step = 0; step < 6; ++step) {
            const double sy = xf.yAxisUp() ? -xf.pixelsPerUnitY() : xf.pixelsPerUnitY();
            const double ax = xf.focusWorld().x + (r.x - w * 0.5) / xf.pixelsPerUnitX();
            const double ay = xf.focusWorld().y + (r.y - h * 0.5) / sy;
            const bool changed = step % 2 ? xf.zoomByFactor(rnd.uniform(-3, 3), centred ? nullptr : &r, true)
                                          : xf.zoomScale(rnd.zoom(), centred ? nullptr : &r, true);
            const MgVector after = exactDisplay(xf, ax, ay);
            EXPECT_NEAR(after.x, r.x, 1e-3) << "step " << step << " changed " << changed;
            EXPECT_NEAR(after.y, r.y, 1e-3) << "step " << step << " changed " << changed;
            EXPECT_GE(xf.zoom(), 0.01f);
            EXPECT_LE(xf.zoom(), 5.f);
        }
    }
}

TEST(GiViewTransformProperty, WheelStepsKeepThePointUnderTheCursorThroughTheMatrices)
{
    // What the user sees: wheel (1.2) and keyboard (1.5) steps at the pointer, measured through
    // the float matrices the drawing uses.
    for (unsigned seed = 1; seed <= 200; ++seed) {
        SCOPED_TRACE(seed);
        RandomView rnd(seed);
        GiViewTransform xf(true);
        xf.setClientSize(rnd.uniformInt(50, 1601), rnd.uniformInt(50, 1201));
        const MgPoint r(
            rnd.uniform(0, static_cast<float>(xf.widthPx())), rnd.uniform(0, static_cast<float>(xf.heightPx())));
        ASSERT_TRUE(xf.setFocusAndZoom(MgPoint(rnd.uniform(-300, 300), rnd.uniform(-300, 300)), rnd.zoom()));
        const float steps[] = { 0.2f, -0.2f, 0.5f, -0.5f };
        for (int step = 0; step < 12; ++step) {
            const MgPoint a = r * xf.displayToWorld();
            const MgPoint before = a * xf.worldToDisplay();
            xf.zoomByFactor(steps[rnd.uniformInt(0, 3)], &r, true);
            const MgPoint after = a * xf.worldToDisplay();
            EXPECT_NEAR(after.x, before.x, 1e-3) << "step " << step;
            EXPECT_NEAR(after.y, before.y, 1e-3) << "step " << step;
        }
    }
}

TEST(GiViewTransform, YDownTransform)
{
    GiViewTransform xf(false);
    xf.setClientSize(800, 600);
    expectPoint(MgPoint(10, 10) * xf.worldToDisplay(), 400 + 10 * kPxPerMm96, 300 + 10 * kPxPerMm96, 1e-3f);

    const MgBox box(10, 20, 110, 70);
    const MgBox rect(0, 0, 400, 300);
    ASSERT_TRUE(xf.zoomToBox(box, &rect, true));
    expectPoint(box.midpoint() * xf.worldToDisplay(), 200, 150, 1e-3f);
    expectPoint(box.leftBottom() * xf.worldToDisplay(), 0, 150 - 50 * 400.f / 100 / 2, 1e-3f);

    const MgPoint at(700, 500);
    const MgPoint a = at * xf.displayToWorld();
    ASSERT_TRUE(xf.zoomScale(xf.zoom() * 1.5f, &at, true));
    expectPoint(a * xf.worldToDisplay(), 700, 500, 1e-3f);

    // Dragging the content down moves the focus toward smaller y, and the pan limit follows
    // the world direction: with y down the upper edge on screen is ymin.
    xf.setWorldBounds(MgBox(-1000, -1000, 1000, 1000));
    ASSERT_TRUE(xf.setFocusAndZoom(MgPoint(0, 0), 1));
    ASSERT_TRUE(xf.zoomPan(0, 10 * kPxPerMm96, true));
    expectPoint(xf.focusWorld(), 0, -10, 1e-3f);
    EXPECT_FALSE(xf.zoomPan(0, 5000 * kPxPerMm96, false));
    ASSERT_TRUE(xf.zoomPan(0, 5000 * kPxPerMm96, true));
    EXPECT_NEAR(visibleWorld(xf).ymin, -1000, 1e-3);
    ASSERT_TRUE(xf.zoomPan(0, -5000 * kPxPerMm96, true));
    EXPECT_NEAR(visibleWorld(xf).ymax, 1000, 1e-3);
}

TEST(GiViewTransformProperty, PanWithAdjustStaysInsideLargerBounds)
{
    for (unsigned seed = 1; seed <= 200; ++seed) {
        SCOPED_TRACE(seed);
        RandomView rnd(seed);
        GiViewTransform xf(true);
        xf.setClientSize(rnd.uniformInt(100, 1200), rnd.uniformInt(100, 900));
        const MgBox bounds(rnd.uniform(-500, 0), rnd.uniform(-500, 0), rnd.uniform(50, 800), rnd.uniform(50, 800));
        xf.setWorldBounds(bounds);
        // A zoom at which the view is smaller than the bounds both ways.
        const float minZoom
            = std::max(xf.widthPx() / bounds.width(), xf.heightPx() / bounds.height()) * 25.4f / 96 * 1.01f;
        if (minZoom > 5)
            continue;
        ASSERT_TRUE(xf.zoomToBox(bounds, nullptr, true));
        ASSERT_TRUE(xf.zoomScale(std::min(5.f, minZoom * rnd.uniform(1, 10)), nullptr, true));
        const float tol = 1e-3f;
        ASSERT_TRUE(MgBox(bounds).grow(tol).encloses(visibleWorld(xf)));
        for (int step = 0; step < 40; ++step) {
            const float span = step % 3 == 0 ? 5000.f : 200.f;
            const float dx = step % 5 == 0 ? 0.f : rnd.uniform(-span, span);
            const float dy = step % 7 == 0 ? 0.f : rnd.uniform(-span, span);
            xf.zoomPan(dx, dy, true);
            const MgBox seen = visibleWorld(xf);
            ASSERT_TRUE(MgBox(bounds).grow(tol).encloses(seen))
                << "step " << step << " shows (" << seen.xmin << ", " << seen.ymin << ", " << seen.xmax << ", "
                << seen.ymax << ")";
            // Zooming in with adjust keeps it inside too.
            if (step % 8 == 4) {
                const MgPoint at(rnd.uniform(0, static_cast<float>(xf.widthPx())),
                    rnd.uniform(0, static_cast<float>(xf.heightPx())));
                xf.zoomByFactor(rnd.uniform(0, 1), &at, true);
                ASSERT_TRUE(MgBox(bounds).grow(tol).encloses(visibleWorld(xf))) << "zoom at step " << step;
            }
        }
    }
}

TEST(GiViewTransformProperty, DisplayModelDisplayRoundTrip)
{
    for (unsigned seed = 1; seed <= 300; ++seed) {
        SCOPED_TRACE(seed);
        RandomView rnd(seed);
        GiViewTransform xf(true);
        xf.setResolution(rnd.uniform(72, 300), 0);
        xf.setClientSize(rnd.uniformInt(2, 1600), rnd.uniformInt(2, 1200));
        const float s = rnd.uniform(0.05f, 2.f);
        const float pixH = rnd.uniform(100, 4000);
        MgMatrix model = pictureToWorld(pixH, 96.f / s);
        if (seed % 3 == 0)
            model *= MgMatrix::rotationAbout(rnd.uniform(-3, 3), MgPoint(rnd.uniform(-50, 50), rnd.uniform(-50, 50)));
        ASSERT_TRUE(xf.setModelTransform(model));
        ASSERT_TRUE(xf.zoomToBox(MgBox(MgPoint(0, 0), MgPoint(pixH, pixH)) * model, nullptr, true));
        xf.zoomScale(xf.zoom() * rnd.uniform(0.5f, 4), nullptr, true);

        for (int i = 0; i < 10; ++i) {
            const MgPoint d(
                rnd.uniform(0, static_cast<float>(xf.widthPx())), rnd.uniform(0, static_cast<float>(xf.heightPx())));
            const MgPoint m = d * xf.displayToModel();
            const MgPoint back = m * xf.modelToDisplay();
            EXPECT_NEAR(back.x, d.x, 2e-3);
            EXPECT_NEAR(back.y, d.y, 2e-3);
            // The world leg agrees with the combined matrices.
            const MgPoint viaWorld = (d * xf.displayToWorld()) * xf.worldToModel();
            EXPECT_NEAR(viaWorld.x, m.x, 1e-3f * std::max(1.f, std::fabs(m.x)));
            EXPECT_NEAR(viaWorld.y, m.y, 1e-3f * std::max(1.f, std::fabs(m.y)));
        }
    }
}

} // namespace
