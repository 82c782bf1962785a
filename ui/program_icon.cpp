#include "ui/program_icon.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>

namespace kw {

namespace {

constexpr int Side = 32;
constexpr int Supersampling = 4;

struct Ellipse {
    double cx, cy, rx, ry;
};

// The pad, then the four toes from left to right; pixel centres are at
// half-integer coordinates.
constexpr std::array<Ellipse, 5> pawShapes{{
    {16.0, 21.5, 8.5, 7.0},
    {6.0, 12.5, 3.2, 4.0},
    {11.8, 6.8, 3.3, 4.2},
    {20.2, 6.8, 3.3, 4.2},
    {26.0, 12.5, 3.2, 4.0},
}};

struct Colour {
    double r, g, b;
};

Colour mix(Colour a, Colour b, double t)
{
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

// The colour at (u, v), the point's place in its shape's own unit circle:
// light blue at the top to deep blue at the bottom, a darker rim, and a
// white gloss spot up and to the left.
Colour glossyBlue(double u, double v)
{
    const Colour light{0x6f, 0xb4, 0xff};
    const Colour deep{0x0b, 0x3d, 0xa8};
    const Colour white{0xff, 0xff, 0xff};
    Colour colour = mix(light, deep, std::clamp((v + 1.0) / 2.0, 0.0, 1.0));
    const double r2 = u * u + v * v;
    if (r2 > 0.75) {
        const double rim = 1.0 - 0.35 * std::min(1.0, (r2 - 0.75) / 0.25);
        colour = {colour.r * rim, colour.g * rim, colour.b * rim};
    }
    const double du = (u + 0.25) / 0.55;
    const double dv = (v + 0.45) / 0.35;
    const double gloss = 1.0 - du * du - dv * dv;
    if (gloss > 0.0)
        colour = mix(colour, white, 0.75 * std::min(1.0, gloss * 1.5));
    return colour;
}

void putU16(std::string& out, std::uint32_t value)
{
    out.push_back(static_cast<char>(value & 0xff));
    out.push_back(static_cast<char>(value >> 8 & 0xff));
}

void putU32(std::string& out, std::uint32_t value)
{
    putU16(out, value & 0xffff);
    putU16(out, value >> 16);
}

// Straight (not premultiplied) BGRA of one pixel, from 4 x 4 samples.
std::array<unsigned char, 4> pixelAt(int x, int y)
{
    double r = 0, g = 0, b = 0;
    int covered = 0;
    for (int sy = 0; sy < Supersampling; ++sy) {
        for (int sx = 0; sx < Supersampling; ++sx) {
            const double px = x + (sx + 0.5) / Supersampling;
            const double py = y + (sy + 0.5) / Supersampling;
            for (const Ellipse& shape : pawShapes) {
                const double u = (px - shape.cx) / shape.rx;
                const double v = (py - shape.cy) / shape.ry;
                if (u * u + v * v <= 1.0) {
                    const Colour c = glossyBlue(u, v);
                    r += c.r;
                    g += c.g;
                    b += c.b;
                    ++covered;
                    break;
                }
            }
        }
    }
    if (covered == 0)
        return {0, 0, 0, 0};
    auto channel = [&](double sum) { return static_cast<unsigned char>(std::clamp(sum / covered, 0.0, 255.0)); };
    const int alpha = covered * 255 / (Supersampling * Supersampling);
    return {channel(b), channel(g), channel(r), static_cast<unsigned char>(alpha)};
}

Bytes makeProgramIcon()
{
    constexpr std::uint32_t colourBytes = Side * Side * 4;
    constexpr std::uint32_t maskBytes = Side * 4;
    constexpr std::uint32_t bitmapHeader = 40;
    constexpr std::uint32_t imageOffset = 6 + 16;

    std::string out;
    putU16(out, 0); // reserved
    putU16(out, 1); // an icon
    putU16(out, 1); // one image
    out.push_back(static_cast<char>(Side));
    out.push_back(static_cast<char>(Side));
    out.push_back(0); // colour count: none for 32 bits per pixel
    out.push_back(0);
    putU16(out, 1);  // planes
    putU16(out, 32); // bits per pixel
    putU32(out, bitmapHeader + colourBytes + maskBytes);
    putU32(out, imageOffset);

    putU32(out, bitmapHeader);
    putU32(out, Side);
    putU32(out, Side * 2); // colour image and mask
    putU16(out, 1);
    putU16(out, 32);
    putU32(out, 0); // no compression
    putU32(out, colourBytes + maskBytes);
    for (int i = 0; i < 4; ++i)
        putU32(out, 0); // resolution and palette: unused

    std::array<std::array<std::uint32_t, Side>, Side> alpha{};
    for (int row = Side - 1; row >= 0; --row) { // bottom row first
        for (int x = 0; x < Side; ++x) {
            const auto bgra = pixelAt(x, row);
            out.append(reinterpret_cast<const char*>(bgra.data()), bgra.size());
            alpha[static_cast<std::size_t>(row)][static_cast<std::size_t>(x)] = bgra[3];
        }
    }
    for (int row = Side - 1; row >= 0; --row) {
        std::uint32_t bits = 0; // leftmost pixel in the highest bit; 1 = transparent
        for (int x = 0; x < Side; ++x) {
            if (alpha[static_cast<std::size_t>(row)][static_cast<std::size_t>(x)] == 0)
                bits |= 1u << (31 - x);
        }
        for (int shift = 24; shift >= 0; shift -= 8)
            out.push_back(static_cast<char>(bits >> shift & 0xff));
    }
    return Bytes(std::move(out));
}

} // namespace

const Bytes ProgramIcon = makeProgramIcon();

} // namespace kw
