#pragma once

#include <QMainWindow>

// The operator's window: a thin view over the host core.
class HostWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit HostWindow(QWidget *parent = nullptr);
};
