#include "foundation/QVScriptResult.h"

#include "platform/ModalPolicy.h"

#include <QCoreApplication>

#include <cstdio>

namespace {

QVScriptResult::Window& installedWindow()
{
    static QVScriptResult::Window window;
    return window;
}

void writeToStandardError(const QVScriptResult& result)
{
    QString name = QCoreApplication::applicationName();
    if (name.isEmpty()) {
        name = QStringLiteral("tarsel");
    }
    const QString state = result.success ? QStringLiteral("succeeded") : QStringLiteral("failed");
    QString text = result.text;
    if (!text.endsWith(QLatin1Char('\n'))) {
        text += QLatin1Char('\n');
    }
    const QString report = QStringLiteral("%1: script \"%2\" %3 [no display to show the result]:\n%4")
                               .arg(name, result.title, state, text);
    std::fputs(report.toUtf8().constData(), stderr);
    std::fflush(stderr);
}

} // namespace

void QVScriptResult::setWindow(Window window)
{
    installedWindow() = std::move(window);
}

void QVScriptResult::show(const QVScriptResult& result)
{
    const Window& window = installedWindow();
    if (!window || !platform::ModalPolicy::canAskUser()) {
        writeToStandardError(result);
        return;
    }
    window(result);
}
