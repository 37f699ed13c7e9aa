#include "PictureObject.h"

#include "RtfCodec.h"
#include "RtfSink.h"

#include <QAbstractTextDocumentLayout>
#include <QImage>
#include <QPainter>
#include <QPaintDevice>
#include <QTextDocument>
#include <QTextImageFormat>
#include <QUrl>

namespace {

// Pixels per inch of the screen, the unit of the sizes in image formats.
constexpr int kScreenDpi = 96;
// A picture that gives no size of its own shows as a box of this many pixels.
constexpr qreal kUnknownSize = 32;

QImage imageOf(QTextDocument *doc, const QTextImageFormat &format)
{
    return doc->resource(QTextDocument::ImageResource, QUrl(format.name())).value<QImage>();
}

qreal deviceScale(QTextDocument *doc)
{
    const QAbstractTextDocumentLayout *layout = doc->documentLayout();
    const QPaintDevice *device = layout ? layout->paintDevice() : nullptr;
    return device ? device->logicalDpiY() / qreal(kScreenDpi) : 1.0;
}

} // namespace

void PictureObject::registerWith(QAbstractTextDocumentLayout *layout)
{
    layout->registerHandler(QTextFormat::ImageObject, new PictureObject(layout));
}

QString PictureObject::kindName(int kind)
{
    switch (kind) {
    case rtf::RtfPicture::Png: return QStringLiteral("PNG picture");
    case rtf::RtfPicture::Jpeg: return QStringLiteral("JPEG picture");
    case rtf::RtfPicture::Wmf: return QStringLiteral("WMF picture");
    case rtf::RtfPicture::Emf: return QStringLiteral("EMF picture");
    case rtf::RtfPicture::Dib: return QStringLiteral("DIB picture");
    case rtf::RtfPicture::Ddb: return QStringLiteral("bitmap picture");
    case rtf::RtfPicture::Pict: return QStringLiteral("PICT picture");
    default: return QStringLiteral("picture");
    }
}

QSizeF PictureObject::intrinsicSize(QTextDocument *doc, int posInDocument, const QTextFormat &format)
{
    Q_UNUSED(posInDocument);
    const QTextImageFormat image = format.toImageFormat();
    QSizeF size(image.width(), image.height());
    if (size.width() <= 0 || size.height() <= 0) {
        const QImage decoded = imageOf(doc, image);
        const QSizeF own = decoded.isNull() ? QSizeF(kUnknownSize, kUnknownSize) : QSizeF(decoded.size());
        if (size.width() <= 0 && size.height() > 0 && own.height() > 0)
            size.setWidth(own.width() * size.height() / own.height());
        else if (size.height() <= 0 && size.width() > 0 && own.width() > 0)
            size.setHeight(own.height() * size.width() / own.width());
        else if (size.width() <= 0 || size.height() <= 0)
            size = own;
    }
    return size * deviceScale(doc);
}

void PictureObject::drawObject(QPainter *painter, const QRectF &rect, QTextDocument *doc, int posInDocument,
                               const QTextFormat &format)
{
    Q_UNUSED(posInDocument);
    const QTextImageFormat image = format.toImageFormat();
    const QImage decoded = imageOf(doc, image);
    if (!decoded.isNull()) {
        painter->drawImage(rect, decoded);
        return;
    }
    // A kind that is kept but not shown: a framed box that says what it holds.
    painter->save();
    painter->setPen(QPen(Qt::gray, 0));
    painter->setBrush(Qt::NoBrush);
    painter->drawRect(rect.adjusted(0.5, 0.5, -0.5, -0.5));
    painter->setPen(Qt::darkGray);
    painter->setClipRect(rect);
    painter->drawText(rect, Qt::AlignCenter | Qt::TextWordWrap, kindName(image.intProperty(rtf::PictureKindProperty)));
    painter->restore();
}
