#pragma once

#include <QMutex>

#include <utility>

namespace platform {

/// A replaceable function shared by all threads of the process: the stand-ins that tests and
/// upper layers install (launchers, access checks). Reading answers a copy, so a caller runs
/// it without holding the lock.
template <typename F> class Hook
{
public:
    void set(F fn)
    {
        QMutexLocker lock(&m_mutex);
        m_fn = std::move(fn);
    }
    F get() const
    {
        QMutexLocker lock(&m_mutex);
        return m_fn;
    }

private:
    mutable QMutex m_mutex;
    F m_fn;
};

} // namespace platform
