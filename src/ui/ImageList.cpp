#include "ui/ImageList.h"

#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <array>
#include <functional>

namespace {

constexpr int Side = 32;

QPen Outline(const QColor& c, qreal width = 1.5) {
    return QPen(c, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

void DrawExit(QPainter& p) {
    // A door ajar with an arrow leaving through it.
    p.setPen(Outline(QColor(90, 60, 30)));
    p.setBrush(QColor(200, 150, 90));
    p.drawRect(QRectF(4, 3, 15, 26));
    p.setBrush(QColor(150, 100, 50));
    p.drawPolygon(QPolygonF({{4, 3}, {13, 7}, {13, 31}, {4, 29}}));
    p.setBrush(QColor(250, 230, 120));
    p.drawEllipse(QPointF(11, 18), 1.2, 1.2);
    p.setPen(Outline(QColor(190, 30, 30), 3));
    p.drawLine(QPointF(16, 16), QPointF(27, 16));
    p.drawLine(QPointF(23, 11), QPointF(28, 16));
    p.drawLine(QPointF(23, 21), QPointF(28, 16));
}

void DrawAddressBook(QPainter& p) {
    // A bound book with coloured index tabs.
    p.setPen(Outline(QColor(20, 50, 110)));
    p.setBrush(QColor(50, 100, 190));
    p.drawRoundedRect(QRectF(5, 3, 20, 26), 2, 2);
    p.setBrush(Qt::white);
    p.drawRect(QRectF(9, 7, 12, 7));
    p.setPen(Outline(QColor(20, 50, 110), 1));
    p.drawLine(QPointF(11, 9.5), QPointF(19, 9.5));
    p.drawLine(QPointF(11, 11.5), QPointF(17, 11.5));
    const std::array<QColor, 3> tabs{QColor(230, 70, 60), QColor(250, 190, 40),
                                     QColor(60, 170, 80)};
    for (int i = 0; i < 3; ++i) {
        p.setPen(Qt::NoPen);
        p.setBrush(tabs[static_cast<size_t>(i)]);
        p.drawRect(QRectF(25, 6 + i * 7, 4, 5));
    }
    p.setPen(Outline(QColor(220, 220, 230), 1.5));
    for (int y = 6; y <= 26; y += 5) p.drawLine(QPointF(5, y), QPointF(8, y));
}

void DrawCalendar(QPainter& p) {
    // A calendar sheet: red header, grid of days, one day marked.
    p.setPen(Outline(QColor(80, 80, 80)));
    p.setBrush(Qt::white);
    p.drawRoundedRect(QRectF(3, 5, 26, 24), 2, 2);
    p.setBrush(QColor(210, 40, 40));
    p.drawRect(QRectF(3, 5, 26, 7));
    p.setPen(Outline(QColor(60, 60, 60), 2));
    p.drawLine(QPointF(9, 2), QPointF(9, 8));
    p.drawLine(QPointF(23, 2), QPointF(23, 8));
    p.setPen(Qt::NoPen);
    for (int row = 0; row < 3; ++row)
        for (int col = 0; col < 5; ++col) {
            p.setBrush(row == 1 && col == 2 ? QColor(40, 90, 200) : QColor(170, 170, 170));
            p.drawRect(QRectF(6 + col * 4.4, 15 + row * 4.4, 3, 3));
        }
}

void DrawSendMail(QPainter& p) {
    // An envelope with speed lines behind it.
    p.setPen(Outline(QColor(190, 120, 20), 1.5));
    p.drawLine(QPointF(1, 12), QPointF(7, 12));
    p.drawLine(QPointF(2, 17), QPointF(7, 17));
    p.drawLine(QPointF(3, 22), QPointF(7, 22));
    p.setPen(Outline(QColor(70, 70, 90)));
    p.setBrush(QColor(255, 245, 215));
    p.drawRect(QRectF(9, 8, 21, 16));
    p.setBrush(QColor(245, 225, 170));
    p.drawPolygon(QPolygonF({{9, 8}, {19.5, 17}, {30, 8}}));
}

void DrawSave(QPainter& p) {
    // A storage disk with its label and shutter.
    p.setPen(Outline(QColor(20, 40, 90)));
    p.setBrush(QColor(50, 80, 160));
    p.drawPolygon(QPolygonF({{4, 4}, {25, 4}, {28, 7}, {28, 28}, {4, 28}}));
    p.setBrush(QColor(210, 215, 225));
    p.drawRect(QRectF(9, 4, 13, 8));
    p.setBrush(QColor(50, 80, 160));
    p.drawRect(QRectF(17, 5.5, 3, 5));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(8, 16, 16, 12));
    p.setPen(Outline(QColor(150, 150, 170), 1));
    p.drawLine(QPointF(10, 20), QPointF(22, 20));
    p.drawLine(QPointF(10, 24), QPointF(22, 24));
}

void DrawPerson(QPainter& p) {
    p.setPen(Outline(QColor(40, 60, 100)));
    p.setBrush(QColor(110, 150, 210));
    p.drawEllipse(QPointF(13, 10), 6, 6);
    QPainterPath body;
    body.moveTo(2, 29);
    body.cubicTo(2, 17, 24, 17, 24, 29);
    body.closeSubpath();
    p.drawPath(body);
}

void DrawNewContact(QPainter& p) {
    DrawPerson(p);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(40, 160, 60));
    p.drawEllipse(QPointF(24, 22), 7, 7);
    p.setPen(Outline(Qt::white, 2.5));
    p.drawLine(QPointF(24, 18), QPointF(24, 26));
    p.drawLine(QPointF(20, 22), QPointF(28, 22));
}

void DrawEdit(QPainter& p) {
    // A sheet with a pencil across it.
    p.setPen(Outline(QColor(110, 110, 110)));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(4, 3, 18, 25));
    p.setPen(Outline(QColor(170, 170, 170), 1));
    for (int y = 8; y <= 20; y += 4) p.drawLine(QPointF(7, y), QPointF(19, y));
    p.save();
    p.translate(21, 18);
    p.rotate(45);
    p.setPen(Outline(QColor(120, 80, 20), 1));
    p.setBrush(QColor(250, 200, 50));
    p.drawRect(QRectF(-2.5, -13, 5, 18));
    p.setBrush(QColor(240, 150, 150));
    p.drawRect(QRectF(-2.5, -16, 5, 3));
    p.setBrush(QColor(240, 210, 170));
    p.drawPolygon(QPolygonF({{-2.5, 5}, {2.5, 5}, {0, 10}}));
    p.restore();
}

