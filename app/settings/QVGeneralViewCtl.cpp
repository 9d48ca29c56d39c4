#include "app/settings/QVGeneralViewCtl.h"

#include "app/settings/QVEditInfoWinCtl.h"
#include "engine/model/QVDefaultData.h"
#include "engine/model/QVMenuManager.h"
#include "foundation/BundleExpand.h"
#include "platform/Defaults.h"

#include "ui_QVGeneralViewCtl.h"

#include <QHeaderView>
#include <QMessageBox>
#include <QPointer>

QVGeneralViewCtl::QVGeneralViewCtl(QWidget* parent)
    : QWidget(parent)
    , m_ui(std::make_unique<Ui::QVGeneralViewCtl>())
    , m_page(QVMenuManager::kArrayRightMenu, [] { return QVMenuManager::menuItemArrayWithToMenu(false); })
{
    QVDefaultData::setup();
    m_ui->setupUi(this);
    m_ui->foldAllCheckBtn->setText(qv::localized(QStringLiteral("Fold All Up")));
    m_ui->deleteSureCheckBtn->setText(qv::localized(QStringLiteral("Check Delete Sure")));
    m_ui->deleteButton->setText(qv::localized(QStringLiteral("Delete")));
    m_ui->recoverBtn->setText(qv::localized(QStringLiteral("Recover")));
    QVSettingsTable* table = m_ui->tableView;
    table->setColumnCount(4);
    // The format's three "%@" are filled in order.
    QString nameTitle = qv::localized(QStringLiteral("%@ (%@, %@)"));
    for (const char* key : { "Menu Name", "Drag Sort", "Double Click Change" }) {
        nameTitle.replace(nameTitle.indexOf(QStringLiteral("%@")), 2, qv::localized(QLatin1String(key)));
    }
    table->setHorizontalHeaderLabels({ nameTitle, qv::localized(QStringLiteral("Enable")),
                                       qv::localized(QStringLiteral("Description")),
                                       qv::localized(QStringLiteral("Fold Up")) });
    table->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    table->verticalHeader()->hide();
    table->rowMime = [this](int row) { return m_page.mimeDataForRow(row); };
    table->dropRow = [this](const QMimeData* mime, int to) {
        const std::optional<qint64> from = m_page.dropSource(mime, to);
        if (!from) {
            return false;
        }
        m_page.moveRow(*from, to);
        refresh();
        return true;
    };
    connect(table, &QTableWidget::itemChanged, this, &QVGeneralViewCtl::onItemChanged);
    connect(table, &QTableWidget::itemSelectionChanged, this, &QVGeneralViewCtl::onSelectionChanged);
    connect(table, &QTableWidget::cellDoubleClicked, this, &QVGeneralViewCtl::onEditName);
    connect(m_ui->deleteButton, &QPushButton::clicked, this, &QVGeneralViewCtl::onDelete);
    connect(m_ui->recoverBtn, &QPushButton::clicked, this, &QVGeneralViewCtl::onRecover);
    connect(m_ui->foldAllCheckBtn, &QCheckBox::clicked, this, &QVGeneralViewCtl::onFoldAll);
    connect(m_ui->deleteSureCheckBtn, &QCheckBox::clicked, this,
            [](bool on) { QVMenuManager::sharedDefaults().setValue(QVMenuManager::prefCheck(0), on); });
    confirmRecover = [this] {
        return QMessageBox::question(window(), QString(), qv::localized(QStringLiteral("Recover Tip")),
                                     QMessageBox::Ok | QMessageBox::Cancel)
            == QMessageBox::Ok;
    };
    refresh();
}

QVGeneralViewCtl::~QVGeneralViewCtl() = default;

QVSettingsTable* QVGeneralViewCtl::tableView() const
{
    return m_ui->tableView;
}

void QVGeneralViewCtl::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    refresh();
}

void QVGeneralViewCtl::refresh()
{
    m_ui->deleteSureCheckBtn->setChecked(QVMenuManager::sharedDefaults().boolValue(QVMenuManager::prefCheck(0)));
    m_page.reload();
    m_filling = true;
    m_ui->tableView->clearContents();
    m_ui->tableView->setRowCount(int(m_page.rows().size()));
    for (int row = 0; row < m_page.rows().size(); ++row) {
        fillRow(row, m_page.rows().at(row));
    }
    m_filling = false;
    m_ui->deleteButton->setEnabled(false);
    const int fold = m_page.foldAllState();
    m_ui->foldAllCheckBtn->setCheckState(fold == 0 ? Qt::Unchecked : fold == 1 ? Qt::Checked : Qt::PartiallyChecked);
}

