#pragma once

#include "engine/model/QVMenuItem.h"
#include "engine/service/menu/QVMenuRules.h"
#include "platform/Menu.h"

#include <QList>
#include <QString>
#include <QUrl>

#include <memory>

/// Turns the main list into the context menu for one selection: the menu rules decide which
/// records get an entry, a separate step titles the entries and picks their images, the records
/// get their dynamic children, and every entry is tagged by its position (the index of its
/// record plus one, then two digits per submenu level). The stored records keep their own titles
/// and images; the only thing a build writes into them is their children, and the mark that a
/// "Common Path" entry stands for "Add to Common Path", which its click reads.
class QVMenuBuilder final
{
public:
    /// The context of a menu of that kind over the URLs; reads the switches a build needs.
    static QVMenuContext contextFor(platform::FIMenuKind kind, const QList<QUrl>& urls, bool isSelectURL,
                                    bool insideExtension);

    /// Whether a URL's path holds a name whose bytes are not UTF-8.
    static bool hasUndecodableName(const QUrl& url);
    /// The records of a menu: the main list's, and for a selection of names that are not UTF-8
    /// also the garbled-name repair, placed after them when the list does not show it (it is the
    /// one command that can reach such names, so it is offered even when switched off).
    static QVMenuItemList recordsFor(const QVMenuContext& context);

    /// target: what the entries' action is sent to.
    QVMenuBuilder(QVMenuContext context, platform::MenuTarget* target);

    /// The whole menu of the main list's records.
    std::shared_ptr<platform::Menu> menu(const QVMenuItemList& records);
    /// The submenu of one entry, tags continuing the parent tag; null for no children or when
    /// none of them is shown.
    std::unique_ptr<platform::Menu> submenu(const QVMenuItemList& children, const QString& parentTag) const;

private:
    std::unique_ptr<platform::MenuItem> makeEntry(const QString& title, qint64 tag) const;
    std::unique_ptr<platform::MenuItem> makeFoldEntry() const;
    /// Where the entries of the top level go.
    struct Places
    {
        platform::Menu* root = nullptr;
        platform::Menu* fold = nullptr;
        bool foldUsed = false;
    };
    void addTopEntry(const QVMenuItemPtr& record, qsizetype index, Places& places);

    QVMenuContext m_context;
    platform::MenuTarget* m_target = nullptr;
    QVMenuTitles m_titles;
    bool m_hideIcons = false;
    bool m_hideSubmenuIcons = false;
};
