#include "window/TranscriptView.h"

#include "window/ChatStyleFormat.h"

#include <QScrollBar>
#include <QTextCursor>

TranscriptView::TranscriptView(QWidget *parent)
    : QTextEdit(parent)
{
    setReadOnly(true);
    setUndoRedoEnabled(false); // the transcript grows for hours; no undo history to keep
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    setBackgroundColour(0);
    // The document lays itself out lazily, so the range, not the insertion, says when the end
    // has moved.
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, &TranscriptView::onScrolled);
    connect(verticalScrollBar(), &QScrollBar::rangeChanged, this, &TranscriptView::onRangeChanged);
}

void TranscriptView::appendLine(const QString &prefix, const ChatStyle &prefixStyle,
    const QString &body, const ChatStyle &bodyStyle)
{
    // A cursor of our own, so a selection the operator is making is left alone.
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(prefix, ChatStyleFormat::toCharFormat(prefixStyle));
    cursor.insertText(body, ChatStyleFormat::toCharFormat(bodyStyle));
    cursor.insertBlock();
}

void TranscriptView::clearAll()
{
    clear();
}

void TranscriptView::setBackgroundColour(quint32 colour)
{
    QPalette colours = palette();
    colours.setColor(QPalette::Base, ChatStyleFormat::toColor(colour));
    setPalette(colours);
}

void TranscriptView::onScrolled(int value)
{
    m_following = value >= verticalScrollBar()->maximum();
}

void TranscriptView::onRangeChanged(int, int maximum)
{
    // A shrinking document (Clear) can leave the bar at the bottom without a value change.
    if (verticalScrollBar()->value() >= maximum)
        m_following = true;
    if (m_following)
        verticalScrollBar()->setValue(maximum);
}
