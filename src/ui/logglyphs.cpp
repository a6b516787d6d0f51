// SPDX-License-Identifier: GPL-3.0-or-later
#include "logglyphs.h"

#include <QFontMetricsF>

#include <algorithm>

namespace talvor {

void LogGlyphs::setFont(const QFont &font)
{
    m_rawFont = QRawFont::fromFont(font);
    for (int c = 0; c < int(m_glyphs.size()); ++c) {
        const QList<quint32> glyph = m_rawFont.glyphIndexesForString(QString(QChar(c)));
        m_glyphs[size_t(c)] = glyph.isEmpty() ? 0 : glyph.first();
    }
    // Characters are fractions of a pixel wide at small sizes; a row of them is as wide as the
    // sum, not as the rounded single width times their count.
    m_charWidth = std::max<qreal>(QFontMetricsF(font).horizontalAdvance(QString(64, u'0')) / 64, 1);
}

QGlyphRun LogGlyphs::row(QByteArrayView chars)
{
    m_rowGlyphs.resize(chars.size());
    m_rowPositions.resize(chars.size());
    for (qsizetype i = 0; i < chars.size(); ++i) {
        m_rowGlyphs[i] = m_glyphs[quint8(chars[i]) & 0x7F];
        m_rowPositions[i] = QPointF(i * m_charWidth, 0);
    }
    QGlyphRun glyphs;
    glyphs.setRawFont(m_rawFont);
    glyphs.setRawData(m_rowGlyphs.constData(), m_rowPositions.constData(), int(chars.size()));
    return glyphs;
}

} // namespace talvor
