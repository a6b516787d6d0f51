// SPDX-License-Identifier: GPL-3.0-or-later
#include "accessibletrafficlog.h"

#include "logrowlayout.h"
#include "trafficlogview.h"

#include <QAccessibleWidget>

namespace talvor {

namespace {

// Every answer is made from the log's line store and the view's index of where lines start, so a
// range costs time in proportion to its length and the place of an offset is a binary search, also
// in a log of 16 MiB.
class AccessibleTrafficLog : public QAccessibleWidget, public QAccessibleTextInterface {
public:
    explicit AccessibleTrafficLog(TrafficLogView *view)
        : QAccessibleWidget(view, QAccessible::EditableText)
    {
    }

    void *interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface *>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        state.readOnly = true;
        state.multiLine = true;
        state.selectableText = true;
        return state;
    }

    void selection(int selectionIndex, int *startOffset, int *endOffset) const override
    {
        const bool exists = selectionIndex == 0 && view()->hasSelection();
        *startOffset = exists ? told(view()->selectionStart()) : 0;
        *endOffset = exists ? told(view()->selectionEnd()) : 0;
    }

    int selectionCount() const override { return view()->hasSelection() ? 1 : 0; }

    void addSelection(int startOffset, int endOffset) override
    {
        view()->select(startOffset, endOffset);
    }

    void removeSelection(int selectionIndex) override
    {
        if (selectionIndex == 0)
            view()->select(view()->caret(), view()->caret());
    }

    void setSelection(int selectionIndex, int startOffset, int endOffset) override
    {
        if (selectionIndex == 0)
            view()->select(startOffset, endOffset);
    }

    int cursorPosition() const override { return told(view()->caret()); }

    void setCursorPosition(int position) override { view()->select(position, position); }

    QString text(QAccessible::Text kind) const override { return QAccessibleWidget::text(kind); }

    QString text(int startOffset, int endOffset) const override
    {
        return view()->textBetween(startOffset, told(endOffset));
    }

    QString textBeforeOffset(int offset, QAccessible::TextBoundaryType boundaryType,
                             int *startOffset, int *endOffset) const override
    {
        const int before = int(unitAround(offset, boundaryType).first) - 1;
        if (before < 0)
            return nothingAt(0, startOffset, endOffset);
        return unitAt(before, boundaryType, startOffset, endOffset);
    }

    QString textAfterOffset(int offset, QAccessible::TextBoundaryType boundaryType,
                            int *startOffset, int *endOffset) const override
    {
        const int after = int(unitAround(offset, boundaryType).second);
        if (after >= characterCount())
            return nothingAt(characterCount(), startOffset, endOffset);
        return unitAt(after, boundaryType, startOffset, endOffset);
    }

    // At the end of the text there is no char, but still the last line and word.
    QString textAtOffset(int offset, QAccessible::TextBoundaryType boundaryType, int *startOffset,
                         int *endOffset) const override
    {
        const int length = characterCount();
        if (offset < 0 || offset > length ||
            (boundaryType == QAccessible::CharBoundary && offset == length))
            return nothingAt(std::clamp(offset, 0, length), startOffset, endOffset);
        return unitAt(offset, boundaryType, startOffset, endOffset);
    }

    QRect characterRect(int offset) const override
    {
        const QRect rect = view()->charRect(offset);
        if (rect.isEmpty())
            return {};
        return {view()->viewport()->mapToGlobal(rect.topLeft()), rect.size()};
    }

    int offsetAtPoint(const QPoint &point) const override
    {
        const QPoint pos = view()->viewport()->mapFromGlobal(point);
        return view()->viewport()->rect().contains(pos) ? int(view()->offsetAt(pos)) : -1;
    }

    void scrollToSubstring(int startIndex, int) override { view()->scrollToOffset(startIndex); }

    // The log's text has no attributes: one run over all of it.
    QString attributes(int, int *startOffset, int *endOffset) const override
    {
        *startOffset = 0;
        *endOffset = characterCount();
        return {};
    }

    int characterCount() const override { return int(view()->readableLength()); }

private:
    // Brought up to the log first: the log may have changed since the view's last refresh.
    TrafficLogView *view() const
    {
        auto *view = static_cast<TrafficLogView *>(widget());
        view->refresh();
        return view;
    }

    // Within the text as it is told.
    std::pair<qsizetype, qsizetype> unitAround(int offset,
                                               QAccessible::TextBoundaryType boundaryType) const
    {
        const auto [start, end] = viewUnitAround(offset, boundaryType);
        return {told(start), told(end)};
    }

