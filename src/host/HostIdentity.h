#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

class SettingsStore;
struct StoredValue;

// The operator's identity and room inputs on the Chatroom tab, written through to the settings on
// every change and restored at start-up.
class HostIdentity : public QObject
{
    Q_OBJECT

public:
    static QStringList serverChoices(); // "Glenmora Net", "ViraruRor"

    explicit HostIdentity(SettingsStore &store, QObject *parent = nullptr);

    void restore();

    QString server() const { return m_server; } // cServer
    QString operatorName() const { return m_operatorName; } // pName
    QString roomName() const { return m_roomName; } // cName
    QString password() const { return m_password; } // cPass
    bool locked() const { return m_locked; } // cLocked
    QString welcomeMessage() const { return m_welcome; } // cWelcomeMsg

    // Each stores its value at once. Texts are cut to their boxes' limits (20, 18, 20), as the
    // stored values declare them.
    void chooseServer(const QString &text); // only one of serverChoices()
    void setOperatorName(const QString &text);
    void setRoomName(const QString &text);
    void setPassword(const QString &text);
    void setLocked(bool locked);
    void setWelcomeMessage(const QString &text);

Q_SIGNALS:
    void changed();

private:
    void setText(QString &value, const StoredValue &stored, const QString &text);
    // The length a text value is cut to; -1 keeps it whole.
    static int limit(const StoredValue &value);

    SettingsStore &m_store;
    QString m_server;
    QString m_operatorName;
    QString m_roomName;
    QString m_password;
    bool m_locked = false;
    QString m_welcome;
};
