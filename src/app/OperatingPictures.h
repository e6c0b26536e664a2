#pragma once

#include <QIcon>
#include <QRectF>

class QPainter;

namespace tarnwick {

// The pictures of the CW indicator and of the two-radio switch, drawn as shapes and text so
// that they stay crisp at any size and on any screen.
enum class Picture {
    CwIdle,             // green "CW" over a green lamp
    CwTransmitting,     // red "CW" over a red lamp
    PhoneIdle,          // an unlit lamp, no text
    PhoneTransmitting,  // red "SSB" over a red lamp
    RadioA,             // blue "A" on cyan
    RadioB,             // dark red "B" on yellow
};

// The picture's name ("CwIdle", "RadioB", ...), as the control's "picture" property says
// which one it shows.
const char* PictureName(Picture picture);

// Paints the picture into `rect`, keeping it square and centred.
void PaintPicture(QPainter& painter, const QRectF& rect, Picture picture);

// An icon that paints the picture at whatever size and pixel ratio it is asked for.
QIcon PictureIcon(Picture picture);

}  // namespace tarnwick
