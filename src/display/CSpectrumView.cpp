#include "display/CSpectrumView.h"

#include <QFontMetrics>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

#include "audio/SpectrumScale.h"
#include "model/CTarnwickDoc.h"

namespace tarnwick {

namespace {

// The display area of the operating form at its usual dialog font.
constexpr int kNaturalWidth = 486;
constexpr int kNaturalHeight = 128;
// Ticks every 50 Hz up to here; labels every 500 Hz.
constexpr int kLastTickHz = 2700;

}  // namespace

CSpectrumView::CSpectrumView(CTarnwickDoc& doc, SpectrumHandOver& spectrum, TimeBase& time,
                             QWidget* parent)
    : QWidget(parent),
      doc_(doc),
      thread_(doc, spectrum, time, [this](const WaterfallThread::Line& line) { OnLine(line); }) {
    setProperty("controlId", kControlId);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    // Every pixel is painted, the background included.
    setAttribute(Qt::WA_OpaquePaintEvent);
    SettingsChanged();
}

CSpectrumView::~CSpectrumView() {
    StopDrawing();
}

void CSpectrumView::StartDrawing() {
    thread_.Start();
}

void CSpectrumView::StopDrawing() {
    thread_.StopDrawing();
}

void CSpectrumView::SettingsChanged() {
    thread_.SetSettings(DisplaySettings::FromDocument(doc_));
    filterEdges_ =
        SpectrumAxis::FirEdgesHz(doc_.FilterFreq, doc_.FilterWidth, doc_.FilterBottomWidth);
    firFilter_ = doc_.FirFilter != 0;
    update();
}

uint64_t CSpectrumView::LinesShown() const {
    return picture_.Picture().lines;
}

int CSpectrumView::ScaleHeight() const {
    return fontMetrics().height() + kTickSpace;
}

QSize CSpectrumView::sizeHint() const {
    return {kNaturalWidth, std::max(kNaturalHeight, ScaleHeight() + 1)};
}

QSize CSpectrumView::minimumSizeHint() const {
    return {SpectrumScale::kSpanHz / 50, ScaleHeight() + 1};
}

// Drawing thread.
void CSpectrumView::OnLine(const WaterfallThread::Line& line) {
    lines_.Push(line);
    if (!takePending_.exchange(true)) {
        // Qt makes and owns the queued call; the line itself travels through the queue.
        QMetaObject::invokeMethod(this, "OnLinesArrived", Qt::QueuedConnection);
    }
}

void CSpectrumView::OnLinesArrived() {
    // Cleared first: a line pushed from here on asks again.
    takePending_.store(false);
    WaterfallThread::Line line;
    while (lines_.Pop(line)) {
        picture_.AddLine(line);
    }
    update();
    emit LinesArrived();
}

void CSpectrumView::ResizePicture() {
    picture_.Resize(width(), std::max(0, height() - ScaleHeight()));
}

void CSpectrumView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    ResizePicture();
}

void CSpectrumView::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        ResizePicture();
        update();
    }
}

void CSpectrumView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!shown_) {
        shown_ = true;
        StartDrawing();
    }
}

void CSpectrumView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    const QPoint at = event->position().toPoint();
    const SpectrumScale::Hit hit =
        SpectrumScale::HitTest(at.x(), at.y(), {0, 0, width(), height()});
    if (!hit.hit) {
        QWidget::mousePressEvent(event);
        return;
    }
    event->accept();
    emit FrequencyClicked(hit.frequencyHz);
}

void CSpectrumView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    DrawScale(painter);
    DrawFilterMarks(painter);
    DrawWaterfall(painter);
}

void CSpectrumView::DrawScale(QPainter& painter) const {
    const SpectrumAxis axis = Axis();
    const int h = fontMetrics().height();
    const int bottom = ScaleHeight() - 1;
    for (int f = SpectrumScale::kLowHz + 50; f <= kLastTickHz; f += 50) {
        const int x = axis.XOf(f);
        if (x <= 0) {
            continue;
        }
        if (x >= width()) {
            break;
        }
        int top = h + 10;
        if (f % 500 == 0) {
            top = h;
            painter.setPen(QColor(kLabelColour));
            painter.drawText(QRect(x - 50, 0, 100, h), Qt::AlignHCenter | Qt::AlignBottom,
                             QString::number(f));
        } else if (f % 100 == 0) {
            top = h + 5;
        }
        painter.setPen(QColor(kTickColour));
        painter.drawLine(x, top, x, bottom);
    }
}

void CSpectrumView::DrawFilterMarks(QPainter& painter) const {
    const SpectrumAxis axis = Axis();
    const int top = fontMetrics().height() + kMarkTop;
    const int bottom = ScaleHeight() - 1;
    const int stopLow = axis.XOf(filterEdges_.stopLow);
    const int passLow = axis.XOf(filterEdges_.passLow);
    const int passHigh = axis.XOf(filterEdges_.passHigh);
    const int stopHigh = axis.XOf(filterEdges_.stopHigh);
    painter.setPen(QColor(firFilter_ ? kFilterOnColour : kFilterOffColour));
    // The slopes start a row below the pass band, so its row shows the pass band alone.
    painter.drawLine(passLow, top, passHigh, top);
    painter.drawLine(stopLow, bottom, passLow, top + 1);
    painter.drawLine(passHigh, top + 1, stopHigh, bottom);
}

void CSpectrumView::DrawWaterfall(QPainter& painter) const {
    const WaterfallPicture::View view = picture_.Picture();
    if (view.width == 0 || view.rows == 0) {
        return;
    }
    // The picture's own memory, not copied.
    const QImage image(reinterpret_cast<const uchar*>(view.pixels), view.width, view.rows,
                       static_cast<qsizetype>(view.width) * 4, QImage::Format_RGB32);
    const int scaleHeight = ScaleHeight();
    const int newer = view.rows - view.top;
    painter.drawImage(QPoint(0, scaleHeight), image, QRect(0, view.top, view.width, newer));
    if (view.top > 0) {
        painter.drawImage(QPoint(0, scaleHeight + newer), image, QRect(0, 0, view.width, view.top));
    }
}

}  // namespace tarnwick
