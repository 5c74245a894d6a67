#include "ui/qt/widgets.h"

#include <QByteArray>
#include <QFontDatabase>
#include <QImage>
#include <QResource>

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
constexpr int IconSide = 32;

}  // namespace

const QStringList& ArialFamilies() {
    static const QStringList families = [] {
        for (const QString& name : {QStringLiteral("Arial"), QStringLiteral("Liberation Sans"), QStringLiteral("Arimo")})
            if (QFontDatabase::hasFamily(name)) return QStringList{name};
        return QStringList{QStringLiteral("Arial")};  // Qt's own substitute then
    }();
    return families;
}

QPixmap ProgramPicture() {
    const QByteArray pixels = QResource(QStringLiteral(":/kavrel/kavrel.rgb")).uncompressedData();
    if (pixels.size() != IconSide * IconSide * 3) return QPixmap();
    const QImage image(reinterpret_cast<const uchar*>(pixels.constData()), IconSide, IconSide, IconSide * 3,
                       QImage::Format_RGB888);
    // The pixmap holds a copy in the screen's format: the image only borrows the bytes.
    return QPixmap::fromImage(image);
}

QIcon Style::standardIcon(StandardPixmap icon, const QStyleOption* option, const QWidget* widget) const {
    if (icon == SP_ToolBarHorizontalExtensionButton) return QIcon();
    return QProxyStyle::standardIcon(icon, option, widget);
}

QColor InkOnWhite(const QPalette& palette, QPalette::ColorRole role) {
    const QColor ink = palette.color(role);
    const double contrast = 1.05 / (Luminance(ink) + 0.05);
    return contrast >= LeastContrast ? ink : QColor(Qt::black);
}

}  // namespace kavrel
