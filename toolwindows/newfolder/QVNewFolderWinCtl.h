#pragma once

#include "toolwindows/foldername/QVFolderNameWinCtl.h"

/// The new-folder dialog: the name of one new folder. The window and its rules are
/// QVFolderNameWinCtl's, without the mode row; Cancel and closing hand the handler the empty name.
class QVNewFolderWinCtl final : public QVFolderNameWinCtl
{
public:
    using Handler = std::function<void(const QString& name)>;

    explicit QVNewFolderWinCtl(QObject* parent = nullptr)
        : QVFolderNameWinCtl(false, parent)
    {
    }

    void setHandler(Handler handler)
    {
        setNameHandler(handler ? QVFolderNameWinCtl::Handler([handler](const QString& name, int) { handler(name); })
                               : QVFolderNameWinCtl::Handler());
    }
    /// Opens the window at the mouse with the default name in the field.
    void open(const QString& name) { openWithDefault(name); }

    QLineEdit* nameInput() const { return nameField(); }
};
