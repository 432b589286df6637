#pragma once

#include <QIcon>

namespace vireo {

// The program icon, built into the program from its PNG sizes (16 to 256 pixels).
QIcon AppIcon();

// The pixel sizes the program icon comes in.
inline constexpr int kAppIconSizes[] = {16, 32, 48, 64, 128, 256};

} // namespace vireo
