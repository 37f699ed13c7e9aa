#pragma once

#include <QByteArray>
#include <QImage>

// Decodes a baseline or progressive JPEG (grey or colour) with libjpeg. Gives a null image
// when the bytes are not a JPEG the library can read; never ends the program.
QImage DecodeJpeg(const QByteArray &bytes);
