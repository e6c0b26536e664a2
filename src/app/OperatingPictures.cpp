#include "app/OperatingPictures.h"

#include <QFont>
#include <QIconEngine>
#include <QPainter>
#include <QPixmap>
#include <QRadialGradient>
#include <algorithm>

namespace tarnwick {
namespace {

// The pictures are laid out on a 32 x 32 grid, the size of the keyer's icons.
constexpr qreal kGrid = 32.0;

struct Lamp {
    QColor light;  // the middle of the glass
    QColor dark;   // its rim
};

void PaintLamp(QPainter& p, const Lamp& lamp, qreal centreY) {
    const QPointF centre(kGrid / 2, centreY);
    constexpr qreal kRadius = 7.0;
    QRadialGradient glow(centre - QPointF(2, 2), kRadius * 1.4);
    glow.setColorAt(0.0, lamp.light);
    glow.setColorAt(1.0, lamp.dark);
    p.setBrush(glow);
    p.setPen(QPen(QColor(40, 40, 40), 1.0));
    p.drawEllipse(centre, kRadius, kRadius);
}

void PaintLabel(QPainter& p, const QString& text, const QColor& colour, const QRectF& box,
                qreal pixelSize) {
    QFont font = p.font();
    font.setBold(true);
    // In the grid's units: the painter's scale makes it any size.
    font.setPixelSize(qRound(pixelSize));
    p.setFont(font);
    p.setPen(colour);
    p.drawText(box, Qt::AlignCenter, text);
}

void PaintOnGrid(QPainter& p, Picture picture) {
    const Lamp red{QColor(255, 120, 100), QColor(200, 0, 0)};
    const Lamp green{QColor(140, 255, 140), QColor(0, 150, 0)};
    const Lamp unlit{QColor(200, 200, 200), QColor(110, 110, 110)};
    const QRectF top(0, 0, kGrid, 14);
    switch (picture) {
        case Picture::CwIdle:
            PaintLabel(p, QStringLiteral("CW"), QColor(0, 150, 0), top, 12);
            PaintLamp(p, green, 23);
            break;
        case Picture::CwTransmitting:
            PaintLabel(p, QStringLiteral("CW"), QColor(210, 0, 0), top, 12);
            PaintLamp(p, red, 23);
            break;
        case Picture::PhoneIdle:
            PaintLamp(p, unlit, 23);
            break;
        case Picture::PhoneTransmitting:
            PaintLabel(p, QStringLiteral("SSB"), QColor(210, 0, 0), top, 11);
            PaintLamp(p, red, 23);
            break;
        case Picture::RadioA:
        case Picture::RadioB: {
            const bool a = picture == Picture::RadioA;
            p.setPen(QPen(QColor(60, 60, 60), 1.0));
            p.setBrush(a ? QColor(0, 255, 255) : QColor(255, 255, 0));
            p.drawRoundedRect(QRectF(1.5, 1.5, kGrid - 3, kGrid - 3), 3, 3);
            PaintLabel(p, a ? QStringLiteral("A") : QStringLiteral("B"),
                       a ? QColor(0, 0, 255) : QColor(128, 0, 0), QRectF(0, 0, kGrid, kGrid), 22);
            break;
        }
    }
}

class PictureEngine : public QIconEngine {
public:
    explicit PictureEngine(Picture picture) : picture_(picture) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override {
        painter->save();
        if (mode == QIcon::Disabled) {
            painter->setOpacity(0.45);
        }
        PaintPicture(*painter, rect, picture_);
        painter->restore();
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return scaledPixmap(size, mode, state, 1.0);
    }

    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state,
                         qreal scale) override {
        QPixmap pixmap(size * scale);
        pixmap.fill(Qt::transparent);
        {
            QPainter painter(&pixmap);
            painter.setRenderHint(QPainter::Antialiasing);
            painter.setRenderHint(QPainter::TextAntialiasing);
            paint(&painter, QRect(QPoint(0, 0), size * scale), mode, state);
        }
        pixmap.setDevicePixelRatio(scale);
        return pixmap;
    }

    QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override { return size; }
    QIconEngine* clone() const override { return new PictureEngine(picture_); }
    QString key() const override { return QStringLiteral("tarnwick-picture"); }

private:
    Picture picture_;
};

}  // namespace

const char* PictureName(Picture picture) {
    switch (picture) {
        case Picture::CwIdle:
            return "CwIdle";
        case Picture::CwTransmitting:
            return "CwTransmitting";
        case Picture::PhoneIdle:
            return "PhoneIdle";
        case Picture::PhoneTransmitting:
            return "PhoneTransmitting";
        case Picture::RadioA:
            return "RadioA";
        case Picture::RadioB:
            return "RadioB";
    }
    return "";
}

void PaintPicture(QPainter& painter, const QRectF& rect, Picture picture) {
    const qreal side = std::min(rect.width(), rect.height());
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(rect.center().x() - side / 2, rect.center().y() - side / 2);
    painter.scale(side / kGrid, side / kGrid);
    PaintOnGrid(painter, picture);
    painter.restore();
}

QIcon PictureIcon(Picture picture) {
    return QIcon(new PictureEngine(picture));
}

}  // namespace tarnwick
