#include "window/IdentityBinder.h"

#include "host/HostIdentity.h"
#include "window/ChatroomTab.h"
#include "window/ShowValue.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QScopedValueRollback>

IdentityBinder::IdentityBinder(HostIdentity &identity, ChatroomTab &view, QObject *parent)
    : QObject(parent)
    , m_identity(identity)
    , m_view(view)
{
    {
        const QScopedValueRollback showing(m_showing, true);
        fillChoices(*m_view.serverChoice(), HostIdentity::serverChoices());
    }
    showIdentity();
    connectEdits();
    connect(&m_identity, &HostIdentity::changed, this, &IdentityBinder::showIdentity);
}

void IdentityBinder::connectEdits()
{
    // activated() comes only from the operator's choice, never from showing a value.
    QComboBox *server = m_view.serverChoice();
    connect(server, &QComboBox::activated, this,
        [this, server](int index) { m_identity.chooseServer(server->itemText(index)); });

    connectText(m_view.playerNameInput(),
        [this](const QString &text) { m_identity.setOperatorName(text); });
    connectText(
        m_view.roomNameInput(), [this](const QString &text) { m_identity.setRoomName(text); });
    connectText(
        m_view.passwordInput(), [this](const QString &text) { m_identity.setPassword(text); });

    // The tab itself enables the password box by the check mark; this only stores it.
    connect(m_view.lockedBox(), &QCheckBox::toggled, this, [this](bool locked) {
        if (!isShowing())
            m_identity.setLocked(locked);
    });
}

void IdentityBinder::connectText(QLineEdit *box, const std::function<void(const QString &)> &store)
{
    connect(box, &QLineEdit::textChanged, this, [this, store](const QString &text) {
        if (!isShowing())
            store(text);
    });
}

void IdentityBinder::showIdentity()
{
    const QScopedValueRollback showing(m_showing, true);
    showChoice(*m_view.serverChoice(), m_identity.server());
    showText(*m_view.playerNameInput(), m_identity.operatorName());
    showText(*m_view.roomNameInput(), m_identity.roomName());
    showChecked(*m_view.lockedBox(), m_identity.locked());
    showText(*m_view.passwordInput(), m_identity.password());
}
