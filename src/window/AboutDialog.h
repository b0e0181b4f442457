#pragma once

#include <QDialog>

// The About box: name, version and credits, and a summary of the system the host runs on.
class AboutDialog : public QDialog
{
    Q_OBJECT

public:
    explicit AboutDialog(QWidget *parent = nullptr);

    // The lines the bot's "+version" repeats.
    static QString versionCaption();
    static QString authorsLine();
    static QString supportLine();

    static QString systemInfoText();

private:
    void showSystemInfo();
};
