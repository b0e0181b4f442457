#include "window/IdentityBinder.h"

#include "host/HostIdentity.h"
#include "host/SettingsEditor.h"
#include "settings/StoredValues.h"
#include "window/ChatroomTab.h"
#include "window/ShowValue.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QScopedValueRollback>

IdentityBinder::IdentityBinder(
    const HostIdentity &identity, SettingsEditor &editor, ChatroomTab &view, QObject *parent)
    : QObject(parent)
    , m_identity(identity)
    , m_editor(editor)
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
    connect(server, &QComboBox::activated, this, [this, server](int index) {
        m_editor.setStoredValue(StoredValues::Server, 0, server->itemText(index));
    });

    connectText(m_view.playerNameInput(), StoredValues::OperatorName);
    connectText(m_view.roomNameInput(), StoredValues::RoomName);
    connectText(m_view.passwordInput(), StoredValues::Password);

    // The tab itself enables the password box by the check mark; this only stores it.
    connect(m_view.lockedBox(), &QCheckBox::toggled, this, [this](bool locked) {
        if (!isShowing())
            m_editor.setStoredValue(StoredValues::Locked, 0, ValueCodec::checkText(locked));
    });
}

void IdentityBinder::connectText(QLineEdit *box, const StoredValue &stored)
{
    connect(box, &QLineEdit::textChanged, this, [this, &stored](const QString &text) {
        if (!isShowing())
            m_editor.setStoredValue(stored, 0, text);
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
