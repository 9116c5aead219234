#include "core/views/Contrast.h"

#include <cmath>

namespace romshelf {

namespace {

double channel(std::uint32_t rgb, int shift) {
    const double c = static_cast<double>((rgb >> shift) & 0xFF) / 255.0;
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

// `colour` moved the fraction `t` of the way to `target`, channel by channel.
std::uint32_t mix(std::uint32_t colour, std::uint32_t target, double t) {
    std::uint32_t out = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
        const double from = static_cast<double>((colour >> shift) & 0xFF);
        const double to = static_cast<double>((target >> shift) & 0xFF);
        const auto c = static_cast<std::uint32_t>(std::lround(from + (to - from) * t));
        out |= (c & 0xFF) << shift;
    }
    return out;
}

}  // namespace

double relativeLuminance(std::uint32_t rgb) {
    return 0.2126 * channel(rgb, 16) + 0.7152 * channel(rgb, 8) + 0.0722 * channel(rgb, 0);
}

double contrastRatio(std::uint32_t a, std::uint32_t b) {
    const double la = relativeLuminance(a), lb = relativeLuminance(b);
    const double lighter = la > lb ? la : lb, darker = la > lb ? lb : la;
    return (lighter + 0.05) / (darker + 0.05);
}

std::uint32_t readableOn(std::uint32_t colour, std::uint32_t background, double minimum) {
    colour &= 0xFFFFFF;
    background &= 0xFFFFFF;
    if (contrastRatio(colour, background) >= minimum) return colour;
    constexpr std::uint32_t kWhite = 0xFFFFFF, kBlack = 0x000000;
    const std::uint32_t target =
        contrastRatio(kWhite, background) >= contrastRatio(kBlack, background) ? kWhite : kBlack;
    if (contrastRatio(target, background) < minimum) return target;
    // On the way to the target the contrast falls until the background's luminance is passed and
    // only grows after it, so "reads" turns true once: the least step that reads is found by
    // halving.
    double low = 0.0, high = 1.0;
    for (int i = 0; i < 20; ++i) {
        const double t = (low + high) / 2;
        if (contrastRatio(mix(colour, target, t), background) >= minimum)
            high = t;
        else
            low = t;
    }
    return mix(colour, target, high);
}

}  // namespace romshelf
