#pragma once

#include <QWidget>

class QListWidget;

// The "Debug" tab: a plain list of the host's diagnostic lines.
class DebugTab : public QWidget
{
    Q_OBJECT

public:
    explicit DebugTab(QWidget *parent = nullptr);

    QListWidget *debugList() const { return m_list; }
    // Adds a line and keeps it in view; beyond LinesKept the oldest line goes.
    static constexpr int LinesKept = 1000;
    void appendLine(const QString &line);

private:
    QListWidget *m_list;
};
