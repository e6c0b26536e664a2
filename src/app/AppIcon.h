#pragma once

#include <QIcon>
#include <QString>

namespace tarnwick {

// An icon drawn from an SVG picture of the program's resources at its own size and at the
// larger sizes window systems and high-resolution screens ask for.
QIcon SvgIcon(const QString& resource);

// The program's icon.
QIcon AppIcon();

}  // namespace tarnwick
