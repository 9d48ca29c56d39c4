#include "platform/Menu.h"

#include <QAction>
#include <QIcon>
#include <QJsonArray>
#include <QJsonDocument>
#include <QMenu>
#include <QPixmap>
#include <QPointer>

namespace platform {

namespace {

// A JSON string literal with the escaping QJsonDocument applies.
QByteArray jsonString(const QString& s)
{
    const QByteArray array = QJsonDocument(QJsonArray { s }).toJson(QJsonDocument::Compact);
    return array.mid(1, array.size() - 2);
}

// A property of the outermost QMenu: how many of its entries' commands are running.
constexpr const char* kPerforming = "tarselPerforming";

// What is to happen to the outermost QMenu once it has closed and none of its commands runs:
// a child of the menu, so that it goes with a menu deleted before then.
class WhenDone final : public QObject
{
public:
    explicit WhenDone(QMenu* menu, std::function<void(QMenu*)> done)
        : QObject(menu)
        , m_done(std::move(done))
    {
        setObjectName(kName);
    }
    // Found by its name: the class has no meta-object of its own to be found by.
    static WhenDone* of(QMenu* menu)
    {
        return static_cast<WhenDone*>(menu->findChild<QObject*>(kName, Qt::FindDirectChildrenOnly));
    }
    // Once, and never with the menu's own code on the stack: the entry that was chosen may be
    // the one whose signal is being delivered.
    static void finish(QMenu* menu)
    {
        WhenDone* whenDone = of(menu);
        if (!whenDone) {
            return;
        }
        std::function<void(QMenu*)> done = std::move(whenDone->m_done);
        delete whenDone;
        QMetaObject::invokeMethod(
            menu, [menu, done = std::move(done)] { done(menu); }, Qt::QueuedConnection);
    }

private:
    static inline const QString kName = QStringLiteral("tarselWhenClosed");
    std::function<void(QMenu*)> m_done;
};

QMenu* outermostMenu(QMenu* menu)
{
    while (auto* parent = qobject_cast<QMenu*>(menu->parent())) {
        menu = parent;
    }
    return menu;
}

// Performs the entry with its menu marked busy, so that a delete asked for meanwhile waits.
void performIn(QMenu* menu, const MenuItem* item)
{
    QPointer<QMenu> root = outermostMenu(menu);
    root->setProperty(kPerforming, root->property(kPerforming).toInt() + 1);
    // Qt closes a grabbing menu before its entry runs, but not one shown without a grab (the
    // host's menu over its Wayland pointer surface): that one closes here, innermost first, so
    // that what the command opens does not open under it.
    for (QMenu* open = menu; open != nullptr; open = qobject_cast<QMenu*>(open->parent())) {
        if (open->isWindow() && open->isVisible()) {
            open->hide();
        }
    }
    item->perform();
    if (!root) {
        return;
    }
    const int running = root->property(kPerforming).toInt() - 1;
    root->setProperty(kPerforming, running);
    if (running == 0 && root->isHidden()) {
        WhenDone::finish(root);
    }
}

void setActionImage(QAction* action, const MenuItem* item)
{
    const QImage image = item->image();
    if (!image.isNull()) {
        action->setIcon(QIcon(QPixmap::fromImage(image)));
    }
}

} // namespace

// --- Menu -----------------------------------------------------------------------------------

Menu::Menu(const QString& title)
    : m_title(title)
{
}

Menu::~Menu() = default;

MenuItem* Menu::addItem(std::unique_ptr<MenuItem> item)
{
    m_items.push_back(std::move(item));
    return m_items.back().get();
}

MenuItem* Menu::insertItem(std::unique_ptr<MenuItem> item, qsizetype index)
{
    if (index < 0 || index >= numberOfItems()) {
        return addItem(std::move(item));
    }
    auto it = m_items.insert(m_items.begin() + index, std::move(item));
    return it->get();
}

MenuItem* Menu::addSeparator(const QString& title)
{
    return addItem(MenuItem::separatorItem(title));
}

MenuItem* Menu::itemAt(qsizetype index) const
{
    if (index < 0 || index >= numberOfItems()) {
        return nullptr;
    }
    return m_items[size_t(index)].get();
}

QList<MenuItem*> Menu::items() const
{
    QList<MenuItem*> list;
    list.reserve(numberOfItems());
    for (const auto& item : m_items) {
        list.append(item.get());
    }
    return list;
}

MenuItem* Menu::itemWithTag(qint64 tag) const
{
    for (const auto& item : m_items) {
        if (item->isSeparatorItem()) {
            continue;
        }
        if (item->tag() == tag) {
            return item.get();
        }
        if (item->hasSubmenu()) {
            if (MenuItem* found = item->submenu()->itemWithTag(tag)) {
                return found;
            }
        }
    }
    return nullptr;
}

QString Menu::toText() const
{
    QString out;
    appendText(out, 0);
    return out;
}

void Menu::appendText(QString& out, int level) const
{
    const QString indent(level * 2, QLatin1Char(' '));
    for (const auto& item : m_items) {
        if (item->isSeparatorItem()) {
            out += indent + QStringLiteral("---");
            if (!item->title().isEmpty()) {
                out += QLatin1Char(' ') + item->title();
            }
        } else {
            out += indent + QStringLiteral("[%1] %2").arg(item->tag()).arg(item->title());
        }
        out += QLatin1Char('\n');
        if (item->hasSubmenu()) {
            item->submenu()->appendText(out, level + 1);
        }
    }
}

QByteArray Menu::toJson() const
{
    QByteArray out("{\"items\":");
    appendJson(out);
    out += '}';
    return out;
}

void Menu::appendJson(QByteArray& out) const
{
    out += '[';
    bool first = true;
    for (const auto& item : m_items) {
        if (!first) {
            out += ',';
        }
        first = false;
        if (item->isSeparatorItem()) {
            out += "{\"separator\":true,\"title\":" + jsonString(item->title()) + '}';
            continue;
        }
        out += "{\"title\":" + jsonString(item->title());
        out += ",\"tag\":" + QByteArray::number(item->tag());
        out += ",\"key\":";
        out += item->key().isNull() ? QByteArray("null") : jsonString(item->key());
        out += ",\"image\":";
        out += item->imageName().isNull() ? QByteArray("null") : jsonString(item->imageName());
        if (item->hasSubmenu()) {
            out += ",\"submenu\":";
            item->submenu()->appendJson(out);
        }
        out += '}';
    }
    out += ']';
}

QMenu* Menu::toQMenu(QWidget* parent) const
{
    auto* menu = new QMenu(m_title, parent);
    fillQMenu(menu, true);
    return menu;
}

void Menu::deleteWhenClosed(QMenu* menu)
{
    whenClosed(menu, [](QMenu* closed) { closed->deleteLater(); });
}

void Menu::whenClosed(QMenu* menu, std::function<void(QMenu*)> done)
{
    delete WhenDone::of(menu); // one wish at a time
    auto* whenDone = new WhenDone(menu, std::move(done));
    // The menu hides before its chosen entry is triggered; the check runs once the event that
    // closed it is done, or inside the nested loop of a command that is running, which then
    // finishes the menu itself when it returns. Both connections go with the wish.
    QObject::connect(menu, &QMenu::aboutToHide, whenDone, [menu, whenDone] {
        QMetaObject::invokeMethod(
            whenDone,
            [menu] {
                if (menu->property(kPerforming).toInt() == 0 && menu->isHidden()) {
                    WhenDone::finish(menu);
                }
            },
            Qt::QueuedConnection);
    });
}

void Menu::fillQMenu(QMenu* menu, bool iconsNow) const
{
    // A submenu's images are drawn when it is first opened: most submenus of a right-click are
    // never opened, and drawing every image of the tree would hold up the menu on the screen.
    QList<std::pair<QPointer<QAction>, const MenuItem*>> withImages;
    for (const auto& entry : m_items) {
        const MenuItem* item = entry.get();
        if (item->isSeparatorItem()) {
            QAction* separator = menu->addSeparator();
            separator->setText(item->title());
            continue;
        }
        QAction* action = nullptr;
        if (item->hasSubmenu()) {
            auto* sub = new QMenu(item->title(), menu);
            item->submenu()->fillQMenu(sub, false);
            action = menu->addMenu(sub);
        } else {
            action = menu->addAction(item->title());
            QObject::connect(action, &QAction::triggered, menu, [menu, item] { performIn(menu, item); });
        }
        action->setEnabled(item->isEnabled());
        if (iconsNow) {
            setActionImage(action, item);
        } else {
            withImages.append({ action, item });
        }
    }
    if (withImages.isEmpty()) {
        return;
    }
    auto connection = std::make_shared<QMetaObject::Connection>();
    *connection = QObject::connect(menu, &QMenu::aboutToShow, menu, [connection, withImages] {
        QObject::disconnect(*connection);
        for (const auto& [action, item] : withImages) {
            if (action) {
                setActionImage(action, item);
            }
        }
    });
}

// --- MenuItem -------------------------------------------------------------------------------

MenuItem::MenuItem(const QString& title, qint64 tag)
    : m_title(title)
    , m_tag(tag)
{
}

MenuItem::~MenuItem() = default;

std::unique_ptr<MenuItem> MenuItem::separatorItem(const QString& title)
{
    auto item = std::make_unique<MenuItem>(title);
    item->m_separator = true;
    return item;
}

void MenuItem::setImage(const QImage& image, const QString& name)
{
    m_drawImage = nullptr;
    m_image = image;
    m_imageName = name;
}

void MenuItem::setImageSource(const QString& name, std::function<QImage()> draw)
{
    m_image = QImage();
    m_imageName = name;
    m_drawImage = std::move(draw);
}

QImage MenuItem::image() const
{
    if (m_drawImage) {
        m_image = m_drawImage();
        m_drawImage = nullptr;
    }
    return m_image;
}

bool MenuItem::perform() const
{
    if (!m_enabled || m_separator || m_target == nullptr || m_action == nullptr) {
        return false;
    }
    (m_target->*m_action)(*this);
    return true;
}

void MenuItem::setSubmenu(std::unique_ptr<Menu> submenu)
{
    m_submenu = std::move(submenu);
}

} // namespace platform
