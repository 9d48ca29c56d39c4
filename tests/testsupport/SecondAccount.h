#pragma once

#include <QString>

#include <functional>

#include <sys/types.h>

namespace tarsel::test {

/// An unprivileged local account, "tarsel-attacker", for tests of what another user of the
/// machine can do to ours: plant files in a shared folder, hold its locks, squat a socket.
/// The account is made with useradd the first time it is needed; that takes root, which CI has.
/// Code runs as the account in a forked child process that has dropped every privilege.
class SecondAccount final
{
public:
    SecondAccount() = delete;

    static constexpr const char* kName = "tarsel-attacker";

    /// True when the account exists (made now if missing) and this process may act as it;
    /// false with the reason to skip with otherwise.
    static bool available(QString* why);
    static uid_t uid();
    static gid_t gid();

    /// Runs fn as the account in a child process and waits for it; fn's result, or -1 when the
    /// child could not run or did not end normally.
    static int run(const std::function<int()>& fn);

    /// A child process that runs `setup` as the account and then stays, keeping what setup
    /// made (a held lock, a listening socket), until finish() or the end of the object; then
    /// it runs `teardown` (when given) and ends with its result.
    class Background final
    {
    public:
        explicit Background(const std::function<bool()>& setup, const std::function<int()>& teardown = {});
        ~Background();
        Background(const Background&) = delete;
        Background& operator=(const Background&) = delete;
        /// Whether setup succeeded in the child.
        bool ok() const { return m_ok; }
        /// Lets the child go on to its teardown and answers its result (-1 when it failed).
        int finish();

    private:
        pid_t m_pid = -1;
        int m_release = -1;
        bool m_ok = false;
    };
};

} // namespace tarsel::test
