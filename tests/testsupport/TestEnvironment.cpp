#include "TestEnvironment.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QProcess>

namespace tarsel::test {

namespace {

QMap<QString, ChildMain>& children()
{
    static QMap<QString, ChildMain> map;
    return map;
}

} // namespace

QString testHome()
{
    return qEnvironmentVariable("HOME");
}

QString inHome(const QString& relative)
{
    return testHome() + QLatin1Char('/') + relative;
}

QString writeFile(const QString& path, const QByteArray& contents)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        f.write(contents);
    }
    return path;
}

QString installApplication(const QString& id, const QString& name, const QString& exec)
{
    const QString dataHome = qEnvironmentVariable("XDG_DATA_HOME", testHome() + QStringLiteral("/.local/share"));
    return writeFile(dataHome + QStringLiteral("/applications/") + id + QStringLiteral(".desktop"),
                     QStringLiteral("[Desktop Entry]\nType=Application\nName=%1\nExec=%2\n").arg(name, exec).toUtf8());
}

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

ScopedEnvironment::~ScopedEnvironment()
{
    // Newest first, so a variable changed twice ends with its first saved value.
    for (auto it = m_saved.crbegin(); it != m_saved.crend(); ++it) {
        if (it->second) {
            qputenv(it->first.constData(), *it->second);
        } else {
            qunsetenv(it->first.constData());
        }
    }
}

void ScopedEnvironment::remember(const char* name)
{
    const std::optional<QByteArray> old
        = qEnvironmentVariableIsSet(name) ? std::optional<QByteArray>(qgetenv(name)) : std::nullopt;
    m_saved.append({ QByteArray(name), old });
}

ScopedEnvironment& ScopedEnvironment::set(const char* name, const QByteArray& value)
{
    remember(name);
    qputenv(name, value);
    return *this;
}

ScopedEnvironment& ScopedEnvironment::unset(const char* name)
{
    remember(name);
    qunsetenv(name);
    return *this;
}

bool registerChild(const char* name, ChildMain fn)
{
    children().insert(QString::fromLatin1(name), std::move(fn));
    return true;
}

QString testBinary()
{
    return QCoreApplication::applicationFilePath();
}

ChildResult runChild(const QString& name, const QStringList& args, int timeoutMs)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("TARSEL_TEST_CHILD"), name);
    process.setProcessEnvironment(env);
    process.start(testBinary(), args);
    ChildResult result;
    if (!process.waitForStarted(timeoutMs) || !process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
        result.err = process.readAllStandardError() + "\nchild did not finish in time";
        return result;
    }
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    return result;
}

// Called from the test main: when this process was started as a child, runs it.
int runChildIfRequested(int argc, char** argv, bool* handled)
{
    const QString name = qEnvironmentVariable("TARSEL_TEST_CHILD");
    *handled = !name.isEmpty();
    if (name.isEmpty()) {
        return 0;
    }
    const auto it = children().constFind(name);
    if (it == children().constEnd()) {
        fprintf(stderr, "unknown test child %s\n", qPrintable(name));
        return 127;
    }
    QStringList args;
    for (int i = 1; i < argc; ++i) {
        args << QString::fromLocal8Bit(argv[i]);
    }
    return (*it)(args);
}

} // namespace tarsel::test