void QVGeneralViewCtl::fillRow(int row, const QVMenuItemPtr& item)
{
    auto* title = new QTableWidgetItem(item->menuTitle());
    title->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled);
    m_ui->tableView->setItem(row, MenuTitle, title);
    const auto check = [](bool on) {
        auto* cell = new QTableWidgetItem;
        cell->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        cell->setCheckState(on ? Qt::Checked : Qt::Unchecked);
        return cell;
    };
    m_ui->tableView->setItem(row, Enable, check(!item->disabled()));
    auto* options = new QTableWidgetItem(item->introduce());
    options->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    m_ui->tableView->setItem(row, Options, options);
    m_ui->tableView->setItem(row, Fold, check(item->isFoldUp()));
}

void QVGeneralViewCtl::onItemChanged(QTableWidgetItem* cell)
{
    if (m_filling) {
        return;
    }
    if (cell->column() == Enable) {
        m_page.toggleEnabled(cell->row());
    } else if (cell->column() == Fold) {
        m_page.toggleFold(cell->row());
        const int fold = m_page.foldAllState();
        m_ui->foldAllCheckBtn->setCheckState(fold == 0       ? Qt::Unchecked
                                                 : fold == 1 ? Qt::Checked
                                                             : Qt::PartiallyChecked);
    }
}

void QVGeneralViewCtl::onSelectionChanged()
{
    const QVMenuItemPtr item = m_page.row(m_ui->tableView->currentRow());
    const bool selected = item != nullptr && !m_ui->tableView->selectedItems().isEmpty();
    m_ui->deleteButton->setEnabled(selected);
    m_ui->tipLabel->setText(selected && !item->introduce().isEmpty() ? item->introduce()
                                                                     : qv::localized(QStringLiteral("Help")));
}

void QVGeneralViewCtl::onFoldAll()
{
    // A mixed box turns on first; the new list is stored in one write.
    const bool folded = m_ui->foldAllCheckBtn->checkState() != Qt::Unchecked;
    m_page.setAllFolded(folded);
    refresh();
}

void QVGeneralViewCtl::onDelete()
{
    const QVMenuItemPtr item = m_page.row(m_ui->tableView->currentRow());
    if (item == nullptr || m_ui->tableView->selectedItems().isEmpty()) {
        return;
    }
    QString source;
    if (!item->appName().isEmpty()) {
        source = QVMenuManager::kArrayCommonApp;
    } else if (item->isMainMenuNewFile()) {
        source = QVMenuManager::kArrayNewFile;
    } else if (!item->script().isEmpty()) {
        source = QVMenuManager::kArrayCommonScript;
    }
    if (!source.isEmpty()) {
        QVMenuManager::updateMenuKey(source, item->key(), QStringLiteral("toMainMenu"), false);
    }
    QVMenuManager::removeMenuKey(QVMenuManager::kArrayRightMenu, item->key());
    refresh();
}

void QVGeneralViewCtl::onRecover()
{
    if (!confirmRecover || !confirmRecover()) {
        return;
    }
    const auto clear = [](const QVMenuItemList& items, const QString& list) {
        for (const QVMenuItemPtr& item : items) {
            if (item->isAddToMainMenu()) {
                QVMenuManager::updateMenuKey(list, item->key(), QStringLiteral("toMainMenu"), false);
            }
        }
    };
    clear(QVMenuManager::commonAppMenuArray(), QVMenuManager::kArrayCommonApp);
    clear(QVMenuManager::newFileTemplateMenuArray(false), QVMenuManager::kArrayNewFile);
    clear(QVMenuManager::commonScriptMenuArray(), QVMenuManager::kArrayCommonScript);
    QVDefaultData::recoverRightMenu();
    refresh();
}

void QVGeneralViewCtl::onEditName()
{
    const QVMenuItemPtr item = m_page.row(m_ui->tableView->currentRow());
    if (item == nullptr) {
        return;
    }
    if (m_editInfoWinCtl == nullptr) {
        m_editInfoWinCtl = new QVEditInfoWinCtl(this);
        m_editInfoWinCtl->setWindowModality(Qt::WindowModal);
    }
    m_editInfoWinCtl->show();
    m_editInfoWinCtl->editWithItem(item);
    const QString key = item->key();
    QPointer<QVGeneralViewCtl> self(this);
    m_editInfoWinCtl->editHandler = [self, key](const QVariantMap& result) {
        QVMenuManager::updateMenuKey(QVMenuManager::kArrayRightMenu, key, result);
        if (self) {
            self->refresh();
        }
    };
}
