// A colour as four 8-bit channels: red, green, blue, alpha (straight, not premultiplied).
//
// All four bytes zero is the null colour: "no line" as a line colour, "no fill" as a fill
// colour. Any non-zero byte, alpha alone included, makes it a colour. The default is opaque
// black (0, 0, 0, 255).
//
// Packed form (storage keys "lineColor" and "fillColor"): one 32-bit integer
//     red + green * 2^8 + blue * 2^16 + alpha * 2^24.
#pragma once

#include <cstdint>

struct GiRgba {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;
    std::uint8_t a = 255;

    constexpr GiRgba() noexcept = default;
    constexpr GiRgba(std::uint8_t red, std::uint8_t green, std::uint8_t blue, std::uint8_t alpha = 255) noexcept
        : r(red)
        , g(green)
        , b(blue)
        , a(alpha)
    {
    }

    /// The null colour (0, 0, 0, 0).
    [[nodiscard]] static constexpr GiRgba none() noexcept { return { 0, 0, 0, 0 }; }
    [[nodiscard]] static constexpr GiRgba black() noexcept { return { 0, 0, 0, 255 }; }
    [[nodiscard]] static constexpr GiRgba white() noexcept { return { 255, 255, 255, 255 }; }

    /// Unpacks red + green*2^8 + blue*2^16 + alpha*2^24.
    [[nodiscard]] static constexpr GiRgba fromInt(std::uint32_t v) noexcept
    {
        return { static_cast<std::uint8_t>(v & 0xFF), static_cast<std::uint8_t>((v >> 8) & 0xFF),
            static_cast<std::uint8_t>((v >> 16) & 0xFF), static_cast<std::uint8_t>((v >> 24) & 0xFF) };
    }
    /// Packs as red + green*2^8 + blue*2^16 + alpha*2^24.
    [[nodiscard]] constexpr std::uint32_t toInt() const noexcept
    {
        return static_cast<std::uint32_t>(r) | (static_cast<std::uint32_t>(g) << 8)
            | (static_cast<std::uint32_t>(b) << 16) | (static_cast<std::uint32_t>(a) << 24);
    }

    /// True when all four bytes are zero.
    [[nodiscard]] constexpr bool isNull() const noexcept { return (r | g | b | a) == 0; }

    /// The same colour with another alpha.
    [[nodiscard]] constexpr GiRgba withAlpha(std::uint8_t alpha) const noexcept { return { r, g, b, alpha }; }

    /// All four bytes equal.
    [[nodiscard]] constexpr bool operator==(const GiRgba&) const noexcept = default;
};
