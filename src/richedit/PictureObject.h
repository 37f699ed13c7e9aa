#pragma once

#include <QObject>
#include <QTextObjectInterface>

// Lays out and draws the pictures of a document (U+FFFC with an image format) for the
// editor's own document layout: PNG and JPEG pictures from the document's resources at
// their size, any other kind as a framed box of its size that names the kind.
class PictureObject : public QObject, public QTextObjectInterface
{
    Q_OBJECT
    Q_INTERFACES(QTextObjectInterface)
public:
    explicit PictureObject(QObject *parent = nullptr) : QObject(parent) {}

    // Registers a handler for image objects with the layout (which owns it).
    static void registerWith(QAbstractTextDocumentLayout *layout);

    QSizeF intrinsicSize(QTextDocument *doc, int posInDocument, const QTextFormat &format) override;
    void drawObject(QPainter *painter, const QRectF &rect, QTextDocument *doc, int posInDocument,
                    const QTextFormat &format) override;

    // The name a picture's box shows for its kind (RtfPicture::Kind), e.g. "WMF picture".
    static QString kindName(int kind);
};
