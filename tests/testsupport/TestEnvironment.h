#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace tarsel::test {

/// The private folder tree of the running test: HOME and the XDG folders point into it.
/// Every test gets a fresh one (see TestMain.cpp); it is removed when the test ends.
QString testHome();
/// A path inside the test's home: testHome() + "/" + relative.
QString inHome(const QString& relative);

/// Writes a file (creating parent folders); answers the path.
QString writeFile(const QString& path, const QByteArray& contents);
QByteArray readFile(const QString& path);

/// Sets or removes environment variables for a scope and puts the old values back at its end
/// (child processes started meanwhile inherit the changed environment).
class ScopedEnvironment
{
public:
    ScopedEnvironment() = default;
    ~ScopedEnvironment();
    ScopedEnvironment& set(const char* name, const QByteArray& value);
    ScopedEnvironment& unset(const char* name);
    Q_DISABLE_COPY_MOVE(ScopedEnvironment)

private:
    void remember(const char* name);
    QList<QPair<QByteArray, std::optional<QByteArray>>> m_saved;
};

/// Installs an application's desktop entry "<id>.desktop" in the test's own data folder;
/// answers the entry's path.
QString installApplication(const QString& id, const QString& name,
                           const QString& exec = QStringLiteral("/bin/true %F"));

/// Child processes: a test can run a function of its own binary in a separate process.
/// Register it at namespace scope with TARSEL_TEST_CHILD(name) { ... return exitCode; }
/// and start it with runChild(name, args): the child inherits the test's HOME and XDG folders.
using ChildMain = std::function<int(const QStringList& args)>;
bool registerChild(const char* name, ChildMain fn);

struct ChildResult
{
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};
/// Runs a registered child function in a new process and waits for it (timeout in ms).
ChildResult runChild(const QString& name, const QStringList& args = {}, int timeoutMs = 60000);

/// The path of the running test binary.
QString testBinary();

} // namespace tarsel::test

#define TARSEL_TEST_CHILD(name)                                                                                        \
    static int tarselChild_##name(const QStringList& args);                                                            \
    static const bool tarselChildRegistered_##name = ::tarsel::test::registerChild(#name, &tarselChild_##name);        \
    static int tarselChild_##name([[maybe_unused]] const QStringList& args)
