// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArrayView>
#include <QGlyphRun>
#include <QList>
#include <QRawFont>

#include <array>

class QFont;

namespace talvor {

// The log holds only ASCII, one glyph to a char in a fixed-width face: a row is drawn from the
// glyph of each char at its column, without shaping the text anew on every paint.
class LogGlyphs {
public:
    // Looks up the glyphs and the width of a char in font.
    void setFont(const QFont &font);
    qreal charWidth() const { return m_charWidth; }
    // The glyphs of chars from x = 0 on; valid until the next call.
    QGlyphRun row(QByteArrayView chars);

private:
    QRawFont m_rawFont;
    std::array<quint32, 128> m_glyphs{}; // the glyph of each ASCII char in the face
    QList<quint32> m_rowGlyphs;          // the glyphs and places of the row being painted
    QList<QPointF> m_rowPositions;
    qreal m_charWidth = 1;
};

} // namespace talvor
