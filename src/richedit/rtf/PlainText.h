#pragma once

#include <QByteArray>
#include <QString>

namespace rtf {

// Text of a file that is not RTF: UTF-8 when the bytes are valid UTF-8 (a
// byte-order mark dropped), else Windows-1252. Line ends (CR LF, LF, CR) become
// '\n'; NUL bytes are dropped.
QString decodePlainText(const QByteArray &bytes);

} // namespace rtf
