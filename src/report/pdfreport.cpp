// SPDX-License-Identifier: GPL-3.0-or-later
#include "pdfreport.h"

#include <QAbstractTextDocumentLayout>
#include <QBuffer>
#include <QFontMetricsF>
#include <QPainter>
#include <QPdfWriter>
#include <QTextDocument>

namespace talvor {

namespace {

constexpr int kResolution = 300;
constexpr qreal kMarginMillimetres = 15;
constexpr int kFontPoints = 9;
const QString kLightGreen = QStringLiteral("#80ff80");
const QString kWhite = QStringLiteral("#ffffff");
const QString kHeading = QStringLiteral("#e0e0e0");

QString cell(const QString &text, const QString &colour = {})
{
    const QString background =
        colour.isEmpty() ? QString() : QStringLiteral(" bgcolor=\"%1\"").arg(colour);
    return QStringLiteral("<td%1>%2</td>").arg(background, text.toHtmlEscaped());
}

QString headingRow(const QStringList &names)
{
    QString row = QStringLiteral("<tr>");
    for (const QString &name : names)
        row += QStringLiteral("<th bgcolor=\"%1\" align=\"left\">%2</th>").arg(kHeading, name);
    return row + QStringLiteral("</tr>");
}

QString deviceBlock(const TestReport &report)
{
    using namespace reporttext;
    const SystemLine &system = report.system;
    const QList<std::pair<QString, QString>> rows{
        {QStringLiteral("Programm"), report.program},
        {QStringLiteral("Datum"), createdText(report.context.created)},
        {QStringLiteral("Schnittstelle"), portAndDevice(report.context)},
        {QStringLiteral("Seriennummer"), orNoAnswer(system.serialNumber)},
        {QStringLiteral("Hardware-Version"), orNoAnswer(system.hardware)},
        {QStringLiteral("Software-Version"), orNoAnswer(system.software)},
        {QStringLiteral("Sys-Info Rohdaten"), orNoAnswer(system.frame)},
    };
    QString html = QStringLiteral("<table cellspacing=\"0\" cellpadding=\"2\" width=\"70%\">");
    for (const auto &[name, value] : rows)
        html += QStringLiteral("<tr><td><b>%1</b></td>%2</tr>").arg(name, cell(value));
    return html + QStringLiteral("</table>");
}

QString verdictBlock(const CheckVerdict &verdict)
{
    QString html = QStringLiteral("<p><b>Ergebnis der Prüfung: %1</b></p>")
                       .arg(reporttext::verdictText(verdict));
    if (!verdict.findings.isEmpty()) {
        html += QStringLiteral("<ul>");
        for (const QString &finding : verdict.findings)
            html += QStringLiteral("<li>%1</li>").arg(finding.toHtmlEscaped());
        html += QStringLiteral("</ul>");
    }
    return html;
}

QString detectorTable(const TestReport &report)
{
    QString html = QStringLiteral("<table border=\"1\" cellspacing=\"0\" cellpadding=\"3\" "
                                  "width=\"100%\" style=\"border-collapse: collapse\">");
    html +=
        headingRow({QStringLiteral("Nr."), QStringLiteral("Adresse"), QStringLiteral("Rohdaten"),
                    QStringLiteral("Meldezeit"), QStringLiteral("CV"),
                    QStringLiteral("Rohdaten CV"), QStringLiteral("Meldezeit CV")});
    for (int n = 1; n <= kDetectorCount; ++n) {
        const DetectorLine &line = report.detectors[size_t(n - 1)];
        html += QStringLiteral("<tr>") + cell(QString::number(n));
        if (!line.answered()) {
            html += QStringLiteral("<td colspan=\"6\">%1</td></tr>").arg(reporttext::kNoReport);
            continue;
        }
        html += cell(line.address, line.lightGreen ? kLightGreen : kWhite) +
                cell(line.addressFrame) + cell(line.addressTime) + cell(line.cv) +
                cell(line.cvFrame) + cell(line.cvTime) + QStringLiteral("</tr>");
    }
    return html + QStringLiteral("</table>");
}

// Paints the document page by page, each with its footer below the text.
void paintPages(QPdfWriter &writer, QTextDocument &document, qreal footerHeight,
                const QString &program)
{
    QPainter painter(&writer);
    painter.setFont(document.defaultFont());
    const qreal width = document.pageSize().width();
    const qreal textHeight = document.pageSize().height();
    const int pages = document.pageCount();
    for (int i = 0; i < pages; ++i) {
        if (i > 0)
            writer.newPage();
        painter.save();
        painter.translate(0, -i * textHeight);
        document.drawContents(&painter, QRectF(0, i * textHeight, width, textHeight));
        painter.restore();
        painter.drawText(QRectF(0, textHeight, width, footerHeight),
                         Qt::AlignRight | Qt::AlignBottom,
                         QStringLiteral("%1 – Seite %2 von %3").arg(program).arg(i + 1).arg(pages));
    }
}

} // namespace

QString reportHtml(const TestReport &report)
{
    QString html = QStringLiteral("<h2>Prüfbericht Talvor</h2>") + deviceBlock(report);
    html += QStringLiteral("<p><b>%1</b></p>").arg(reporttext::answeredSummary(report));
    if (report.verdict)
        html += verdictBlock(*report.verdict);
    return html + detectorTable(report);
}

QByteArray pdfReport(const TestReport &report)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setResolution(kResolution);
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setPageMargins(QMarginsF(kMarginMillimetres, kMarginMillimetres, kMarginMillimetres,
                                        kMarginMillimetres),
                              QPageLayout::Millimeter);
        writer.setTitle(QStringLiteral("Prüfbericht Talvor"));
        writer.setCreator(report.program);
        const QFont font(QStringLiteral("Liberation Sans"), kFontPoints);
        const qreal footerHeight = QFontMetricsF(font, &writer).height() * 2;
        const QSizeF page = writer.pageLayout().paintRectPixels(kResolution).size();
        // The page size first: a document without one lays itself out later, by a timer, which
        // a writer thread does not have.
        QTextDocument document;
        document.documentLayout()->setPaintDevice(&writer);
        document.setDefaultFont(font);
        document.setPageSize(QSizeF(page.width(), page.height() - footerHeight));
        document.setHtml(reportHtml(report));
        paintPages(writer, document, footerHeight, report.program);
    }
    return buffer.data();
}

} // namespace talvor
