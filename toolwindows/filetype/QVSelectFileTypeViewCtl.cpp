#include "toolwindows/filetype/QVSelectFileTypeViewCtl.h"

#include "ui_QVSelectFileTypeViewCtl.h"

#include "foundation/StringExpandText.h"
#include "platform/Bundle.h"
#include "platform/Panels.h"

QVSelectFileTypeViewCtl::QVSelectFileTypeViewCtl(QList<QVFileTypeEntry> fileArray, QObject* parent)
    : QObject(parent)
    , m_fileArray(std::move(fileArray))
    , m_view(std::make_unique<QWidget>())
    , m_ui(std::make_unique<Ui::QVSelectFileTypeViewCtl>())
{
    m_ui->setupUi(m_view.get());
}

QVSelectFileTypeViewCtl::~QVSelectFileTypeViewCtl() = default;

QLabel* QVSelectFileTypeViewCtl::tipLabel() const
{
    return m_ui->tipLabel;
}

QComboBox* QVSelectFileTypeViewCtl::popUpButton() const
{
    return m_ui->popUpButton;
}

QWidget* QVSelectFileTypeViewCtl::view()
{
    if (m_loaded) {
        return m_view.get();
    }
    m_loaded = true;
    m_ui->tipLabel->setText(platform::Bundle::localizedString(QStringLiteral("File Type")) + QStringLiteral(":"));
    m_ui->popUpButton->setIconSize(QSize(16, 16));
    int remembered = -1;
    for (int i = 0; i < m_fileArray.size(); ++i) {
        const QVFileTypeEntry& entry = m_fileArray.at(i);
        if (!entry.listed) {
            continue;
        }
        const QString title = entry.fileType
            + qv::stringWithFormat(QStringLiteral(" (.%@)"), entry.ext.isEmpty() ? entry.key : entry.ext);
        m_ui->popUpButton->addItem(m_hideIcons ? QIcon() : entry.menuIcon, title, i);
        if (entry.key == m_currentKey) {
            remembered = m_ui->popUpButton->count() - 1;
        }
    }
    // No match selects the first listed entry; an empty pop-up selects nothing.
    m_ui->popUpButton->setCurrentIndex(remembered >= 0 ? remembered : (m_ui->popUpButton->count() > 0 ? 0 : -1));
    connect(m_ui->popUpButton, &QComboBox::activated, this, &QVSelectFileTypeViewCtl::onSelectItem);
    onSelectItem();
    return m_view.get();
}

void QVSelectFileTypeViewCtl::onSelectItem()
{
    const QVariant tag = m_ui->popUpButton->currentData();
    selectItem(tag.isValid() ? tag.toInt() : -1);
}

void QVSelectFileTypeViewCtl::selectItem(int index)
{
    m_currentIndex = index;
    if (index >= 0 && index < m_fileArray.size()) {
        m_currentKey = m_fileArray.at(index).key;
    }
    if (m_selectHandler) {
        m_selectHandler(index);
    }
}

void QVSelectFileTypeViewCtl::runNewFilePanel(const QVNameDialogs::NewFilePanel& panel,
                                              const QVNameDialogs::NewFileHandler& handler)
{
    QList<QVFileTypeEntry> entries;
    for (const QVNameDialogs::FileTemplate& t : panel.templates) {
        entries.append({ t.key, t.fileType, t.ext, t.menuIcon, t.listed });
    }
    QVSelectFileTypeViewCtl ctl(entries);
    ctl.setCurrentKey(panel.currentKey);
    ctl.setHideIcons(panel.hideIcons);
    QStringList allowed;
    QWidget* view = nullptr;
    // The choice is reported once as the view loads (before the panel exists) and again on
    // every later choice, which then limits the shown panel.
    ctl.setSelectHandler([&](int index) {
        allowed = index >= 0 && index < panel.templates.size() ? QStringList { panel.templates.at(index).ext }
                                                               : QStringList();
        if (view != nullptr) {
            platform::Panels::setAllowedFileTypesOf(view, allowed);
        }
    });
    view = ctl.view();
    platform::PanelOptions options;
    options.directory = panel.directory;
    options.nameFieldValue = panel.fileName;
    options.canCreateDirectories = true;
    options.level = platform::Panels::ShieldingLevel;
    options.allowedFileTypes = allowed;
    options.accessoryView = view;
    const platform::PanelResult result = platform::Panels::runSavePanel(options);
    if (result.isOK() && !result.paths.isEmpty() && handler) {
        handler(result.paths.first(), ctl.currentIndex());
    }
}
