#pragma once

#include "appearance/ChatStyles.h"
#include "chat/ChatOptions.h"
#include "host/HostIdentity.h"
#include "host/SettingsEditor.h"
#include "settings/SettingsStore.h"
#include "tournament/TournamentSettings.h"

// Changes the stored values through the models that hold them: the identity, the tournament,
// the chat options and the styles. A value no model holds while the host runs (the network
// values) is written to the store and read at the next start.
class StoredValueEditor final : public SettingsEditor
{
public:
    StoredValueEditor(
        SettingsStore &store, HostIdentity &identity, ChatOptions &options, ChatStyles &styles);

    // The tournament exists once the ladders are loaded; until then its values cannot be set.
    void setTournament(TournamentSettings *tournament) { m_tournament = tournament; }

    bool setStoredValue(
        const QString &valueName, const QString &text, QString *reason = nullptr) override;
    bool setStoredValue(const StoredValue &value, int index, const QString &text,
        QString *reason = nullptr) override;
    bool chooseForEveryRound(const StoredValue &column, const QString &text) override;
    QString storedValue(const QString &valueName) const override;
    void chooseColour(int slot, quint32 colour) override;
    void chooseFont(int slot, const ChatFont &font) override;

private:
    // Hands the value, already in its stored form, to its model; false when the model refuses it.
    bool apply(const StoredValue &value, int index, const QString &text);
    QString current(const StoredValue &value, int index) const;

    SettingsStore &m_store;
    HostIdentity &m_identity;
    ChatOptions &m_options;
    ChatStyles &m_styles;
    TournamentSettings *m_tournament = nullptr;
};
