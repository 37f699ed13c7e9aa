#pragma once

#include <QFont>
#include <QHash>
#include <QList>
#include <QString>
#include <QTextFormat>
#include <QTextListFormat>
#include <memory>

#include "KeptParts.h"

class QTextDocument;

// A copy of a document that costs the thread taking it little, built into a document of its
// own later, on any thread. Taking it copies the text in one piece and, per paragraph and per
// formatting run, a few numbers: on a document of a million characters that is a few
// milliseconds, where QTextDocument::clone() takes a quarter of a second. Documents holding
// frames (tables) or objects (pictures) are cloned whole instead, since their structure is more
// than paragraphs and runs.
class DocumentCopy
{
public:
    // On the document's own thread.
    static DocumentCopy Take(const QTextDocument &doc);

    // The copy as a document of its own, made on the calling thread; the same paragraphs, runs,
    // formats and lists as the original, without undo history. A clone is handed out as it is
    // (shared, and read only).
    std::shared_ptr<const QTextDocument> Build() const;

    // The copy rebuilt a part at a time, for writing a huge document without holding it whole
    // twice: each call gives a document of the next paragraphs, about `characters` long (a
    // list is never cut: its paragraphs go in one part), or null after the last. next: 0 at
    // first, moved on by each call. A clone is the one part. Every part keeps the parts the
    // original kept from its file.
    std::shared_ptr<const QTextDocument> BuildPart(qsizetype &next, qsizetype characters) const;

    // Characters of the copied document.
    qsizetype Characters() const { return m_characters; }

    // True when Take fell back to a whole clone.
    bool IsClone() const { return bool(m_clone); }

private:
    struct Run
    {
        int start;  // in m_text
        int length;
        int format; // index into m_formats
    };
    struct Paragraph
    {
        int blockFormat;
        int charFormat;
        int list;        // object index of its list in the original, or -1
        int firstRun;    // runs m_runs[firstRun .. next paragraph's firstRun)
        bool joined;     // a list runs on from the paragraph before: no part begins here
    };
    std::shared_ptr<const QTextDocument> buildParagraphs(qsizetype first, qsizetype end) const;

    std::shared_ptr<const QTextDocument> m_clone;
    QString m_text;
    QList<QTextFormat> m_formats;
    QList<Run> m_runs;
    QList<Paragraph> m_paragraphs;
    QHash<int, QTextListFormat> m_lists; // by the list's object index in the original
    QFont m_defaultFont;
    rtf::KeptParts m_kept;
    qsizetype m_characters = 0;
};
