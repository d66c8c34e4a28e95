#include "mainwindow/Canvas.h"

#include <QFrame>
#include <QPainter>
#include <QPainterPath>
#include <QResizeEvent>
#include <algorithm>
#include <cmath>
#include <numbers>

namespace vondrel {

QColor ToQColor(uint32_t bgr) {
    return QColor(static_cast<int>(bgr & 255), static_cast<int>((bgr >> 8) & 255),
                  static_cast<int>((bgr >> 16) & 255));
}

Canvas::Canvas(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    EnsureImage();
}

void Canvas::EnsureImage() const {
    QSize s = size().expandedTo(QSize(1, 1));
    if (image_.size() == s) return;
    QImage next(s, QImage::Format_RGB32);
    next.fill(ToQColor(back_));
    if (!image_.isNull()) {
        QPainter p(&next);
        p.drawImage(0, 0, image_);
    }
    image_ = std::move(next);
}

void Canvas::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    EnsureImage();
}

void Canvas::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.drawImage(0, 0, image_);
}

void Canvas::Scale(double x1, double y1, double x2, double y2) {
    x1_ = x1;
    y1_ = y1;
    x2_ = x2;
    y2_ = y2;
    pixelScale_ = false;
}

void Canvas::ScalePixels() { pixelScale_ = true; }

void Canvas::SetBackColor(uint32_t bgr) {
    back_ = bgr;
    Cls();
}

void Canvas::SetBorderStyle(int style) {
    // The surface has no frame of its own; a fixed border is drawn by the
    // caller's shapes. Kept so layouts can state the style they want.
    (void)style;
}

void Canvas::Cls() {
    EnsureImage();
    image_.fill(ToQColor(back_));
    update();
}

QPointF Canvas::ToPixel(double x, double y) const {
    EnsureImage();
    if (pixelScale_) return {x, y};
    double w = ScaleWidth(), h = ScaleHeight();
    double px = w == 0 ? 0 : (x - x1_) / w * image_.width();
    double py = h == 0 ? 0 : (y - y1_) / h * image_.height();
    return {px, py};
}

QPointF Canvas::FromPixel(double px, double py) const {
    EnsureImage();
    if (pixelScale_) return {px, py};
    const double iw = image_.width(), ih = image_.height();
    return {iw == 0 ? x1_ : x1_ + px / iw * ScaleWidth(), ih == 0 ? y1_ : y1_ + py / ih * ScaleHeight()};
}

QPen Canvas::PenOf(uint32_t bgr) const {
    QPen pen(ToQColor(bgr));
    pen.setWidth(drawWidth_);
    pen.setCapStyle(Qt::SquareCap);
    return pen;
}

void Canvas::Line(double x1, double y1, double x2, double y2, uint32_t bgr) {
    EnsureImage();
    QPainter p(&image_);
    p.setPen(PenOf(bgr));
    p.drawLine(ToPixel(x1, y1), ToPixel(x2, y2));
    update();
}

void Canvas::Polyline(const QPointF* points, size_t count, uint32_t bgr) {
    const PolylineRef line{points, count, bgr};
    Polylines(&line, 1);
}

void Canvas::Polylines(const PolylineRef* lines, size_t lineCount) {
    EnsureImage();
    // ToPixel as one affine map, worked out once.
    const QPointF origin = ToPixel(0, 0), unit = ToPixel(1, 1);
    const double sx = unit.x() - origin.x(), sy = unit.y() - origin.y();
    auto toPixel = [&](const QPointF& q) { return QPointF(origin.x() + q.x() * sx, origin.y() + q.y() * sy); };
    QPainter p(&image_);
    QPolygonF pixels;
    for (size_t n = 0; n < lineCount; ++n) {
        const QPointF* points = lines[n].points;
        const size_t count = lines[n].count;
        if (count < 2) continue;
        // Points that fall in one pixel column are drawn as the column's
        // first, lowest, highest and last point: the column covers the rows
        // of every segment between them (a pixel may move to the next column
        // where a step crosses the column's edge), at a fraction of the work
        // when a trace holds many points per pixel, and a step narrower than
        // a pixel is drawn to its full depth.
        pixels.clear();
        size_t i = 0;
        while (i < count) {
            QPointF first = toPixel(points[i]);
            const double column = std::floor(first.x());
            QPointF low = first, high = first, last = first;
            size_t lowAt = i, highAt = i;
            size_t j = i + 1;
            for (; j < count; ++j) {
                const QPointF q = toPixel(points[j]);
                if (std::floor(q.x()) != column) break;
                if (q.y() < low.y()) low = q, lowAt = j;
                if (q.y() > high.y()) high = q, highAt = j;
                last = q;
            }
            // The column's points stand on its centre, so its span is one
            // straight vertical stroke however thin the steps within it.
            first.setX(column + 0.5), low.setX(column + 0.5), high.setX(column + 0.5), last.setX(column + 0.5);
            pixels.append(first);
            if (lowAt <= highAt) {
                if (lowAt != i) pixels.append(low);
                if (highAt != i && highAt != j - 1) pixels.append(high);
            } else {
                if (highAt != i) pixels.append(high);
                if (lowAt != j - 1) pixels.append(low);
            }
            if (j - 1 != i) pixels.append(last);
            i = j;
        }
        if (pixels.size() == 1) pixels.append(pixels.front());
        p.setPen(PenOf(lines[n].bgr));
        p.drawPolyline(pixels);
    }
    update();
}

