#include "app/globalpictures.h"

#include <QApplication>
#include <QIcon>
#include <QPainter>
#include <QStyle>

namespace Globals
{

namespace
{

    struct Pictures {
        QImage normal, grey, red, green, smallAlert, smallBlueFolder;
    };

    Pictures& pictures()
    {
        static Pictures p;
        return p;
    }

    // The source pictures are read once on first use and then kept.
    const QImage& sourcePicture(const QString& name)
    {
        static QHash<QString, QImage> cache;
        auto it = cache.find(name);
        if (it == cache.end()) {
            QImage image(QStringLiteral(":/pictures/") + name + QStringLiteral(".png"));
            if (name == QLatin1String("bluefolder"))
                image = whiteTransparent(image);
            it = cache.insert(name, image);
        }
        return it.value();
    }

    // Pixels per logical pixel the pictures are built with: 2 on a screen
    // scaled by more than 1 (the 256-pixel artwork then shows at full
    // detail), 1 otherwise, where the pictures are exactly what a plain
    // 128-pixel build gives.
    int pictureScale()
    {
        return (qGuiApp && qGuiApp->devicePixelRatio() > 1.0) ? 2 : 1;
    }

    // A 128 x 128 disc (logical size): the coloured picture scaled from cd1's
    // rectangle, its alpha taken from the disc's mask.
    QImage buildDisc(const QString& colouredName, int scale)
    {
        const int side = 128 * scale;
        const QImage& cd1 = sourcePicture(QStringLiteral("cd1"));
        const QImage& coloured = sourcePicture(colouredName);
        const QImage& mask = sourcePicture(QStringLiteral("cd1alpha"));

        QImage disc(side, side, QImage::Format_ARGB32);
        disc.fill(Qt::white);
        {
            QPainter p(&disc);
            p.setRenderHint(QPainter::SmoothPixmapTransform);
            p.drawImage(QRectF(0, 0, side, side), coloured, QRectF(0, 0, cd1.width(), cd1.height()));
        }
        // The mask's grey level is the disc's opacity (white opaque). Copied pixel
        // by pixel: painting into a grey-scale image or setAlphaChannel dither the
        // edge into a dotted rim.
        const QImage alpha = mask.convertToFormat(QImage::Format_Grayscale8).scaled(side, side, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        for (int y = 0; y < side; ++y) {
            auto* line = reinterpret_cast<QRgb*>(disc.scanLine(y));
            const uchar* a = alpha.constScanLine(y);
            for (int x = 0; x < side; ++x)
                line[x] = qRgba(qRed(line[x]), qGreen(line[x]), qBlue(line[x]), a[x]);
        }
        disc.setDevicePixelRatio(scale);
        return disc;
    }

} // namespace

QImage whiteTransparent(const QImage& source)
{
    QImage image = source.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if ((line[x] & 0x00ffffffu) == 0x00ffffffu)
                line[x] = 0;
        }
    }
    return image;
}

const QImage& CDIcon_normal() { return pictures().normal; }
const QImage& CDIcon_grey() { return pictures().grey; }
const QImage& CDIcon_red() { return pictures().red; }
const QImage& CDIcon_green() { return pictures().green; }
const QImage& SmallAlertIcon() { return pictures().smallAlert; }
const QImage& SmallBlueFolder() { return pictures().smallBlueFolder; }

void BuildPictures()
{
    Pictures& p = pictures();
    const int scale = pictureScale();
    p.normal = buildDisc(QStringLiteral("cd1"), scale);
    p.grey = buildDisc(QStringLiteral("cdicongrey"), scale);
    p.red = buildDisc(QStringLiteral("cdiconred"), scale);
    p.green = buildDisc(QStringLiteral("cdicongreen"), scale);

    // The caution icon is drawn at 32 x 32 and reduced to 16 x 16. It keeps
    // the icon's own transparency, so its edges blend without a white halo.
    QImage scratch(32, 32, QImage::Format_ARGB32);
    scratch.fill(Qt::transparent);
    {
        QPainter painter(&scratch);
        const QIcon caution = QApplication::style()->standardIcon(QStyle::SP_MessageBoxWarning);
        caution.paint(&painter, QRect(0, 0, 32, 32));
    }
    p.smallAlert = whiteTransparent(scratch.scaled(16 * scale, 16 * scale, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    p.smallAlert.setDevicePixelRatio(scale);

    const QImage& folder = sourcePicture(QStringLiteral("bluefolder"));
    QImage small(16 * scale, 16 * scale, QImage::Format_ARGB32);
    small.fill(Qt::transparent);
    {
        QPainter painter(&small);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(QRectF(0, 0, 16 * scale, 16 * scale), folder, QRectF(0, 0, 32, 32));
    }
    p.smallBlueFolder = whiteTransparent(small);
    p.smallBlueFolder.setDevicePixelRatio(scale);
}

} // namespace Globals
