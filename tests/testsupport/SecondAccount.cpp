#include "SecondAccount.h"

#include "platform/Posix.h"

#include <QProcess>
#include <QStringList>

#include <cerrno>

#include <grp.h>
#include <pwd.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tarsel::test {

namespace {

bool lookUp(uid_t* uid, gid_t* gid)
{
    const passwd* pw = ::getpwnam(SecondAccount::kName);
    if (pw == nullptr) {
        return false;
    }
    *uid = pw->pw_uid;
    *gid = pw->pw_gid;
    return true;
}

// In a forked child: becomes the account for good (groups, group, user, in that order).
bool becomeAccount()
{
    const uid_t uid = SecondAccount::uid();
    const gid_t gid = SecondAccount::gid();
    return ::setgroups(0, nullptr) == 0 && ::setgid(gid) == 0 && ::setuid(uid) == 0 && ::getuid() == uid;
}

int waitFor(pid_t pid)
{
    int status = 0;
    if (platform::posix::retryOnInterrupt([&] { return ::waitpid(pid, &status, 0); }) < 0) {
        return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace

bool SecondAccount::available(QString* why)
{
    uid_t uid = 0;
    gid_t gid = 0;
    if (::geteuid() != 0) {
        *why = QStringLiteral("acting as a second account needs root; this test runs as uid %1").arg(::geteuid());
        return false;
    }
    if (!lookUp(&uid, &gid)) {
        QProcess useradd;
        useradd.start(QStringLiteral("useradd"),
                      { QStringLiteral("--system"), QStringLiteral("--no-create-home"), QStringLiteral("--shell"),
                        QStringLiteral("/usr/sbin/nologin"), QString::fromLatin1(kName) });
        useradd.waitForFinished(30000);
        // A parallel test may have made it meanwhile: the look-up decides.
        if (!lookUp(&uid, &gid)) {
            *why = QStringLiteral("cannot make the account %1: %2")
                       .arg(QString::fromLatin1(kName),
                            QString::fromLocal8Bit(useradd.readAllStandardError()).trimmed());
            return false;
        }
    }
    if (uid == 0) {
        *why = QStringLiteral("the account %1 is not unprivileged").arg(QString::fromLatin1(kName));
        return false;
    }
    return true;
}

uid_t SecondAccount::uid()
{
    uid_t uid = 0;
    gid_t gid = 0;
    lookUp(&uid, &gid);
    return uid;
}

gid_t SecondAccount::gid()
{
    uid_t uid = 0;
    gid_t gid = 0;
    lookUp(&uid, &gid);
    return gid;
}

int SecondAccount::run(const std::function<int()>& fn)
{
    const pid_t pid = ::fork();
    if (pid < 0) {
        return -1;
    }
    if (pid == 0) {
        ::_exit(becomeAccount() ? fn() : 126);
    }
    return waitFor(pid);
}

SecondAccount::Background::Background(const std::function<bool()>& setup, const std::function<int()>& teardown)
{
    int ready[2];
    int release[2];
    if (::pipe(ready) != 0) {
        return;
    }
    if (::pipe(release) != 0) {
        ::close(ready[0]);
        ::close(ready[1]);
        return;
    }
    m_pid = ::fork();
    if (m_pid < 0) {
        for (const int fd : { ready[0], ready[1], release[0], release[1] }) {
            ::close(fd);
        }
        return;
    }
    if (m_pid == 0) {
        ::close(ready[0]);
        ::close(release[1]);
        const char answer = becomeAccount() && setup() ? '1' : '0';
        if (::write(ready[1], &answer, 1) != 1) {
            ::_exit(1);
        }
        // Stays until the parent closes its end (or dies).
        char byte = 0;
        platform::posix::retryOnInterrupt([&] { return ::read(release[0], &byte, 1); });
        ::_exit(teardown ? teardown() : 0);
    }
    ::close(ready[1]);
    ::close(release[0]);
    m_release = release[1];
    char answer = '0';
    platform::posix::retryOnInterrupt([&] { return ::read(ready[0], &answer, 1); });
    ::close(ready[0]);
    m_ok = answer == '1';
}

SecondAccount::Background::~Background()
{
    finish();
}

int SecondAccount::Background::finish()
{
    if (m_release >= 0) {
        ::close(m_release);
        m_release = -1;
    }
    const int result = m_pid > 0 ? waitFor(m_pid) : -1;
    m_pid = -1;
    return result;
}

} // namespace tarsel::test
