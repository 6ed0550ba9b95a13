// Drawing attributes: line style, line width, line colour and fill colour.
//
// A plain value copied freely. Every shape keeps one, a shape collection keeps the default
// given to new shapes, and each drawing call of GiGraphics and of the canvas receives one.
#pragma once

#include "graph/girgba.h"

#include <cstdint>

/// Pen styles, drawn by the canvas.
enum GiLineStyle : std::int32_t {
    kGiLineSolid = 0,
    kGiLineDash = 1,
    kGiLineDot = 2,
    kGiLineDashDot = 3,
    kGiLineDashDotDot = 4,
    kGiLineNull = 5, ///< no line
};

class GiContext {
public:
    /// Solid, width 0, opaque black line, no fill.
    constexpr GiContext() noexcept = default;
    /// lineWidth: > 0 hundredths of a millimetre, < 0 pixels, 0 the thinnest pen (see GiGraphics::penWidthPx).
    constexpr GiContext(std::int32_t lineStyle, float lineWidth, GiRgba lineColor, GiRgba fillColor) noexcept
        : m_lineStyle(lineStyle)
        , m_lineWidth(lineWidth)
        , m_lineColor(lineColor)
        , m_fillColor(fillColor)
    {
    }

    /// The effective style: kGiLineNull (5) when the line colour is null, else the stored style.
    /// The stored style is kept, so giving the line a colour again brings it back.
    [[nodiscard]] constexpr std::int32_t lineStyle() const noexcept
    {
        return m_lineColor.isNull() ? std::int32_t(kGiLineNull) : m_lineStyle;
    }
    /// The style as stored, whatever the line colour.
    [[nodiscard]] constexpr std::int32_t storedLineStyle() const noexcept { return m_lineStyle; }
    constexpr void setLineStyle(std::int32_t style) noexcept { m_lineStyle = style; }

    [[nodiscard]] constexpr float lineWidth() const noexcept { return m_lineWidth; }
    constexpr void setLineWidth(float width) noexcept { m_lineWidth = width; }

    [[nodiscard]] constexpr GiRgba lineColor() const noexcept { return m_lineColor; }
    constexpr void setLineColor(GiRgba color) noexcept { m_lineColor = color; }
    [[nodiscard]] constexpr std::uint8_t lineAlpha() const noexcept { return m_lineColor.a; }
    constexpr void setLineAlpha(std::uint8_t alpha) noexcept { m_lineColor.a = alpha; }

    [[nodiscard]] constexpr GiRgba fillColor() const noexcept { return m_fillColor; }
    constexpr void setFillColor(GiRgba color) noexcept { m_fillColor = color; }
    [[nodiscard]] constexpr std::uint8_t fillAlpha() const noexcept { return m_fillColor.a; }
    constexpr void setFillAlpha(std::uint8_t alpha) noexcept { m_fillColor.a = alpha; }

    /// True when the stored style is kGiLineNull or the line colour is null.
    [[nodiscard]] constexpr bool isNullLine() const noexcept
    {
        return m_lineStyle == kGiLineNull || m_lineColor.isNull();
    }
    /// True when the fill colour is not null.
    [[nodiscard]] constexpr bool hasFillColor() const noexcept { return !m_fillColor.isNull(); }

    /// Stored style, width (exact float comparison) and all bytes of both colours equal.
    [[nodiscard]] constexpr bool operator==(const GiContext& c) const noexcept
    {
        return m_lineStyle == c.m_lineStyle && m_lineWidth == c.m_lineWidth && m_lineColor == c.m_lineColor
            && m_fillColor == c.m_fillColor;
    }

private:
    std::int32_t m_lineStyle = kGiLineSolid;
    float m_lineWidth = 0;
    GiRgba m_lineColor = GiRgba::black();
    GiRgba m_fillColor = GiRgba::none();
};