void Canvas::Box(double x1, double y1, double x2, double y2, uint32_t bgr) {
    EnsureImage();
    QPainter p(&image_);
    p.setPen(PenOf(bgr));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(ToPixel(x1, y1), ToPixel(x2, y2)).normalized());
    update();
}

void Canvas::FilledBox(double x1, double y1, double x2, double y2, uint32_t bgr) {
    EnsureImage();
    QPainter p(&image_);
    QRectF r = QRectF(ToPixel(x1, y1), ToPixel(x2, y2)).normalized();
    // The filled box covers both corner pixels, as the toolkit's "BF" box does.
    QRect pixels(QPoint(static_cast<int>(std::floor(r.left())), static_cast<int>(std::floor(r.top()))),
                 QPoint(static_cast<int>(std::floor(r.right())), static_cast<int>(std::floor(r.bottom()))));
    p.fillRect(pixels, ToQColor(bgr));
    update();
}

void Canvas::Arc(double cx, double cy, double r, double startRad, double endRad, uint32_t bgr) {
    EnsureImage();
    QPainter p(&image_);
    p.setPen(PenOf(bgr));
    QPointF c = ToPixel(cx, cy);
    double rx = std::abs(ToPixel(cx + r, cy).x() - c.x());
    double ry = pixelScale_ ? rx : std::abs(ToPixel(cx, cy + r * std::abs(ScaleHeight() / ScaleWidth())).y() - c.y());
    if (endRad < startRad) endRad += 2 * std::numbers::pi;
    // Qt counts degrees counter-clockwise from 3 o'clock in 1/16ths, on screen.
    int start16 = static_cast<int>(std::lround(startRad * 180.0 / std::numbers::pi * 16));
    int span16 = static_cast<int>(std::lround((endRad - startRad) * 180.0 / std::numbers::pi * 16));
    p.drawArc(QRectF(c.x() - rx, c.y() - ry, 2 * rx, 2 * ry), start16, span16);
    update();
}

void Canvas::Circle(double cx, double cy, double r, uint32_t bgr) { Arc(cx, cy, r, 0, 2 * std::numbers::pi, bgr); }

void Canvas::PSet(double x, double y, uint32_t bgr) {
    QPointF pt = ToPixel(x, y);
    int px = static_cast<int>(std::floor(pt.x())), py = static_cast<int>(std::floor(pt.y()));
    if (image_.rect().contains(px, py)) image_.setPixelColor(px, py, ToQColor(bgr));
    update();
}

QRectF Canvas::Print(double x, double y, const std::string& text) { return PrintText(x, y, text, true); }

QRectF Canvas::PrintSolid(double x, double y, const std::string& text) { return PrintText(x, y, text, false); }

QRectF Canvas::PrintText(double x, double y, const std::string& text, bool smooth) {
    EnsureImage();
    QPainter p(&image_);
    QFont f = font();
    if (!smooth) {
        f.setStyleStrategy(QFont::NoAntialias);
        p.setRenderHint(QPainter::TextAntialiasing, false);
    }
    p.setPen(ToQColor(text_));
    p.setFont(f);
    const QFontMetricsF metrics(f);
    const QString s = QString::fromStdString(text);
    const QPointF pt = ToPixel(x, y);
    p.drawText(QPointF(pt.x(), pt.y() + metrics.ascent()), s);
    update();
    return QRectF(pt.x(), pt.y(), metrics.horizontalAdvance(s), metrics.height());
}

uint32_t Canvas::PixelAt(int x, int y) const {
    EnsureImage();
    if (!image_.rect().contains(x, y)) return 0;
    QColor c = image_.pixelColor(x, y);
    return Rgb(c.red(), c.green(), c.blue());
}

bool Canvas::SaveBmp(const std::string& path) const {
    EnsureImage();
    return image_.save(QString::fromStdString(path), "BMP");
}

}  // namespace vondrel