    std::pair<qsizetype, qsizetype> viewUnitAround(int offset,
                                                   QAccessible::TextBoundaryType boundaryType) const
    {
        const qsizetype length = characterCount();
        switch (boundaryType) {
        case QAccessible::CharBoundary:
            // A hex pair is read as one: a screen reader reads the "char" at the caret after
            // Left, Right, Home and End, which move the caret by pairs.
            return view()->pairAround(offset);
        case QAccessible::WordBoundary:
            return view()->wordAround(offset);
        case QAccessible::LineBoundary:
            return view()->rowAround(offset);
        case QAccessible::SentenceBoundary:
        case QAccessible::ParagraphBoundary:
            return view()->lineAround(offset);
        case QAccessible::NoBoundary:
            break;
        }
        return {0, length};
    }

    QString unitAt(int offset, QAccessible::TextBoundaryType boundaryType, int *startOffset,
                   int *endOffset) const
    {
        const auto [start, end] = unitAround(offset, boundaryType);
        *startOffset = int(start);
        *endOffset = int(end);
        return view()->textBetween(start, end);
    }

    // An offset within the text as it is told.
    int told(qsizetype offset) const { return int(std::min<qsizetype>(offset, characterCount())); }

    static QString nothingAt(int offset, int *startOffset, int *endOffset)
    {
        *startOffset = *endOffset = offset;
        return {};
    }
};

QAccessibleInterface *trafficLogInterface(const QString &className, QObject *object)
{
    if (className == QLatin1String(TrafficLogView::staticMetaObject.className()))
        return new AccessibleTrafficLog(static_cast<TrafficLogView *>(object));
    return nullptr;
}

} // namespace

void installTrafficLogAccessibility()
{
    static const bool installed = [] {
        QAccessible::installFactory(trafficLogInterface);
        return true;
    }();
    Q_UNUSED(installed);
}

AccessibleLogNews::AccessibleLogNews(TrafficLogView *view, const LogRowLayout &layout)
    : m_view(view)
    , m_layout(layout)
{
    m_pause.setSingleShot(true);
    m_pause.setInterval(kInterval);
    QObject::connect(&m_pause, &QTimer::timeout, view, [this] {
        if (m_pending)
            tellNow();
    });
}

void AccessibleLogNews::textChanged()
{
    // Nobody listening: only what is told next is noted, at once.
    if (m_pause.isActive() && QAccessible::isActive())
        m_pending = true;
    else
        tellNow();
}

void AccessibleLogNews::tellNow()
{
    m_pending = false;
    tell();
    m_pause.start();
}

// The dropped text itself is no longer held, so its removal is told by place and length (as
// blanks).
void AccessibleLogNews::tell()
{
    TrafficLogView *view = m_view;
    const LogRowLayout &layout = m_layout;
    const qint64 start = layout.textStart();
    const qint64 end = layout.readableEnd();
    const char last = end > start ? layout.charAt(end - 1) : 0;
    if (QAccessible::isActive()) {
        const qint64 keptFrom = std::min(start, m_toldEnd);
        if (keptFrom > m_toldStart) {
            QAccessibleTextRemoveEvent removed(view, 0, QString(keptFrom - m_toldStart, u' '));
            QAccessible::updateAccessibility(&removed);
        }
        qint64 from = std::max(m_toldEnd, start);
        if (m_toldEnd > start && m_toldEnd <= end && layout.charAt(m_toldEnd - 1) != m_toldLast) {
            from = m_toldEnd - 1;
            QAccessibleTextRemoveEvent changed(view, int(from - start),
                                               QString(QLatin1Char(m_toldLast)));
            QAccessible::updateAccessibility(&changed);
        }
        if (end > from) {
            QAccessibleTextInsertEvent inserted(view, int(from - start),
                                                QString::fromLatin1(layout.textBetween(from, end)));
            QAccessible::updateAccessibility(&inserted);
        }
    }
    m_toldStart = start;
    m_toldEnd = end;
    m_toldLast = last;
}

void AccessibleLogNews::selectionChanged(TrafficLogView *view)
{
    if (!QAccessible::isActive())
        return;
    const auto told = [view](qsizetype offset) {
        return int(std::min(offset, view->readableLength()));
    };
    QAccessibleTextSelectionEvent selection(view, told(view->selectionStart()),
                                            told(view->selectionEnd()));
    selection.setCursorPosition(told(view->caret()));
    QAccessible::updateAccessibility(&selection);
    QAccessibleTextCursorEvent moved(view, told(view->caret()));
    QAccessible::updateAccessibility(&moved);
}

} // namespace talvor
