#include "ui/qt/widgets.h"

#include <QByteArray>
#include <QImage>
#include <QResource>

#ifdef KAVREL_FONTCONFIG
#include <fontconfig/fontconfig.h>
#endif

namespace kavrel {
namespace {

// Without this, Qt looks "Arial" up in its own font list, misses, and sorts
// every installed font by fontconfig's rules once per script to find the
// same stand-in: the longest font step before the first paint.
QString FindArialFamily() {
    QString family = QStringLiteral("Arial");
#ifdef KAVREL_FONTCONFIG
    FcPattern* pattern = FcPatternCreate();
    if (pattern == nullptr) return family;
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>("Arial"));
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    if (FcPattern* match = FcFontMatch(nullptr, pattern, &result)) {
        FcChar8* name = nullptr;
        if (FcPatternGetString(match, FC_FAMILY, 0, &name) == FcResultMatch && name != nullptr && *name != 0)
            family = QString::fromUtf8(reinterpret_cast<const char*>(name));
        FcPatternDestroy(match);
    }
    FcPatternDestroy(pattern);
#endif
    return family;
}

constexpr int IconSide = 32;

}  // namespace

QString ArialFamily() {
    static const QString family = FindArialFamily();
    return family;
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

}  // namespace kavrel
