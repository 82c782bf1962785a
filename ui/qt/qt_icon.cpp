#include "ui/qt/qt_icon.h"

#include <QPixmap>

namespace kw {

QImage toQImage(const IconImage& image)
{
    QImage converted(image.width, image.height, QImage::Format_ARGB32);
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x)
            converted.setPixel(x, y, image.at(x, y));
    }
    return converted;
}

QIcon iconFromFile(const Bytes& file)
{
    const auto image = iconImageFromFile(file);
    return image ? QIcon(QPixmap::fromImage(toQImage(*image))) : QIcon();
}

} // namespace kw
