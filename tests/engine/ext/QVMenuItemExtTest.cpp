#include "engine/model/QVMenuItem.h"

#include "platform/Bundle.h"

#include <gtest/gtest.h>

// The extension build shows keys that end in a blank without the "..." mark; the menu
// retitles those entries itself.
TEST(QVMenuItemExtTest, KeyEndingInABlankGetsNoMark)
{
    auto item = QVMenuItem::create();
    item->setKey(QStringLiteral("Compressed to "));
    EXPECT_EQ(item->menuTitle(), platform::Bundle::localizedString(QStringLiteral("Compressed to ")));
    EXPECT_FALSE(item->menuTitle().endsWith(QStringLiteral("...")));
}
