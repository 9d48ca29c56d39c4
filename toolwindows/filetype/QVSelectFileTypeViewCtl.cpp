#include "toolwindows/filetype/QVSelectFileTypeViewCtl.h"

#include "ui_QVSelectFileTypeViewCtl.h"

#include "foundation/StringExpandText.h"
#include "platform/Bundle.h"

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
