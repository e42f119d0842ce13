#include "qt/pictures.h"

#include <QPainter>
#include <QPolygonF>

// The icon is compiled into this static library; its registration must be called by name.
static void initIconResource() {
    Q_INIT_RESOURCE(icon);
}

namespace zt4::qt {

namespace {

QPolygonF triangle(qreal left, qreal right, qreal height, bool pointsRight) {
    const qreal tip = pointsRight ? right : left;
    const qreal base = pointsRight ? left : right;
    return QPolygonF({QPointF(base, 0), QPointF(tip, height / 2), QPointF(base, height)});
}

} // namespace

QPixmap transportPicture(Picture picture, int width, int height, qreal ratio) {
    QPixmap pixmap(qRound(width * ratio), qRound(height * ratio));
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    const qreal w = width, h = height;
    switch (picture) {
    case Picture::Back:
        p.drawPolygon(triangle(0, w / 2, h, false));
        p.drawPolygon(triangle(w / 2, w, h, false));
        break;
    case Picture::Forward:
        p.drawPolygon(triangle(0, w / 2, h, true));
        p.drawPolygon(triangle(w / 2, w, h, true));
        break;
    case Picture::Start:
        p.drawPolygon(triangle(0, w, h, true));
        break;
    case Picture::Stop: {
        const qreal side = qMin(w, h);
        p.drawRect(QRectF((w - side) / 2, (h - side) / 2, side, side));
        break;
    }
    case Picture::Pause: {
        const qreal bar = w / 3;
        p.drawRect(QRectF(0, 0, bar, h));
        p.drawRect(QRectF(w - bar, 0, bar, h));
        break;
    }
    case Picture::None:
        break;
    }
    return pixmap;
}

QIcon transportIcon(Picture picture, int width, int height) {
    QIcon icon;
    for (const qreal ratio : {1, 2, 3})
        icon.addPixmap(transportPicture(picture, width, height, ratio));
    return icon;
}

QIcon programIcon() {
    initIconResource();
    return QIcon(QStringLiteral(":/zt4-32.png"));
}

} // namespace zt4::qt
