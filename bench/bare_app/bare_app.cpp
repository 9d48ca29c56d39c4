// The yardstick for host_bench: the least a Qt Widgets program costs to start and quit. It makes
// a QApplication from its arguments (which host_bench makes the same as tarsel-finder's), lets
// the event loop turn once and returns; it links nothing but Qt Widgets.

#include <QApplication>
#include <QTimer>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QTimer::singleShot(0, &app, &QCoreApplication::quit);
    return QApplication::exec();
}
