#pragma once

#include "kit/shortcut/MASShortcut.h"

#include <functional>
#include <memory>

/// One registration of a global hot key: registered for exactly as long as it exists.
class MASHotKey final
{
public:
    using Action = std::function<void()>;

    /// The signature every hot key of Tarsel is registered under ("MASS").
    static constexpr quint32 kSignature = 0x4D415353;

    /// A registered hot key, or null when the combination could not be registered (the reason
    /// in *error). Takes the next identifier of the process either way.
    static std::unique_ptr<MASHotKey> registeredHotKeyWithShortcut(const MASShortcut& shortcut,
                                                                   QString* error = nullptr);
    ~MASHotKey();
    Q_DISABLE_COPY_MOVE(MASHotKey)

    quint32 carbonID() const { return m_carbonID; }
    Action action() const { return m_action; }
    void setAction(Action action) { m_action = std::move(action); }

private:
    explicit MASHotKey(quint32 carbonID);

    quint32 m_carbonID;
    Action m_action;
};
