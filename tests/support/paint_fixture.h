// A GoogleTest fixture that paints through the recording canvas.
//
// The view transform has a client area of W x H display pixels at 96 dpi, y up, with model
// coordinates equal to world millimetres; the graphics object draws through it onto the
// recording canvas. Every test runs inside a paint of the whole client area (so clipBoxModel()
// spans the client area grown by 10 pixels) and starts with an empty canvas log.
#pragma once

#include "graph/gigraphics.h"
#include "graph/giviewtransform.h"
#include "support/recording_canvas.h"

#include <gtest/gtest.h>

template <int W, int H> class RecordingPaintTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        xf.setClientSize(W, H);
        ASSERT_TRUE(canvas.beginPaint());
        canvas.clear();
    }
    void TearDown() override { canvas.endPaint(); }

    GiViewTransform xf;
    GiGraphics gs { &xf };
    RecordingCanvas canvas { &gs };
};
