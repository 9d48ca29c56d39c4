#pragma once

#include "engine/model/QVMenuItem.h"

#include <QString>

class QVCommandContext;

/// The commands that hand the selection to something outside the engine: an application or
/// terminal, a desktop service, the archive utility, the application itself (the app command
/// URL) or its settings window; and the report of a hand-off that reached nothing.
class QVOpenWithCommands final
{
public:
    explicit QVOpenWithCommands(QVCommandContext& context)
        : m_context(context)
    {
    }
    Q_DISABLE_COPY_MOVE(QVOpenWithCommands)

    /// Opens the path, or each selected item (stopping at the first failure), with the record's
    /// application; terminals open at the item's folder. False when an item could not be opened.
    bool openWithApp(const QVMenuItemPtr& item, const QString& withPath);
    /// Hands the selection to the archive utility by its own address.
    void openBorellaWithItem(const QVMenuItemPtr& item);
    /// Runs the desktop service on the path, else the selection, else the Desktop folder.
    void openServe(const QString& serve, const QString& withPath);
    /// Opens the user's terminal at each folder of the path, else the selection, else the Desktop.
    void openTerminalAt(const QString& withPath, bool newTab);
    /// The app command method for a record handed to the application; None for any other.
    static qint64 mainAppMethodForItem(const QVMenuItem& item);
    /// Hands the command to the application by the app command URL.
    void openFromMainApp(const QVMenuItemPtr& item);
    /// The settings page that edits the record's list ("general" for none).
    static QString settingsPageForItem(const QVMenuItemPtr& item);
    /// Opens the application on the settings page of the record's list.
    void openMainTabViewWithItem(const QVMenuItemPtr& item);
    /// The store page of the maker's own products, else the "Open Error Tip" alert; either way
    /// the failure is noted in QVHandOffFailures.
    void openFailWithItem(const QVMenuItemPtr& item, const QString& detail = QString());

private:
    QString documentForApp(const QVMenuItem& item, const QString& path) const;
    static bool launchApp(const QVMenuItem& item, const QString& document, QString* error = nullptr);
    bool openOnePath(const QVMenuItemPtr& item, const QString& path);

    QVCommandContext& m_context;
};
