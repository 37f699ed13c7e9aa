#pragma once

#include <QByteArray>
#include <QString>
#include <QTextCharFormat>

#include <functional>
#include <memory>

class QIODevice;
class QTextCursor;
class QTextDocument;

// The document file format of the editor: RTF in and out, plain text in.
// Pure QtGui: no widgets.
namespace rtf {

// Custom QTextCharFormat property holding the RTF/Windows character set of a run
// (0 ANSI, 1 default, 2 symbol, 178 Arabic, ...). Absent means 1 (default).
constexpr int CharsetProperty = QTextFormat::UserProperty + 1;
// Custom QTextCharFormat property marking the automatic text colour (\cf0):
// a run with this property set to true has no explicit colour.
constexpr int AutoColorProperty = QTextFormat::UserProperty + 2;

// Further custom properties of what the file said and Qt has no room for.
enum : int {
    // Character formats.
    RaiseProperty = QTextFormat::UserProperty + 0x100,  // \up (> 0) / \dn (< 0), half points
    BackgroundKindProperty,                             // RtfCharFormat::Background of the background
    LinkUnderlineProperty,                              // true: the underline only shows the link
    FieldInstructionProperty,                           // QString: a field's instruction
    FieldIdProperty,                                    // int: tells neighbouring fields apart
    ExplicitAutoColorProperty,                          // true: automatic colour given by a \cf0 of its own
    // Pictures (on the QTextImageFormat of U+FFFC).
    PictureDataProperty,                                // QByteArray: the picture as read
    PictureKindProperty,                                // RtfPicture::Kind
    PictureSizeProperty,                                // QList<int>: picw pich goalw goalh scalex scaley mode
    // Paragraph formats.
    TabStopsProperty,                                   // QList<int>: position, kind, leader per stop
    KeepTogetherProperty,                               // bool: \keep
    KeepWithNextProperty,                               // bool: \keepn
    // Tables (QTextTableFormat) and their cells (QTextTableCellFormat).
    TableCellRightsProperty,                            // QList<int>: \cellx of each column, twips
    TableLeftProperty,                                  // int: \trleft, twips
    TableGapProperty,                                   // int: \trgaph, twips
    TableRowHeightProperty,                             // int: \trrh of every row whose cells give none, twips
    CellBordersProperty,                                // int: bit 0 top, 1 left, 2 bottom, 3 right
    CellBorderWidthProperty,                            // int: twips
    CellRightProperty,                                  // int: the cell's own \cellx, twips
    CellRowHeightProperty,                              // int: \trrh of the row the cell begins in, twips
                                                        // (negative: exact; laid out as a least height)
    // References into the style sheet kept with the document.
    CharStyleProperty,                                  // int: \csN of a run
    ParaStyleProperty,                                  // int: \sN of a paragraph
};

// True when the bytes begin with "{\rtf", "{\urtf" or "{urtf", in any case (the
// content decides, never the file name).
bool looksLikeRtf(const QByteArray &data);

// Parses RTF and inserts the rich text at the cursor (replacing its selection);
// the cursor ends after the new text. "{\urtf" (and "{urtf") text is UTF-8.
// Paragraphs that the RTF ends take its paragraph attributes; the paragraph the
// inserted text runs into keeps its own. Never throws on bad input: whatever can
// be read is kept. Undo recording is the caller's business (one edit block).
void insertRtf(const QByteArray &data, QTextCursor &cursor);

// Replaces the whole content of doc by the bytes: RTF when they look like RTF,
// else plain text (UTF-8 when valid, a BOM dropped; else Windows-1252) in the
// attributes *defaultFormat holds, each paragraph right to left (and aligned right) when its
// first strong character is. For RTF that names the attributes new text
// takes (written by writeRtf), *defaultFormat receives them; otherwise it is left
// as it was (may be null). Runs without undo records and without layout; the
// document's undo history is empty afterwards.
void loadDocument(const QByteArray &data, QTextDocument *doc, QTextCharFormat *defaultFormat = nullptr);

// Writes the whole document as RTF. defaultFormat: the attributes new text takes
// (kept in a destination other readers skip); attributes a run leaves unset are
// written as the default's. Pure ASCII output.
QByteArray writeRtf(const QTextDocument &doc, const QTextCharFormat &defaultFormat = QTextCharFormat());

// The same, for a document handed over in parts (documents of their own holding the next
// paragraphs, none of them holding tables or pictures, no list running on into the next part):
// nextPart() gives each in turn, then null. Each part goes once written, so a huge document is
// never whole twice. characters: the whole document's. With a spillBody device, the body is
// written to it as it is made and only the header is returned: the file is the header followed
// by what the device holds (its own errors are the caller's to check).
QByteArray writeRtfInParts(const std::function<std::shared_ptr<const QTextDocument>()> &nextPart,
                           qsizetype characters, const QTextCharFormat &defaultFormat = QTextCharFormat(),
                           QIODevice *spillBody = nullptr);

// What a long load reports as it goes: done of total units (bytes read and bytes parsed).
// It may throw (OperationAborted to cancel): the load stops there, doc holds part of the
// file, and the exception goes on to loadFile's caller.
using LoadProgress = std::function<void(qint64 done, qint64 total)>;

// File level, with the user-visible errors (EKalveroError):
//  "Cannot open file \"%s\". %s" (full path, system reason) when the file cannot be read,
//  "Cannot open file \"%s\". There is not enough memory to hold it." when memory runs out,
//  "Failed to Load Stream" when reading fails half-way.
// Plain text is read, decoded and added to doc a piece at a time; RTF is read whole, then
// parsed. progress (may be empty) is called all along.
void loadFile(const QString &path, QTextDocument *doc, QTextCharFormat *defaultFormat = nullptr,
              const LoadProgress &progress = {});
//  "Cannot create file \"%s\". %s" (full path, system reason) when it cannot be
//  created, written or renamed into place (bad folder, no permission, disk full);
//  the old file is then left exactly as it was (written to a temporary file in the
//  same folder, then renamed over it). "Failed to Save Stream" when the RTF cannot
//  be produced (memory).
void saveFile(const QString &path, const QTextDocument &doc, const QTextCharFormat &defaultFormat = QTextCharFormat());

} // namespace rtf
