#include "host/HostWindow.h"

using namespace Qt::StringLiterals;

HostWindow::HostWindow(QWidget *parent)
    : QMainWindow(parent)
{
    setWindowTitle(u"Vornic Host - Disconnected"_s);
    resize(760, 560);
}
