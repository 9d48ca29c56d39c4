#pragma once

#include <QByteArray>
#include <QProcess>

namespace tarsel::test {

/// A session bus of the test's own, without service activation (nothing of the machine's starts
/// on it), ended with the object. address() is empty when dbus-daemon did not start.
class PrivateBus
{
public:
    PrivateBus();
    ~PrivateBus();
    PrivateBus(const PrivateBus&) = delete;
    PrivateBus& operator=(const PrivateBus&) = delete;
    QByteArray address() const { return m_address; }

private:
    QProcess m_daemon;
    QByteArray m_address;
};

} // namespace tarsel::test
