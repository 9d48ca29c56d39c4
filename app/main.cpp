#include "platform/System.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    platform::System::setBundleIdentifier(platform::System::kAppBundleId);
    QTextStream out(stdout);
    out << "Tarsel: a context menu of your own for the file manager.\n"
           "The application window is not built yet. The file-manager host will be started as\n"
           "  tarsel-finder menu|pick|popup [--kind N] [--target DIR] [--json] [PATH...]\n";
    return 0;
}
