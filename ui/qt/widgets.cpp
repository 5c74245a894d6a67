#include "ui/qt/widgets.h"

#include <cmath>

namespace kavrel {
namespace {

// Relative luminance and contrast as the accessibility guidelines for the
// web define them; 4.5 is their least contrast for body text.
double Luminance(const QColor& colour) {
    const auto channel = [](double c) { return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4); };
    return 0.2126 * channel(colour.redF()) + 0.7152 * channel(colour.greenF()) + 0.0722 * channel(colour.blueF());
}

constexpr double LeastContrast = 4.5;

}  // namespace

QColor InkOnWhite(const QPalette& palette, QPalette::ColorRole role) {
    const QColor ink = palette.color(role);
    const double contrast = 1.05 / (Luminance(ink) + 0.05);
    return contrast >= LeastContrast ? ink : QColor(Qt::black);
}

}  // namespace kavrel
