#pragma once

#include "toolwindows/foldername/QVFolderNameWinCtl.h"

/// The embed dialog: the name of the new folder the selected items go into, and whether they are
/// sorted into sub-folders by extension (mode 1) or not (mode 0). The window and its rules are
/// QVFolderNameWinCtl's.
class QVEmbedFolderWinCtl final : public QVFolderNameWinCtl
{
public:
    using Handler = QVFolderNameWinCtl::Handler;

    explicit QVEmbedFolderWinCtl(QObject* parent = nullptr)
        : QVFolderNameWinCtl(true, parent)
    {
    }

    void setHandler(Handler handler) { setNameHandler(std::move(handler)); }
    /// Opens the window at the mouse with the default name in the field.
    void openWithName(const QString& name) { openWithDefault(name); }

    QLineEdit* foldIntoInput() const { return nameField(); }
    QComboBox* modePupUpButton() const { return modeButton(); }
};
