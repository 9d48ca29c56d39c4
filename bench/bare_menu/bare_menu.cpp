// The yardstick for popup_bench: the least a Qt program does to show a context menu. It starts a
// QApplication, builds a QMenu of one entry and pops it up at the pointer, like tarsel-finder
// popup does, and links nothing but Qt Widgets.

#include <QApplication>
#include <QCursor>
#include <QMenu>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QMenu menu;
    menu.addAction(QStringLiteral("Copy Path"));
    menu.exec(QCursor::pos());
    return 0;
}
