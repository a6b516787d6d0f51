#include "hexformat.h"

namespace talvor {

QString hexPairs(QByteArrayView bytes)
{
    return QString::fromLatin1(bytes.toByteArray().toHex(' ').toUpper());
}

} // namespace talvor