void DrawDelete(QPainter& p) {
    // A waste bin.
    p.setPen(Outline(QColor(70, 70, 70)));
    p.setBrush(QColor(180, 185, 195));
    p.drawRect(QRectF(7, 9, 18, 20));
    p.drawRect(QRectF(5, 6, 22, 3));
    p.drawRect(QRectF(13, 3, 6, 3));
    p.setPen(Outline(QColor(90, 90, 100), 1.5));
    for (int x = 11; x <= 21; x += 5) p.drawLine(QPointF(x, 12), QPointF(x, 26));
}

void DrawWebSite(QPainter& p) {
    // A globe with meridians and parallels.
    const QPointF c(16, 16);
    p.setPen(Outline(QColor(20, 80, 130)));
    p.setBrush(QColor(90, 170, 230));
    p.drawEllipse(c, 13, 13);
    p.setBrush(Qt::NoBrush);
    p.setPen(Outline(QColor(230, 245, 255), 1.2));
    p.drawEllipse(c, 5.5, 13);
    p.drawLine(QPointF(16, 3), QPointF(16, 29));
    p.drawLine(QPointF(3, 16), QPointF(29, 16));
    p.drawLine(QPointF(5, 10), QPointF(27, 10));
    p.drawLine(QPointF(5, 22), QPointF(27, 22));
}

void DrawCancel(QPainter& p) {
    // A red ring with a bar: stop, leave it as it was.
    p.setPen(Outline(QColor(200, 30, 30), 4));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(16, 16), 11, 11);
    p.drawLine(QPointF(8.5, 8.5), QPointF(23.5, 23.5));
}

QImage Draw(int index) {
    static const std::array<std::function<void(QPainter&)>, ImageList2BIGCount> painters{
        DrawExit,       DrawAddressBook, DrawCalendar, DrawSendMail, DrawSave,
        DrawNewContact, DrawEdit,        DrawDelete,   DrawWebSite,  DrawCancel};
    QImage pix(Side, Side, QImage::Format_ARGB32_Premultiplied);
    pix.fill(Qt::transparent);
    QPainter p(&pix);
    p.setRenderHint(QPainter::Antialiasing);
    painters[static_cast<size_t>(index)](p);
    p.end();
    return pix;
}

}  // namespace

QPixmap ImageList2BIGPixmap(int index) {
    if (index < 0 || index >= ImageList2BIGCount) return {};
    // Drawn once per run, on first use; kept as images, which outlive the
    // application object safely.
    static std::array<QImage, ImageList2BIGCount> cache;
    QImage& image = cache[static_cast<size_t>(index)];
    if (image.isNull()) image = Draw(index);
    return QPixmap::fromImage(image);
}

QIcon ImageList2BIG(int index) {
    QPixmap pix = ImageList2BIGPixmap(index);
    return pix.isNull() ? QIcon() : QIcon(pix);
}
