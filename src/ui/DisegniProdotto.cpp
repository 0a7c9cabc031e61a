#include "ui/DisegniProdotto.h"

#include <QFont>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <array>
#include <functional>

#include "ui/ImageList.h"
#include "ui/ProductPicture.h"

namespace {

const QColor Navy(28, 58, 120);
const QColor Sky(186, 211, 248);
const QColor Paper(255, 250, 235);

QImage Canvas(int w, int h) {
    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

// Both product pictures draw smooth shapes and text.
void Smussa(QPainter& p) {
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
}

// The program's name in bold navy letters of the given size.
void ScriviNome(QPainter& p, int pixel, const QRectF& dove, Qt::Alignment allineamento) {
    QFont word(QStringLiteral("Sans Serif"));
    word.setPixelSize(pixel);
    word.setBold(true);
    p.setFont(word);
    p.setPen(Navy);
    p.drawText(dove, allineamento, QStringLiteral("Brivano"));
}

// An envelope whose flap points down to the middle, in the given rectangle.
void Envelope(QPainter& p, const QRectF& r) {
    p.setPen(QPen(Navy, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Paper);
    p.drawRoundedRect(r, 3, 3);
    p.setBrush(QColor(240, 228, 195));
    p.drawPolygon(QPolygonF(
        {r.topLeft(), QPointF(r.center().x(), r.top() + r.height() * 0.58), r.topRight()}));
}

// A contact card: a head, shoulders and three lines of text.
void Card(QPainter& p, const QRectF& r) {
    p.setPen(QPen(Navy, 2));
    p.setBrush(Qt::white);
    p.drawRoundedRect(r, 6, 6);
    const qreal u = r.height() / 10;
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(90, 140, 210));
    p.drawEllipse(QPointF(r.left() + 2.6 * u, r.top() + 3.4 * u), 1.4 * u, 1.4 * u);
    QPainterPath body;
    body.moveTo(r.left() + 0.8 * u, r.top() + 8 * u);
    body.cubicTo(r.left() + 0.8 * u, r.top() + 4.8 * u, r.left() + 4.4 * u, r.top() + 4.8 * u,
                 r.left() + 4.4 * u, r.top() + 8 * u);
    body.closeSubpath();
    p.drawPath(body);
    p.setBrush(QColor(200, 210, 225));
    for (int i = 0; i < 3; ++i)
        p.drawRoundedRect(QRectF(r.left() + 5.4 * u, r.top() + (2.4 + 2 * i) * u,
                                 r.width() - 6.4 * u - (i == 2 ? 2 * u : 0), u),
                          u / 2, u / 2);
}

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

}  // namespace

QImage DisegnaIcona(int index) {
    if (index < 0 || index >= ImageList2BIGCount) return {};
    static const std::array<std::function<void(QPainter&)>, ImageList2BIGCount> painters{
        DrawExit,       DrawAddressBook, DrawCalendar, DrawSendMail, DrawSave,
        DrawNewContact, DrawEdit,        DrawDelete,   DrawWebSite,  DrawCancel};
    QImage pix(IconaLato, IconaLato, QImage::Format_ARGB32_Premultiplied);
    pix.fill(Qt::transparent);
    QPainter p(&pix);
    p.setRenderHint(QPainter::Antialiasing);
    painters[static_cast<size_t>(index)](p);
    p.end();
    return pix;
}

QImage DisegnaProductPicture() {
    QImage image = Canvas(ProductPictureWidth, ProductPictureHeight);
    QPainter p(&image);
    Smussa(p);

    // A soft sky band with a wave along its foot.
    QLinearGradient sky(0, 0, 0, ProductPictureHeight);
    sky.setColorAt(0, Qt::white);
    sky.setColorAt(1, Sky);
    QPainterPath band;
    band.addRoundedRect(QRectF(4, 4, ProductPictureWidth - 8, ProductPictureHeight - 8), 14, 14);
    p.fillPath(band, sky);
    QPainterPath wave;
    wave.moveTo(4, 150);
    wave.cubicTo(120, 120, 260, 185, 408, 140);
    wave.lineTo(408, 170);
    wave.quadTo(408, 183, 394, 183);
    wave.lineTo(18, 183);
    wave.quadTo(4, 183, 4, 170);
    wave.closeSubpath();
    p.fillPath(wave, QColor(120, 160, 225, 150));

    Card(p, QRectF(22, 34, 110, 72));
    Envelope(p, QRectF(92, 78, 78, 52));
    // The message on its way: a dotted trail.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(230, 120, 40));
    for (int i = 0; i < 4; ++i) p.drawEllipse(QPointF(182 + i * 12, 100 - i * 7), 3, 3);

    ScriviNome(p, 50, QRectF(188, 6, 220, 50), Qt::AlignRight | Qt::AlignBottom);

    QFont tag(QStringLiteral("Sans Serif"));
    tag.setPixelSize(14);
    tag.setItalic(true);
    p.setFont(tag);
    p.setPen(QColor(60, 80, 120));
    p.drawText(QRectF(150, 92, 250, 40), Qt::AlignRight | Qt::AlignVCenter,
               QStringLiteral("Rubrica e invio mail"));
    p.end();
    return image;
}

QImage DisegnaProductBadge() {
    QImage image = Canvas(ProductBadgeWidth, ProductBadgeHeight);
    QPainter p(&image);
    Smussa(p);
    QPainterPath frame;
    frame.addRoundedRect(QRectF(1, 1, ProductBadgeWidth - 2, ProductBadgeHeight - 2), 8, 8);
    p.fillPath(frame, Sky);
    p.setPen(QPen(Navy, 1.5));
    p.drawPath(frame);
    Envelope(p, QRectF(9, 10, 34, 24));
    ScriviNome(p, 20, QRectF(46, 0, 80, ProductBadgeHeight), Qt::AlignCenter);
    p.end();
    return image;
}
