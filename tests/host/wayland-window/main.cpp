// A stand-in for the file manager in the Wayland tests: one ordinary window (app_id
// "tarsel-test-files"), which the compositor tiles over the workspace, until the program is ended.

#include <QApplication>
#include <QWidget>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QGuiApplication::setDesktopFileName(QStringLiteral("tarsel-test-files"));
    QWidget window;
    window.setWindowTitle(QStringLiteral("Files"));
    window.show();
    return QApplication::exec();
}
