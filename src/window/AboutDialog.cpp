#include "window/AboutDialog.h"

#include "chat/ProgramCredits.h"
#include "window/Named.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QSysInfo>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

AboutDialog::AboutDialog(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(u"frmAbout"_s);
    setWindowTitle(u"About "_s + ProgramCredits::programName());

    auto *name = new QLabel(ProgramCredits::programName(), this);
    QFont big = name->font();
    big.setPointSizeF(big.pointSizeF() * 1.6);
    big.setBold(true);
    name->setFont(big);
    auto *version = named(u"lblVersion"_s, new QLabel(versionCaption(), this));
    auto *authors = new QLabel(authorsLine(), this);
    auto *support = new QLabel(supportLine(), this);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    QPushButton *systemInfo = named(
        u"cmdSysInfo"_s, buttons->addButton(u"&System Info..."_s, QDialogButtonBox::ActionRole));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(systemInfo, &QPushButton::clicked, this, &AboutDialog::showSystemInfo);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(name);
    layout->addWidget(version);
    layout->addSpacing(8);
    layout->addWidget(authors);
    layout->addWidget(support);
    layout->addSpacing(8);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

QString AboutDialog::versionCaption()
{
    return ProgramCredits::versionCaption();
}

QString AboutDialog::authorsLine()
{
    return ProgramCredits::authorsLine();
}

QString AboutDialog::supportLine()
{
    return ProgramCredits::supportLine();
}

QString AboutDialog::systemInfoText()
{
    return u"Operating system: %1\nKernel: %2 %3\nCPU architecture: %4\nQt version: %5"_s.arg(
        QSysInfo::prettyProductName(), QSysInfo::kernelType(), QSysInfo::kernelVersion(),
        QSysInfo::currentCpuArchitecture(), QString::fromLatin1(qVersion()));
}

void AboutDialog::showSystemInfo()
{
#ifdef Q_OS_WIN
    // Windows has a system information tool of its own; a summary stands in where it is missing.
    const QString tool = QStandardPaths::findExecutable(u"msinfo32"_s);
    if (!tool.isEmpty() && QProcess::startDetached(tool, {}))
        return;
#endif
    // open(), not exec(): the host keeps serving its room while the box is up.
    auto *box = new QMessageBox(
        QMessageBox::Information, u"System Info"_s, systemInfoText(), QMessageBox::Ok, this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}
