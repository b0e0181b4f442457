#include "host/HostWindow.h"

#include <QApplication>

using namespace Qt::StringLiterals;

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(u"Vornic Host"_s);
    QApplication::setApplicationVersion(u"1.4"_s);

    HostWindow window;
    window.show();
    return QApplication::exec();
}
