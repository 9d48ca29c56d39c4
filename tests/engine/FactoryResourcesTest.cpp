// The factory menus name their images and titles by key, so a scan of literal look-ups cannot
// see them: an icon name missing from the bundle draws an empty entry, and a main-menu key
// without an English text shows the raw key as the entry's title. (The common-path list starts
// empty.)

#include "engine/model/QVDefaultData.h"
#include "platform/Bundle.h"

#include <QVariantMap>

#include <gtest/gtest.h>

#include <functional>
#include <ostream>

namespace {

struct FactoryList
{
    const char* name;
    std::function<QVariantList()> entries;
    bool keysAreTitles; // the entry keys are localisation keys, not names of apps or folders
};

void PrintTo(const FactoryList& list, std::ostream* os)
{
    *os << list.name;
}

using FactoryResourcesTest = testing::TestWithParam<FactoryList>;

// Every entry of the list and of its submenus.
void forEachEntry(const QVariantList& list, const std::function<void(const QVariantMap&)>& fn)
{
    for (const QVariant& value : list) {
        const QVariantMap entry = value.toMap();
        fn(entry);
        for (const QVariant& field : entry) {
            if (field.typeId() == QMetaType::QVariantList) {
                forEachEntry(field.toList(), fn);
            }
        }
    }
}

} // namespace

TEST_P(FactoryResourcesTest, EveryIconResolvesAndEveryTitleHasAnEnglishText)
{
    const QVariantList list = GetParam().entries();
    ASSERT_FALSE(list.isEmpty());
    const QString absent = QStringLiteral("\x01absent");
    forEachEntry(list, [&](const QVariantMap& entry) {
        const QString key = entry.value(QStringLiteral("key")).toString();
        const QString icon = entry.value(QStringLiteral("icon")).toString();
        if (!icon.isEmpty()) {
            EXPECT_FALSE(platform::Bundle::imageNamed(icon).isNull())
                << "entry \"" << key.toStdString() << "\": image \"" << icon.toStdString() << "\" draws nothing";
        }
        if (GetParam().keysAreTitles && !key.isEmpty()) {
            EXPECT_NE(platform::Bundle::localizedString(key, absent), absent)
                << "entry \"" << key.toStdString() << "\" has no English title";
        }
    });
}

INSTANTIATE_TEST_SUITE_P(
    Lists, FactoryResourcesTest,
    testing::Values(FactoryList { "main", &QVDefaultData::defaultMainMenu, true },
                    FactoryList { "newFile", &QVDefaultData::defaultNewFileMenu, false },
                    FactoryList { "commonApp", &QVDefaultData::defaultCommonAppMenu, false },
                    FactoryList { "folderIcon", &QVDefaultData::defaultFolderIconMenu, false },
                    FactoryList { "commonScript", &QVDefaultData::defaultCommonScriptMenu, false },
                    FactoryList { "borella", [] { return QVDefaultData::defaultBorellaMenu(false); }, false },
                    FactoryList { "borellaPro", [] { return QVDefaultData::defaultBorellaMenu(true); }, false }),
    [](const testing::TestParamInfo<FactoryList>& info) { return std::string(info.param.name); });
