#include "foundation/QVNameDialogs.h"

#include "foundation/StringExpandText.h"
#include "platform/Hook.h"

#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcNameDialogs, "tarsel.foundation.namedialogs", QtWarningMsg)

namespace {

platform::Hook<QVNameDialogs::EmbedOpener>& embedHook()
{
    static platform::Hook<QVNameDialogs::EmbedOpener> hook;
    return hook;
}

platform::Hook<QVNameDialogs::NameOpener>& newFolderHook()
{
    static platform::Hook<QVNameDialogs::NameOpener> hook;
    return hook;
}

platform::Hook<QVNameDialogs::NewFileOpener>& newFileHook()
{
    static platform::Hook<QVNameDialogs::NewFileOpener> hook;
    return hook;
}

template <typename Opener, typename... Args> bool openWith(const Opener& opener, const char* what, Args&&... args)
{
    if (!opener) {
        qCWarning(lcNameDialogs) << "no window is installed for" << what;
        return false;
    }
    opener(std::forward<Args>(args)...);
    return true;
}

} // namespace

void QVNameDialogs::setEmbedFolderOpener(EmbedOpener opener)
{
    embedHook().set(std::move(opener));
}

void QVNameDialogs::setNewFolderOpener(NameOpener opener)
{
    newFolderHook().set(std::move(opener));
}

void QVNameDialogs::setNewFilePanelOpener(NewFileOpener opener)
{
    newFileHook().set(std::move(opener));
}

bool QVNameDialogs::openEmbedFolder(const QString& defaultName, EmbedHandler handler)
{
    return openWith(embedHook().get(), "the embed dialog", defaultName, std::move(handler));
}

bool QVNameDialogs::openNewFolder(const QString& defaultName, NameHandler handler)
{
    return openWith(newFolderHook().get(), "the new folder dialog", defaultName, std::move(handler));
}

bool QVNameDialogs::openNewFilePanel(const NewFilePanel& panel, NewFileHandler handler)
{
    return openWith(newFileHook().get(), "the new file panel", panel, std::move(handler));
}

bool QVNameDialogs::isFolderName(const QString& name)
{
    return qv::isValid(name) && name != QLatin1String(".") && name != QLatin1String("..")
        && !name.contains(QLatin1Char('/')) && !name.contains(QChar(u'\0'));
}
