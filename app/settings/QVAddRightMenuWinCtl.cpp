#include "app/settings/QVAddRightMenuWinCtl.h"

#include "app/settings/QVListPage.h"
#include "engine/model/QVDefaultData.h"
#include "engine/model/QVMenuManager.h"
#include "foundation/BundleExpand.h"
#include "foundation/ObjectGCD.h"
#include "foundation/WindowExpand.h"
#include "platform/Bundle.h"

#include "ui_QVAddRightMenuWinCtl.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QSet>

namespace {
const QString kKey = QStringLiteral("key");
}

QVAddRightMenuWinCtl::QVAddRightMenuWinCtl(QWidget* parent)
    : QDialog(parent)
    , m_ui(std::make_unique<Ui::QVAddRightMenuWinCtl>())
{
    m_ui->setupUi(this);
    setWindowTitle(qv::localized(QStringLiteral("Add Right Menu")));
    QTableWidget* table = m_ui->tableView;
    table->setHorizontalHeaderLabels({ qv::localized(QStringLiteral("Menu Name")), QString() });
    table->horizontalHeader()->setSectionResizeMode(MenuTitle, QHeaderView::Stretch);
    table->horizontalHeader()->setSectionResizeMode(Operate, QHeaderView::Fixed);
    table->setColumnWidth(Operate, 90);
    table->verticalHeader()->hide();
    table->verticalHeader()->setDefaultSectionSize(30);
    table->setIconSize(QSize(18, 18));
    qv::addNotification(this, qv::kRefreshSignal);
}

QVAddRightMenuWinCtl::~QVAddRightMenuWinCtl()
{
    qv::removeAllNotification(this);
}

QVariantList QVAddRightMenuWinCtl::diffData()
{
    QSet<QString> stored;
    for (const QVariant& entry : QVMenuManager::storedList(QVMenuManager::kArrayRightMenu)) {
        stored.insert(entry.toMap().value(kKey).toString());
    }
    QVariantList missing;
    for (const QVariant& entry : QVDefaultData::defaultMainMenu()) {
        const QVariant key = entry.toMap().value(kKey);
        if (qv::isString(key) && !key.toString().isEmpty() && !stored.contains(key.toString())) {
            missing << entry;
        }
    }
    return missing;
}

void QVAddRightMenuWinCtl::open(QWidget* onWindow)
{
    qv::openOnWindow(this, onWindow);
    refresh();
}

void QVAddRightMenuWinCtl::close()
{
    qv::shut(this);
}

void QVAddRightMenuWinCtl::handleSignal(const qv::Notification&)
{
    refresh();
}

void QVAddRightMenuWinCtl::refresh()
{
    m_tableData = diffData();
    QTableWidget* table = m_ui->tableView;
    // Removing the rows releases their buttons later, never under a running click.
    table->setRowCount(0);
    table->setRowCount(int(m_tableData.size()));
    for (int row = 0; row < m_tableData.size(); ++row) {
        const QVariantMap entry = m_tableData.at(row).toMap();
        auto* title = new QTableWidgetItem(qv::localized(entry.value(kKey).toString()));
        title->setFlags(Qt::ItemIsEnabled);
        const QImage icon = platform::Bundle::imageNamed(entry.value(QStringLiteral("icon")).toString());
        if (!icon.isNull()) {
            title->setIcon(QIcon(QPixmap::fromImage(icon)));
        }
        table->setItem(row, MenuTitle, title);
        auto* cell = new QWidget;
        auto* layout = new QHBoxLayout(cell);
        layout->setContentsMargins(6, 2, 6, 2);
        auto* add = new QPushButton(qv::localized(QStringLiteral("Add")), cell);
        add->setObjectName(QStringLiteral("addButton"));
        layout->addWidget(add);
        connect(add, &QPushButton::clicked, this, [this, row] { addItem(row); });
        table->setCellWidget(row, Operate, cell);
    }
}

void QVAddRightMenuWinCtl::addItem(int row)
{
    if (row < 0 || row >= m_tableData.size()) {
        return;
    }
    QVariantMap entry = m_tableData.at(row).toMap();
    entry.insert(QStringLiteral("disabled"), false);
    if (entry.value(kKey).toString().isEmpty()) {
        return;
    }
    // The factory list stays far below the cap, but an entry past it would get a tag that
    // decodes as another entry's child.
    const qint64 count = QVMenuManager::storedList(QVMenuManager::kArrayRightMenu).size();
    if (count + 1 > QVListPage::kMainMenuLimit) {
        QVListPage::showLimitTip();
        return;
    }
    QVMenuManager::addMenuKey(QVMenuManager::kArrayRightMenu, entry, 0);
    QVListPage::postRefreshSignal();
}
