#include "mainwindow/Shape.h"

#include <QPainter>

#include "mainwindow/Canvas.h"

namespace vondrel {

Shape::Shape(QWidget* parent, std::optional<uint32_t> fillBgr) : QFrame(parent), fill_(fillBgr) {
    // A shape never takes the mouse: clicks reach what lies under it.
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void Shape::SetFill(std::optional<uint32_t> fillBgr) {
    fill_ = fillBgr;
    update();
}

void Shape::paintEvent(QPaintEvent*) {
    QPainter p(this);
    if (fill_) p.fillRect(rect(), ToQColor(*fill_));
    p.setPen(QColor(128, 128, 128));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}

}  // namespace vondrel
