#pragma once

#include <QString>

#include <optional>
#include <utility>

namespace qv {

/// The outcome of an operation that can fail: a value, or a message that says what failed,
/// on which file and why. C++20 has no std::expected; this is our small stand-in.
template <typename T> class Result
{
public:
    static Result success(T value) { return Result(std::move(value)); }
    static Result failure(QString message) { return Result(std::nullopt, std::move(message)); }

    bool ok() const { return m_value.has_value(); }
    explicit operator bool() const { return ok(); }
    const T& value() const& { return *m_value; }
    T& value() & { return *m_value; }
    T valueOr(T fallback) const { return m_value ? *m_value : std::move(fallback); }
    const QString& message() const { return m_message; }

private:
    explicit Result(std::optional<T> value, QString message = QString())
        : m_value(std::move(value))
        , m_message(std::move(message))
    {
    }

    std::optional<T> m_value;
    QString m_message;
};

/// Result of an operation with no value.
class Status
{
public:
    static Status success() { return Status(true, QString()); }
    static Status failure(QString message) { return Status(false, std::move(message)); }

    bool ok() const { return m_ok; }
    explicit operator bool() const { return m_ok; }
    const QString& message() const { return m_message; }

private:
    Status(bool ok, QString message)
        : m_ok(ok)
        , m_message(std::move(message))
    {
    }

    bool m_ok;
    QString m_message;
};

} // namespace qv
