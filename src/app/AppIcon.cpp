#include "app/AppIcon.h"

#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

namespace tarnwick {

QIcon SvgIcon(const QString& resource) {
    QSvgRenderer renderer(resource);
    QIcon icon;
    if (!renderer.isValid()) {
        return icon;
    }
    const QSize natural = renderer.defaultSize();
    for (const int scale : {1, 2, 3, 4}) {
        QPixmap pixmap(natural * scale);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        renderer.render(&painter);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

QIcon AppIcon() {
    return SvgIcon(QStringLiteral(":/data/tarnwick.svg"));
}

}  // namespace tarnwick
