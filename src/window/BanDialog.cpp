#include "window/BanDialog.h"

#include "chatserver/BanDuration.h"
#include "window/Named.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

BanDialog::BanDialog(const QString &playerName, QWidget *parent)
    : QDialog(parent)
    , m_duration(named(u"cboBanDuration"_s, new QComboBox(this)))
    , m_typed(named(u"txtBanDuration"_s, new QLineEdit(this)))
    , m_reason(named(u"txtBanReason"_s, new QLineEdit(this)))
    , m_problem(named(u"lblBanProblem"_s, new QLabel(this)))
{
    setObjectName(u"dlgBan"_s);
    setWindowTitle(u"Ban Player"_s);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowModality(Qt::WindowModal);

    auto *question = named(u"lblBanQuestion"_s,
        new QLabel(u"Ban %1 and refuse their address?"_s.arg(playerName), this));
    question->setTextFormat(Qt::PlainText); // a player's name is never markup
    m_duration->addItems(
        {u"Permanent"_s, u"1 hour"_s, u"1 day"_s, u"7 days"_s, u"Other duration"_s});
    m_typed->setPlaceholderText(u"30m, 2h, 14d or 2w"_s);
    m_typed->setMaxLength(8);
    m_reason->setPlaceholderText(u"Optional"_s);
    m_reason->setToolTip(u"Shown in the ban list"_s);
    m_reason->setMaxLength(ReasonLimit);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, this);
    m_ban = named(u"cmdBan"_s, buttons->addButton(u"Ban"_s, QDialogButtonBox::AcceptRole));
    // The dialog is the question: Enter after the reason bans, Escape does not.
    m_ban->setDefault(true);

    m_form = new QFormLayout;
    auto *form = m_form;
    form->addRow(u"Duration"_s, m_duration);
    form->addRow(u"Typed duration"_s, m_typed);
    form->addRow(u"Reason"_s, m_reason);
    setMinimumWidth(380);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(question);
    layout->addLayout(form);
    layout->addWidget(m_problem);
    layout->addWidget(buttons);

    connect(m_duration, &QComboBox::currentIndexChanged, this, &BanDialog::updateState);
    connect(m_typed, &QLineEdit::textChanged, this, &BanDialog::updateState);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        if (const std::optional<BanTerms> chosen = terms()) {
            accept();
            Q_EMIT banChosen(*chosen);
        }
    });
    updateState();
}

std::optional<BanTerms> BanDialog::terms() const
{
    BanTerms chosen;
    chosen.reason = m_reason->text().trimmed();
    switch (m_duration->currentIndex()) {
    case OneHour:
        chosen.duration = 1h;
        break;
    case OneDay:
        chosen.duration = 24h;
        break;
    case SevenDays:
        chosen.duration = 7 * 24h;
        break;
    case Typed:
        chosen.duration = BanDuration::parse(m_typed->text());
        if (!chosen.duration)
            return std::nullopt;
        break;
    default:
        break; // for good
    }
    return chosen;
}

void BanDialog::updateState()
{
    const bool typing = m_duration->currentIndex() == Typed;
    // The typed duration's row is there only when it counts.
    m_typed->setEnabled(typing);
    m_form->setRowVisible(m_typed, typing);
    const bool valid = terms().has_value();
    m_ban->setEnabled(valid);
    m_problem->setText(valid || m_typed->text().isEmpty()
            ? QString()
            : u"Not a duration: a number and m, h, d or w (at most ten years)"_s);
    m_problem->setVisible(!m_problem->text().isEmpty());
}
