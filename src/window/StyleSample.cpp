#include "window/StyleSample.h"

#include "window/ChatStyleFormat.h"
#include "window/FontLabel.h"

#include <QTextCursor>
#include <QTextEdit>

using namespace Qt::StringLiterals;

namespace StyleSample {

namespace {

void setBackground(QTextEdit &box, quint32 background)
{
    QPalette colours = box.palette();
    colours.setColor(QPalette::Base, ChatStyleFormat::toColor(background));
    box.setPalette(colours);
}

} // namespace

void refresh(QTextEdit &sampleBox, const QList<FontLabel *> &fontLabels, quint32 background,
    const Styles &styles)
{
    sampleBox.clear();
    setBackground(sampleBox, background);

    struct SampleLine
    {
        QString prefix;
        QString body;
        Slot bodySlot;
    };
    const SampleLine lines[] = {
        {u"Player: "_s, u"General Chat"_s, GeneralChat},
        {u"<To> Player: "_s, u"Whisper To Chat"_s, WhisperTo},
        {u"<From> Player: "_s, u"Whisper From Chat"_s, WhisperFrom},
        {u"System: "_s, u"System Messages"_s, SystemMessages},
        // The bot's answers for the operator are drawn as system messages.
        {u"BOT: "_s, u"Bot Answers"_s, SystemMessages},
    };
    QTextCursor cursor(sampleBox.document());
    cursor.movePosition(QTextCursor::End);
    for (const SampleLine &line : lines) {
        cursor.insertText(line.prefix, ChatStyleFormat::toCharFormat(styles[PlayerName]));
        cursor.insertText(line.body, ChatStyleFormat::toCharFormat(styles[line.bodySlot]));
        cursor.insertBlock();
    }

    for (int slot = 0; slot < fontLabels.size() && slot < SlotCount; ++slot) {
        fontLabels[slot]->setStyleFont(styles[slot]);
        fontLabels[slot]->setColours(styles[slot].colour, background);
    }
}

} // namespace StyleSample
