#include "window/DebugTab.h"

#include "window/Named.h"

#include <QListWidget>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

DebugTab::DebugTab(QWidget *parent)
    : QWidget(parent)
    , m_list(named(u"List1"_s, new QListWidget(this)))
{
    (new QVBoxLayout(this))->addWidget(m_list);
}

void DebugTab::appendLine(const QString &line)
{
    while (m_list->count() >= LinesKept)
        delete m_list->takeItem(0);
    m_list->addItem(line);
    m_list->scrollToBottom();
}
