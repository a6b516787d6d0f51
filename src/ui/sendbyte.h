// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringView>
#include <QtGlobal>

#include <optional>

namespace talvor {

// What the send button keeps and shows for a typed byte: its Tag (the byte in decimal) and its
// caption ("0x60 senden").
struct SendByte {
    quint8 value = 0;
    QString tag;
    QString caption;
};

// The byte for the text of txtSend: "0x" is written as "&H" (exact case), the text is read
// leniently and rounded, and the low eight bits are the byte. Nothing when the rounded value does
// not fit 32 bits: the button then keeps its previous Tag and caption.
std::optional<SendByte> sendByteFor(QStringView typedText);

// The byte that the send button's Tag holds, read back the same lenient way. A Tag is only ever
// written by sendByteFor; a text that does not round into 32 bits gives 0.
quint8 sendByteValue(QStringView tag);

} // namespace talvor
