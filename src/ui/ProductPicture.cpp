#include "ui/ProductPicture.h"

#include <QFont>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

namespace {

const QColor Navy(28, 58, 120);
const QColor Sky(186, 211, 248);
const QColor Paper(255, 250, 235);

QImage Canvas(int w, int h) {
    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
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

}  // namespace

QPixmap ProductPicture() {
    QImage image = Canvas(ProductPictureWidth, ProductPictureHeight);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);

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

    QFont word(QStringLiteral("Sans Serif"));
    word.setPixelSize(50);
    word.setBold(true);
    p.setFont(word);
    p.setPen(Navy);
    p.drawText(QRectF(188, 6, 220, 50), Qt::AlignRight | Qt::AlignBottom,
               QStringLiteral("Brivano"));

    QFont tag(QStringLiteral("Sans Serif"));
    tag.setPixelSize(14);
    tag.setItalic(true);
    p.setFont(tag);
    p.setPen(QColor(60, 80, 120));
    p.drawText(QRectF(150, 92, 250, 40), Qt::AlignRight | Qt::AlignVCenter,
               QStringLiteral("Rubrica e invio mail"));
    p.end();
    return QPixmap::fromImage(image);
}

QPixmap ProductBadge() {
    QImage image = Canvas(ProductBadgeWidth, ProductBadgeHeight);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    QPainterPath frame;
    frame.addRoundedRect(QRectF(1, 1, ProductBadgeWidth - 2, ProductBadgeHeight - 2), 8, 8);
    p.fillPath(frame, Sky);
    p.setPen(QPen(Navy, 1.5));
    p.drawPath(frame);
    Envelope(p, QRectF(9, 10, 34, 24));
    QFont word(QStringLiteral("Sans Serif"));
    word.setPixelSize(20);
    word.setBold(true);
    p.setFont(word);
    p.setPen(Navy);
    p.drawText(QRectF(46, 0, 80, ProductBadgeHeight), Qt::AlignCenter, QStringLiteral("Brivano"));
    p.end();
    return QPixmap::fromImage(image);
}
