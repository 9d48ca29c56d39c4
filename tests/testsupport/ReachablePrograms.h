#pragma once

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace tarsel::test {

/// The build's programs placed where every local account may run them, for a test that runs a
/// program as another account: the checkout itself may lie in a folder that account cannot
/// enter (a clone in a 0700 home, a `mktemp -d` folder). Each program goes into one temporary
/// folder together with the companions it finds beside itself (the plug-in, the clipboard
/// holder), side by side as an install lays them out; the folder goes at the end of the object.
class ReachablePrograms final
{
public:
    /// Places the programs (paths in the build); see ok() and why().
    explicit ReachablePrograms(const QStringList& programs);

    /// False when they could not be placed, or other accounts cannot reach the temporary folder;
    /// why() says which (a reason to skip with).
    bool ok() const { return m_why.isEmpty(); }
    QString why() const { return m_why; }
    /// The folder they are in.
    QString folder() const { return m_dir.path(); }
    /// The placed copy of a program given to the constructor.
    QString path(const QString& program) const;

private:
    bool place(const QString& file);

    QTemporaryDir m_dir;
    QString m_why;
};

/// True when another account may enter every folder on the way to path (each has the search
/// bit for others).
bool othersCanReach(const QString& path);

} // namespace tarsel::test
