#include "platform/Menu.h"

#include <QAction>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMenu>

#include <gtest/gtest.h>

#include <memory>

using platform::Menu;
using platform::MenuItem;
using platform::MenuTarget;

namespace {

class RecordingTarget final : public MenuTarget
{
public:
    void onMenuItemAction(const MenuItem& item) override { tags.append(item.tag()); }
    QList<qint64> tags;
};

std::unique_ptr<MenuItem> entry(const QString& title, qint64 tag, RecordingTarget* target = nullptr)
{
    auto item = std::make_unique<MenuItem>(title, tag);
    item->setTarget(target);
    item->setAction(&MenuTarget::onMenuItemAction);
    return item;
}

} // namespace

TEST(MenuTest, JsonHasTheExactShapeAndKeyOrder)
{
    Menu menu;
    auto fold = entry(QStringLiteral("Tarsel"), 0);
    auto sub = std::make_unique<Menu>();
    auto child = entry(QStringLiteral("Say \"hi\" \\ caf\u00e9"), 101);
    child->setImage(QImage(16, 16, QImage::Format_ARGB32), QStringLiteral("copy"));
    child->setKey(QStringLiteral("Copy \"Path\""));
    sub->addItem(std::move(child));
    sub->addSeparator(QStringLiteral("tip"));
    fold->setSubmenu(std::move(sub));
    menu.addItem(std::move(fold));
    menu.addItem(entry(QStringLiteral("Plain"), 2));

    EXPECT_EQ(menu.toJson(),
              QByteArray("{\"items\":[{\"title\":\"Tarsel\",\"tag\":0,\"key\":null,\"image\":null,\"submenu\":["
                         "{\"title\":\"Say \\\"hi\\\" \\\\ caf\xc3\xa9\",\"tag\":101,\"key\":\"Copy \\\"Path\\\"\","
                         "\"image\":\"copy\"},"
                         "{\"separator\":true,\"title\":\"tip\"}]},"
                         "{\"title\":\"Plain\",\"tag\":2,\"key\":null,\"image\":null}]}"));
    QJsonParseError error;
    QJsonDocument::fromJson(menu.toJson(), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError);

    Menu empty;
    EXPECT_EQ(empty.toJson(), QByteArray("{\"items\":[]}"));
}

TEST(MenuTest, TextIndentsSubmenusAndMarksSeparators)
{
    Menu menu;
    auto parent = entry(QStringLiteral("Copy to"), 3);
    auto sub = std::make_unique<Menu>();
    sub->addItem(entry(QStringLiteral("Documents"), 301));
    parent->setSubmenu(std::move(sub));
    menu.addItem(std::move(parent));
    menu.addSeparator();
    EXPECT_EQ(menu.toText(), QStringLiteral("[3] Copy to\n  [301] Documents\n---\n"));
}

TEST(MenuTest, TagsAreFoundDepthFirstAndSeparatorsNever)
{
    RecordingTarget target;
    Menu menu;
    menu.addItem(MenuItem::separatorItem(QStringLiteral("x")))->setTag(7);
    auto parent = entry(QStringLiteral("a"), 1, &target);
    auto sub = std::make_unique<Menu>();
    sub->addItem(entry(QStringLiteral("b"), 102, &target));
    parent->setSubmenu(std::move(sub));
    menu.addItem(std::move(parent));
    menu.insertItem(entry(QStringLiteral("first"), 5, &target), 0);
    menu.insertItem(entry(QStringLiteral("last"), 6, &target), 99);

    EXPECT_EQ(menu.itemAt(0)->title(), QStringLiteral("first"));
    EXPECT_EQ(menu.itemAt(menu.numberOfItems() - 1)->title(), QStringLiteral("last"));
    EXPECT_EQ(menu.itemAt(99), nullptr);
    EXPECT_EQ(menu.itemWithTag(7), nullptr);
    ASSERT_NE(menu.itemWithTag(102), nullptr);
    EXPECT_EQ(menu.itemWithTag(102)->title(), QStringLiteral("b"));

    EXPECT_TRUE(menu.itemWithTag(102)->perform());
    menu.itemWithTag(5)->setEnabled(false);
    EXPECT_FALSE(menu.itemWithTag(5)->perform());
    MenuItem noTarget(QStringLiteral("n"), 9);
    EXPECT_FALSE(noTarget.perform());
    EXPECT_EQ(target.tags, QList<qint64>({ 102 }));
}

TEST(MenuTest, QMenuMirrorsTheTreeAndTriggersTheTarget)
{
    RecordingTarget target;
    Menu menu;
    auto parent = entry(QStringLiteral("Parent"), 1, &target);
    auto sub = std::make_unique<Menu>();
    sub->addItem(entry(QStringLiteral("Child"), 101, &target));
    parent->setSubmenu(std::move(sub));
    menu.addItem(std::move(parent));
    menu.addSeparator(QStringLiteral("line"));
    auto disabled = entry(QStringLiteral("Off"), 2, &target);
    disabled->setEnabled(false);
    menu.addItem(std::move(disabled));

    std::unique_ptr<QMenu> qmenu(menu.toQMenu());
    const QList<QAction*> actions = qmenu->actions();
    ASSERT_EQ(actions.size(), 3);
    EXPECT_EQ(actions[0]->text(), QStringLiteral("Parent"));
    ASSERT_NE(actions[0]->menu(), nullptr);
    EXPECT_TRUE(actions[1]->isSeparator());
    EXPECT_FALSE(actions[2]->isEnabled());

    actions[0]->menu()->actions().at(0)->trigger();
    EXPECT_EQ(target.tags, QList<qint64>({ 101 }));
}
