#pragma once

#include "appearance/ChatStyle.h"

#include <QTextEdit>

// The operator's transcript: read-only, grows by whole lines of two styled runs. It follows the
// newest line while the operator is at the bottom; once they scroll up to read older text it stays
// where they are until they scroll back down.
class TranscriptView : public QTextEdit
{
    Q_OBJECT

public:
    explicit TranscriptView(QWidget *parent = nullptr);

    void appendLine(const QString &prefix, const ChatStyle &prefixStyle, const QString &body,
        const ChatStyle &bodyStyle);
    void clearAll();
    void setBackgroundColour(quint32 colour);

    // True while new lines scroll into view (the operator is at the bottom).
    bool isFollowingNewLines() const { return m_following; }

private:
    void onScrolled(int value);
    void onRangeChanged(int minimum, int maximum);

    bool m_following = true;
};
