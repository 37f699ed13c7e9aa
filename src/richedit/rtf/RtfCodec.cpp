#include "RtfCodec.h"

#include "DocumentBuilder.h"
#include "KeptParts.h"
#include "Errors.h"
#include "FileWrite.h"
#include "PlainText.h"
#include "RtfReader.h"
#include "RtfWriter.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>
#include <QTextCursor>
#include <QTextDocument>

#include <new>

namespace rtf {

namespace {

bool startsWithNoCase(const QByteArray &data, const char *prefix)
{
    const qsizetype n = qsizetype(qstrlen(prefix));
    return data.size() >= n && qstrnicmp(data.constData(), prefix, n) == 0;
}

// Keeps a document quiet while it is rebuilt: no undo records, no layout.
class BulkEdit
{
public:
    explicit BulkEdit(QTextDocument *doc)
        : m_doc(doc), m_undo(doc->isUndoRedoEnabled()), m_layout(doc->isLayoutEnabled())
    {
        m_doc->setUndoRedoEnabled(false);
        m_doc->setLayoutEnabled(false);
    }
    ~BulkEdit()
    {
        m_doc->setLayoutEnabled(m_layout);
        m_doc->setUndoRedoEnabled(m_undo);
    }
    BulkEdit(const BulkEdit &) = delete;
    BulkEdit &operator=(const BulkEdit &) = delete;

private:
    QTextDocument *m_doc;
    bool m_undo;
    bool m_layout;
};

constexpr char kKeptPartsProperty[] = "kalveroKeptParts";

// Input bytes between two progress reports of the reader.
constexpr qsizetype kReportEvery = 256 * 1024;

void readRtfInto(const QByteArray &data, QTextCursor &cursor, DocumentBuilder::Mode mode,
                 QTextCharFormat *defaultFormat, const std::function<void(qsizetype)> &progress = {})
{
    DocumentBuilder builder(cursor, mode);
    RtfReader reader(builder);
    if (progress)
        reader.setProgress(progress, kReportEvery);
    if (startsWithNoCase(data, "{urtf")) {
        // The form without the backslash: read it as the UTF-8 flavour.
        reader.read(QByteArray("{\\urtf") + data.mid(5));
    } else {
        reader.read(data);
    }
    if (defaultFormat && builder.hasDefaultFormat())
        *defaultFormat = builder.defaultCharFormat();
    if (mode == DocumentBuilder::Mode::WholeDocument)
        setKeptParts(*cursor.document(), builder.keptParts());
}

QString fullPath(const QString &path)
{
    return QFileInfo(path).absoluteFilePath();
}

} // namespace

KeptParts keptParts(const QTextDocument &doc)
{
    return doc.property(kKeptPartsProperty).value<KeptParts>();
}

void setKeptParts(QTextDocument &doc, const KeptParts &parts)
{
    doc.setProperty(kKeptPartsProperty, parts.isEmpty() ? QVariant() : QVariant::fromValue(parts));
}

bool looksLikeRtf(const QByteArray &data)
{
    return startsWithNoCase(data, "{\\rtf") || startsWithNoCase(data, "{\\urtf") || startsWithNoCase(data, "{urtf");
}

void insertRtf(const QByteArray &data, QTextCursor &cursor)
{
    if (cursor.isNull())
        return;
    cursor.beginEditBlock();
    cursor.removeSelectedText();
    readRtfInto(data, cursor, DocumentBuilder::Mode::Insert, nullptr);
    cursor.endEditBlock();
}

void loadDocument(const QByteArray &data, QTextDocument *doc, QTextCharFormat *defaultFormat)
{
    BulkEdit quiet(doc);
    doc->clear();
    setKeptParts(*doc, KeptParts());
    QTextCursor cursor(doc);
    cursor.beginEditBlock();
    if (looksLikeRtf(data)) {
        readRtfInto(data, cursor, DocumentBuilder::Mode::WholeDocument, defaultFormat);
    } else {
        const QTextCharFormat format = defaultFormat ? *defaultFormat : QTextCharFormat();
        if (!format.isEmpty())
            cursor.setBlockCharFormat(format);
        cursor.insertText(decodePlainText(data), format);
        setDirectionsFromText(doc);
    }
    cursor.endEditBlock();
}

QByteArray writeRtf(const QTextDocument &doc, const QTextCharFormat &defaultFormat)
{
    RtfWriter writer(doc, defaultFormat);
    return writer.write();
}

namespace {
// Documents longer than this are saved with their body spilled to a file as it is made.
constexpr int kSpillCharacters = 1 << 20;
} // namespace

QByteArray writeRtfInParts(const std::function<std::shared_ptr<const QTextDocument>()> &nextPart,
                           qsizetype characters, const QTextCharFormat &defaultFormat, QIODevice *spillBody)
{
    std::shared_ptr<const QTextDocument> part = nextPart();
    const QTextDocument empty;
    RtfWriter writer(part ? *part : empty, defaultFormat);
    writer.spillBodyTo(spillBody);
    writer.start(characters);
    if (!part)
        return writer.finish();
    do {
        writer.writePart(*part);
        part.reset();
        part = nextPart();
    } while (part);
    return writer.finish();
}

void loadFile(const QString &path, QTextDocument *doc, QTextCharFormat *defaultFormat, const LoadProgress &progress)
{
    // A FIFO or a device would block the reader before any window could answer.
    const QString notRegular = NotARegularFileReason(path);
    if (!notRegular.isEmpty())
        throw EKalveroError(QStringLiteral("Cannot open file \"%1\". %2").arg(fullPath(path), notRegular));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw EKalveroError(QStringLiteral("Cannot open file \"%1\". %2").arg(fullPath(path), file.errorString()));
    const auto outOfMemory = [&] {
        doc->clear();
        return EKalveroError(
            QStringLiteral("Cannot open file \"%1\". There is not enough memory to hold it.").arg(fullPath(path)));
    };
    const qint64 size = file.size();
    const bool isRtf = looksLikeRtf(file.peek(6));
    try {
        if (!isRtf) {
            BulkEdit quiet(doc);
            doc->clear();
            setKeptParts(*doc, KeptParts());
            const QTextCharFormat format = defaultFormat ? *defaultFormat : QTextCharFormat();
            const bool read = loadPlainText(file, doc, format, [&](qint64 done) {
                if (progress)
                    progress(done, size);
            });
            doc->clearUndoRedoStacks();
            if (!read || file.error() != QFileDevice::NoError)
                throw EKalveroError(QStringLiteral("Failed to Load Stream"));
            return;
        }
        // RTF: read whole (the reader works on one buffer), a piece at a time so the reading
        // reports too; reading and parsing count one unit per byte each.
        QByteArray data;
        data.resize(size);
        qint64 have = 0;
        while (have < size) {
            const qint64 got = file.read(data.data() + have, std::min<qint64>(size - have, 4 << 20));
            if (got <= 0)
                break;
            have += got;
            if (progress)
                progress(have, 2 * size);
        }
        if (file.error() != QFileDevice::NoError)
            throw EKalveroError(QStringLiteral("Failed to Load Stream"));
        data.truncate(have); // the file shrank while it was read
        file.close();
        BulkEdit quiet(doc);
        doc->clear();
        setKeptParts(*doc, KeptParts());
        QTextCursor cursor(doc);
        cursor.beginEditBlock();
        readRtfInto(data, cursor, DocumentBuilder::Mode::WholeDocument, defaultFormat, [&](qsizetype at) {
            if (progress)
                progress(have + at, 2 * size);
        });
        cursor.endEditBlock();
    } catch (const std::bad_alloc &) {
        throw outOfMemory();
    }
}

void saveFile(const QString &path, const QTextDocument &doc, const QTextCharFormat &defaultFormat)
{
    // A large document's body goes to a file beside the target as it is made, so its RTF is
    // never held whole beside it; where no such file can be made or written (the disk may hold
    // one copy of the RTF but not two), it is made in memory.
    QTemporaryFile body(QFileInfo(path).absoluteFilePath() + QStringLiteral(".body"));
    bool spill = doc.characterCount() > kSpillCharacters && body.open();
    QByteArray data;
    try {
        if (spill) {
            RtfWriter writer(doc, defaultFormat);
            writer.spillBodyTo(&body);
            data = writer.write();
            spill = body.error() == QFileDevice::NoError;
            if (!spill)
                body.remove();
        }
        if (!spill)
            data = writeRtf(doc, defaultFormat);
    } catch (const std::bad_alloc &) {
        throw EKalveroError(QStringLiteral("Failed to Save Stream"));
    }
    const QString reason = spill ? ReplaceFileContents(path, data, body) : ReplaceFileContents(path, data);
    if (!reason.isEmpty())
        throw EKalveroError(QStringLiteral("Cannot create file \"%1\". %2").arg(fullPath(path), reason));
}

} // namespace rtf
