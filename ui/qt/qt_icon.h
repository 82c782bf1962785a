#pragma once
// Icon images for Qt.

#include "ui/icon_file.h"

#include <QIcon>
#include <QImage>

namespace kw {

QImage toQImage(const IconImage& image);
// The image an icon file gives (see iconImageFromFile); a null icon when none.
QIcon iconFromFile(const Bytes& file);

} // namespace kw
