#pragma once

#include <QImage>
#include <QList>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

class QMenu;
class QWidget;

namespace platform {

class MenuItem;

/// The object a menu entry reports to when it is chosen.
class MenuTarget
{
public:
    virtual ~MenuTarget() = default;
    /// The action every Tarsel menu entry carries.
    virtual void onMenuItemAction(const MenuItem& item) = 0;
};

/// A menu: a plain tree of entries that owns its entries, and an entry owns its submenu.
///
/// It is independent of any toolkit so that it can be built off the main thread, printed by
/// the file-manager host (as text or as JSON) and rendered as a QMenu when a popup is shown.
class Menu final
{
public:
    explicit Menu(const QString& title = QString());
    ~Menu();
    Q_DISABLE_COPY_MOVE(Menu)

    QString title() const { return m_title; }
    void setTitle(const QString& title) { m_title = title; }

    /// Appends the entry; answers it.
    MenuItem* addItem(std::unique_ptr<MenuItem> item);
    /// Inserts the entry before the one at index (appends when index is outside the menu).
    MenuItem* insertItem(std::unique_ptr<MenuItem> item, qsizetype index);
    /// Appends a separator with that title.
    MenuItem* addSeparator(const QString& title = QString());

    qsizetype numberOfItems() const { return qsizetype(m_items.size()); }
    MenuItem* itemAt(qsizetype index) const;
    QList<MenuItem*> items() const;

    /// The first entry with that tag, searched depth first through the submenus (separators
    /// are never found), or null.
    MenuItem* itemWithTag(qint64 tag) const;

    /// One line per entry: two blanks of indent per level, then "[tag] title" for an entry and
    /// "--- title" for a separator.
    QString toText() const;
    /// {"items":[ENTRY...]}, ENTRY {"title":..,"tag":..,"key":key or null,"image":name or null
    /// [,"submenu":[...]]} or {"separator":true,"title":..}; keys in exactly that order.
    QByteArray toJson() const;

    /// A QMenu showing this tree; choosing an entry performs it. The QMenu refers to the entries
    /// of this tree, so the tree must outlive it.
    QMenu* toQMenu(QWidget* parent = nullptr) const;

    /// Deletes a QMenu made by toQMenu once it has closed and the command its chosen entry
    /// started has returned. A command may open a modal window with an event loop of its own;
    /// a delete posted when the menu hid would run inside that loop while the menu's own code
    /// is still on the stack below it.
    static void deleteWhenClosed(QMenu* menu);
    /// The same, but done(menu) runs instead of the delete, once, on a later turn of the event
    /// loop: a QMenu kept for the next menu keeps its window and the window's image buffer,
    /// which a new QMenu would have to make and fill anew while the user waits.
    static void whenClosed(QMenu* menu, std::function<void(QMenu*)> done);
    /// Fills an empty QMenu made ahead of time (its window perhaps already made, which spares a
    /// menu that must open at once the making of its window) as toQMenu would. The entries'
    /// images are drawn now, or with iconsNow false when the menu is first shown.
    void fillQMenu(QMenu* menu, bool iconsNow = true) const;

private:
    void appendText(QString& out, int level) const;
    void appendJson(QByteArray& out) const;

    QString m_title;
    std::vector<std::unique_ptr<MenuItem>> m_items;
};

/// One entry of a Menu: title, tag, the key of the record it was built from, image (and the
/// name it was found by), enabled state, separator flag, submenu, and the target that receives
/// the action.
class MenuItem final
{
public:
    /// An action is a method of the target called with the entry.
    using Action = void (MenuTarget::*)(const MenuItem&);

    explicit MenuItem(const QString& title = QString(), qint64 tag = 0);
    ~MenuItem();
    Q_DISABLE_COPY_MOVE(MenuItem)

    static std::unique_ptr<MenuItem> separatorItem(const QString& title = QString());

    QString title() const { return m_title; }
    void setTitle(const QString& title) { m_title = title; }
    qint64 tag() const { return m_tag; }
    void setTag(qint64 tag) { m_tag = tag; }
    /// The key of the record behind the entry; null when it stands for none. A tag is a position
    /// and changes when the menu does; the key tells which command the position holds.
    QString key() const { return m_key; }
    void setKey(const QString& key) { m_key = key; }
    bool isSeparatorItem() const { return m_separator; }
    bool isEnabled() const { return m_enabled; }
    void setEnabled(bool enabled) { m_enabled = enabled; }

    /// The name the image was found by (a resource name or an image file); null when none.
    QString imageName() const { return m_imageName; }
    /// The image, drawn on the first call when it was given by setImageSource.
    QImage image() const;
    void setImage(const QImage& image, const QString& name);
    /// The image by its name and the function that draws it, called only when the image is
    /// first asked for: a menu that is printed or picked from, not shown, draws no image.
    void setImageSource(const QString& name, std::function<QImage()> draw);

    MenuTarget* target() const { return m_target; }
    void setTarget(MenuTarget* target) { m_target = target; }
    Action action() const { return m_action; }
    void setAction(Action action) { m_action = action; }
    /// Calls the action on the target; false when the entry has neither or is disabled.
    bool perform() const;

    Menu* submenu() const { return m_submenu.get(); }
    void setSubmenu(std::unique_ptr<Menu> submenu);
    bool hasSubmenu() const { return m_submenu != nullptr; }

private:
    QString m_title;
    qint64 m_tag = 0;
    QString m_key;
    bool m_separator = false;
    bool m_enabled = true;
    QString m_imageName;
    mutable QImage m_image;
    mutable std::function<QImage()> m_drawImage;
    MenuTarget* m_target = nullptr;
    Action m_action = nullptr;
    std::unique_ptr<Menu> m_submenu;
};

} // namespace platform
