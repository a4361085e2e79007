#include "photobackup/imagewellextender.h"

#include <QLabel>
#include <QPainter>
#include <QPixmap>

#include <algorithm>

namespace ImagewellExtender {

QRect ScaledBounds(QSize area, QSize picture)
{
    const int aw = area.width(), ah = area.height();
    int w = picture.width(), h = picture.height();
    if (w <= 0 || h <= 0 || aw <= 0 || ah <= 0)
        return {};
    if (w > aw || h > ah) {
        const double s = std::min(static_cast<double>(aw) / w, static_cast<double>(ah) / h);
        w = static_cast<int>(w * s);
        h = static_cast<int>(h * s);
    }
    return { aw / 2 - w / 2, ah / 2 - h / 2, w, h };
}

QImage ScaledImage(QSize area, const QImage& picture)
{
    QImage result(area, QImage::Format_ARGB32_Premultiplied);
    // What lies outside the drawn picture lets the well show through.
    result.fill(Qt::transparent);
    const QRect bounds = ScaledBounds(area, picture.size());
    if (!picture.isNull() && !bounds.isEmpty()) {
        QPainter painter(&result);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(bounds, picture);
    }
    return result;
}

void AddScaledImage(QLabel* well, const QImage& picture)
{
    if (!well)
        return;
    if (picture.isNull()) {
        well->clear();
        return;
    }
    const QSize area = well->size() - QSize(20, 20);
    well->setPixmap(QPixmap::fromImage(ScaledImage(area, picture)));
}

} // namespace ImagewellExtender
