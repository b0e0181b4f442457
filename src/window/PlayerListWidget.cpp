#include "window/PlayerListWidget.h"

#include "window/Named.h"

#include <QMenu>
#include <QMouseEvent>

using namespace Qt::StringLiterals;

PlayerListWidget::PlayerListWidget(QWidget *parent)
    : QListWidget(parent)
    , m_popup(named(u"mnupopup"_s, new QMenu(this)))
{
    setSelectionMode(QAbstractItemView::SingleSelection);
    m_whisper = named(u"mnuPopWhisper"_s, m_popup->addAction(u"Whisper"_s));
    m_popup->addSeparator();
    m_kick = named(u"mnuPopKick"_s, m_popup->addAction(u"Kick Player"_s));
    m_ban = named(u"mnuPopKickBan"_s, m_popup->addAction(u"Ban Player"_s));
}

void PlayerListWidget::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::RightButton) {
        openPopupAt(event->position().toPoint());
        event->accept();
        return;
    }
    QListWidget::mousePressEvent(event);
}

void PlayerListWidget::openPopupAt(const QPoint &pos)
{
    // A click below the last row keeps the selection as it was.
    if (QListWidgetItem *hit = itemAt(pos))
        setCurrentItem(hit);
    // Only the operator's own row: there is nobody to kick.
    if (count() > 1)
        m_popup->popup(viewport()->mapToGlobal(pos));
}
