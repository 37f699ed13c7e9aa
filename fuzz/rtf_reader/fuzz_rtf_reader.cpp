// Feeds arbitrary bytes to the RTF reader, the document builder and the writer:
// nothing may crash, hang or grow without bound; what was read must write and
// read back to the same text.
#include "RtfCodec.h"

#include <QGuiApplication>
#include <QTextDocument>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static QGuiApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QByteArray bytes("{\\rtf1 ", 7);
    // Most inputs get the RTF header, so the fuzzer spends its time inside the reader;
    // inputs that start with '!' are loaded as they are (plain-text path included).
    if (size > 0 && data[0] == '!')
        bytes = QByteArray(reinterpret_cast<const char *>(data) + 1, qsizetype(size) - 1);
    else
        bytes.append(reinterpret_cast<const char *>(data), qsizetype(size));

    QTextDocument doc;
    QTextCharFormat defaultFormat;
    rtf::loadDocument(bytes, &doc, &defaultFormat);
    const QString text = doc.toPlainText();

    const QByteArray written = rtf::writeRtf(doc, defaultFormat);
    QTextDocument again;
    rtf::loadDocument(written, &again);
    const QString back = again.toPlainText();
    if (back != text) {
        qsizetype at = 0;
        while (at < text.size() && at < back.size() && text.at(at) == back.at(at))
            ++at;
        fprintf(stderr, "text changed at %lld:\nread:  %s\nagain: %s\n", static_cast<long long>(at),
                qPrintable(text.mid(qMax<qsizetype>(0, at - 20), 60).toHtmlEscaped()),
                qPrintable(back.mid(qMax<qsizetype>(0, at - 20), 60).toHtmlEscaped()));
        abort();
    }
    return 0;
}
