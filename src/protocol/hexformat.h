#pragma once

#include <QByteArrayView>
#include <QString>

namespace talvor {

// Bytes as upper-case hex pairs separated by one blank, as the raw-data labels show them:
// FC 05 80 2A FF.
QString hexPairs(QByteArrayView bytes);

} // namespace talvor
