#pragma once

#include <QString>

#include <memory>

namespace platform::layout {

/// A variable of the constraint solver. Copies share one value; identity is the shared data.
class Variable
{
public:
    explicit Variable(const QString& name = QString())
        : m_data(std::make_shared<Data>(Data { name, 0.0 }))
    {
    }

    const QString& name() const { return m_data->name; }
    double value() const { return m_data->value; }
    void setValue(double value) { m_data->value = value; }

    const void* id() const { return m_data.get(); }
    bool operator==(const Variable& other) const { return m_data == other.m_data; }

private:
    struct Data
    {
        QString name;
        double value;
    };
    std::shared_ptr<Data> m_data;
};

} // namespace platform::layout
