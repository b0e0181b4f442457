#pragma once

#include "chatserver/BanRow.h"

#include <QDialog>

#include <optional>

class QComboBox;
class QFormLayout;
class QLabel;
class QLineEdit;
class QPushButton;

// Asks how long to ban a player and why, as the console's "/ban [DURATION] [REASON]" takes it:
// for good, an hour, a day, seven days or a typed duration ("30m", "2h", "14d"), and an optional
// reason. It knows nothing of the player but the name it shows; whoever opens it decides what
// the accepted terms act on.
class BanDialog : public QDialog
{
    Q_OBJECT

public:
    // The entries of the duration list, in order; Typed takes the text of the duration box.
    enum Choice { Permanent, OneHour, OneDay, SevenDays, Typed, ChoiceCount };
    static constexpr int ReasonLimit = 80;

    explicit BanDialog(const QString &playerName, QWidget *parent = nullptr);

    QComboBox *durationChoice() const { return m_duration; }
    QLineEdit *typedDuration() const { return m_typed; }
    QLineEdit *reasonInput() const { return m_reason; }
    QPushButton *banButton() const { return m_ban; }

    // What the dialog reads now; nothing while a typed duration is not one.
    std::optional<BanTerms> terms() const;

    // Opens a dialog for that player (window-modal, without a nested event loop) and calls
    // onBan with the terms once the operator confirms; a cancel does nothing.
    template <typename OnBan>
    static BanDialog *ask(QWidget *parent, const QString &playerName, OnBan onBan)
    {
        auto *dialog = new BanDialog(playerName, parent);
        QObject::connect(dialog, &BanDialog::banChosen, parent, onBan);
        dialog->open();
        return dialog;
    }

Q_SIGNALS:
    void banChosen(const BanTerms &terms);

private:
    void updateState();

    QFormLayout *m_form = nullptr;
    QComboBox *m_duration;
    QLineEdit *m_typed;
    QLineEdit *m_reason;
    QLabel *m_problem;
    QPushButton *m_ban;
};
