#pragma once
// The program's icon: one icon file with a single 32 x 32 image, 32 bits per
// pixel with its mask, showing a glossy blue paw print (four toes above a
// pad) on a transparent background. It is the tray icon and the icon of
// both windows.

#include "text/text.h"

namespace kw {

// 4286 bytes: the 6-byte file header, one 16-byte directory entry, the
// 40-byte bitmap header, 4096 bytes of colour image and the 128-byte mask.
extern const Bytes ProgramIcon;

} // namespace kw
