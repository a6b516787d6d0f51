// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QProcess>
#include <QString>

namespace talvor::test {

// The text of a PDF as a reader sees it, its layout kept (pdftotext, from Debian's poppler-utils).
inline QString pdfText(const QString &path)
{
    QProcess pdftotext;
    pdftotext.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), path, "-"});
    if (!pdftotext.waitForFinished(60000) || pdftotext.exitCode() != 0)
        qFatal("pdftotext failed; it is in Debian's poppler-utils");
    return QString::fromUtf8(pdftotext.readAllStandardOutput());
}

} // namespace talvor::test
