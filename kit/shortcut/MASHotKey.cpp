#include "kit/shortcut/MASHotKey.h"

#include "platform/X11.h"

namespace {

// Identifiers are never reused, and a failed registration uses one up too.
quint32 gLastCarbonID = 0;

} // namespace

MASHotKey::MASHotKey(quint32 carbonID)
    : m_carbonID(carbonID)
{
}

std::unique_ptr<MASHotKey> MASHotKey::registeredHotKeyWithShortcut(const MASShortcut& shortcut, QString* error)
{
    const quint32 id = ++gLastCarbonID;
    if (shortcut.keyCodeString().isEmpty()) {
        // A key without a name is a key the user could not have meant (a lone modifier, a key
        // the layout gives nothing for): it would grab a key nobody can see in the recorder.
        if (error) {
            *error = QStringLiteral("Failed to register the hot key. Key: \"%1\". Error: \"%2\"")
                         .arg(shortcut.keyCode())
                         .arg(QStringLiteral("the key has no name"));
        }
        return nullptr;
    }
    if (!platform::X11::shared().registerHotKey(shortcut.carbonKeyCode(), shortcut.carbonFlags(), kSignature, id,
                                                error)) {
        return nullptr;
    }
    return std::unique_ptr<MASHotKey>(new MASHotKey(id));
}

MASHotKey::~MASHotKey()
{
    platform::X11::shared().unregisterHotKey(kSignature, m_carbonID);
}
