// SPDX-License-Identifier: GPL-3.0-or-later
#include "filewriteerror.h"

#include <QFileInfo>

namespace talvor {

FileWriteError fileWriteError(const QString &path, const QString &detail)
{
    QString text = QStringLiteral("%1 kann nicht geschrieben werden. Ordner und freien Platz "
                                  "prüfen.")
                       .arg(QFileInfo(path).fileName());
    if (!detail.isEmpty())
        text += QStringLiteral(" (%1)").arg(detail);
    return {text};
}

} // namespace talvor
