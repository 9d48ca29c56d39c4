#include "toolwindows/colorinfo/QVColorInfoWinCtl.h"

#include "ui_QVColorInfoWinCtl.h"

#include "engine/model/QVMenuManager.h"
#include "engine/model/QVSwitch.h"
#include "foundation/BundleExpand.h"
#include "foundation/StringExpand.h"
#include "foundation/WindowExpand.h"
#include "platform/Defaults.h"
#include "platform/System.h"
#include "toolwindows/colorinfo/QVColorFormatTemplate.h"
#include "toolwindows/colorinfo/QVSetColorFormatWinCtl.h"

#include <QColorDialog>
#include <QEvent>
#include <QLoggingCategory>
#include <QPointer>
#include <QScopedValueRollback>
#include <QShortcut>

Q_LOGGING_CATEGORY(lcColorInfo, "tarsel.toolwindows.colorinfo", QtWarningMsg)

namespace {

// The sound of a copy.
constexpr int kCopySound = 3;

QString hashSwitch()
{
    return QVMenuManager::prefCheck(QVSwitch::HexColourHash);
}

} // namespace

QVColorInfoWinCtl::QVColorInfoWinCtl(QObject* parent)
    : QObject(parent)
    , m_window(std::make_unique<QWidget>(nullptr, Qt::Window))
    , m_ui(std::make_unique<Ui::QVColorInfoWinCtl>())
{
    m_ui->setupUi(m_window.get());
    m_window->setWindowTitle(qv::localized(QStringLiteral("Color Picker")));
    const QString copy = qv::localized(QStringLiteral("Copy"));
    QPushButton* const buttons[] = { m_ui->btn1, m_ui->btn2, m_ui->btn3, m_ui->btn4 };
    for (int tag = 0; tag < 4; ++tag) {
        buttons[tag]->setText(copy);
        connect(buttons[tag], &QPushButton::clicked, this, [this, tag] { onCopy(tag); });
    }
    m_ui->btn1Check->setText(qv::localized(QStringLiteral("Check Copy HEX")));
    m_ui->btn1Check->setForegroundRole(QPalette::PlaceholderText);
    // The colon is the full-width one of the system's own labels.
    const QString customize = qv::localized(QStringLiteral("Customize"));
    m_ui->format1Label->setText(qv::stringWithFormat(QStringLiteral("%@ 1："), customize));
    m_ui->format2Label->setText(qv::stringWithFormat(QStringLiteral("%@ 2："), customize));
    connect(m_ui->btn1Check, &QCheckBox::clicked, this, &QVColorInfoWinCtl::onJinghaoAction);
    connect(m_ui->input1, &QLineEdit::editingFinished, this, &QVColorInfoWinCtl::onHexColorChange);
    connect(m_ui->setFormat1Btn, &QPushButton::clicked, this, [this] { onSetFormat(1); });
    connect(m_ui->setFormat2Btn, &QPushButton::clicked, this, [this] { onSetFormat(2); });
    auto* cancel = new QShortcut(QKeySequence(Qt::Key_Escape), m_window.get());
    connect(cancel, &QShortcut::activated, this, &QVColorInfoWinCtl::close);
    colorPanel();
    m_window->installEventFilter(this);
}

QVColorInfoWinCtl::~QVColorInfoWinCtl()
{
    // The window hides while it is destroyed: that is no closing the owner hears of. Its HEX
    // field loses the focus then and reports an edit, which must not reach the freed form.
    m_window->removeEventFilter(this);
    m_ui->input1->disconnect(this);
}

QColorDialog* QVColorInfoWinCtl::colorPanel()
{
    if (m_colorPanel == nullptr) {
        // The panel's content only: no buttons of its own, embedded in this window.
        m_colorPanel = new QColorDialog(m_ui->colorPanelView);
        m_colorPanel->setOptions(QColorDialog::NoButtons | QColorDialog::DontUseNativeDialog);
        m_colorPanel->setWindowFlags(Qt::Widget);
        m_colorPanel->setSizeGripEnabled(false);
        m_ui->colorPanelLayout->addWidget(m_colorPanel);
        connect(m_colorPanel, &QColorDialog::currentColorChanged, this, &QVColorInfoWinCtl::onPanelColorChanged);
    }
    return m_colorPanel;
}

QVSetColorFormatWinCtl* QVColorInfoWinCtl::setFormatWinCtl()
{
    if (!m_setFormatWinCtl) {
        m_setFormatWinCtl = std::make_unique<QVSetColorFormatWinCtl>();
        QPointer<QVColorInfoWinCtl> self(this);
        m_setFormatWinCtl->setSuccessBlock([self] {
            if (self) {
                self->refresh();
            }
        });
    }
    return m_setFormatWinCtl.get();
}

QLineEdit* QVColorInfoWinCtl::input(int number) const
{
    QLineEdit* const inputs[] = { m_ui->input1, m_ui->input2, m_ui->input3, m_ui->input4 };
    return number >= 1 && number <= 4 ? inputs[number - 1] : nullptr;
}

QPushButton* QVColorInfoWinCtl::copyButton(int number) const
{
    QPushButton* const buttons[] = { m_ui->btn1, m_ui->btn2, m_ui->btn3, m_ui->btn4 };
    return number >= 1 && number <= 4 ? buttons[number - 1] : nullptr;
}

QPushButton* QVColorInfoWinCtl::setFormatButton(int index) const
{
    return index == 1 ? m_ui->setFormat1Btn : m_ui->setFormat2Btn;
}

QCheckBox* QVColorInfoWinCtl::btn1Check() const
{
    return m_ui->btn1Check;
}

QLabel* QVColorInfoWinCtl::format1Label() const
{
    return m_ui->format1Label;
}

QLabel* QVColorInfoWinCtl::format2Label() const
{
    return m_ui->format2Label;
}

void QVColorInfoWinCtl::openWithColor(const QColor& color)
{
    if (!color.isValid()) {
        qCWarning(lcColorInfo) << "no colour to show";
        return;
    }
    m_window->setWindowFlag(Qt::WindowStaysOnTopHint, platform::System::majorVersion() >= 15);
    qv::open(m_window.get());
    setPanelColor(color);
    refresh();
    qv::moveToMouse(m_window.get());
}

void QVColorInfoWinCtl::setPanelColor(const QColor& color)
{
    m_color = color;
    const QScopedValueRollback<bool> setting(m_settingPanel, true);
    colorPanel()->setCurrentColor(color);
}

// The user changed the colour in the panel.
void QVColorInfoWinCtl::onPanelColorChanged(const QColor& color)
{
    if (!m_settingPanel) {
        m_color = color;
    }
    refresh();
}

void QVColorInfoWinCtl::refresh()
{
    const QColor& color = m_color;
    const bool withHash = QVMenuManager::sharedDefaults().boolValue(hashSwitch());
    m_ui->btn1Check->setChecked(withHash);
    const QVColorFormatTemplate::Components c = QVColorFormatTemplate::components(color);
    const QString hex = QVColorFormatTemplate::hexText(c, withHash);
    m_ui->input1->setText(hex);
    m_ui->input2->setText(QVColorFormatTemplate::rgbText(c));
    m_ui->input3->setText(QVColorFormatTemplate::expand(QVColorFormatTemplate::storedTemplate(1), c, hex));
    m_ui->input4->setText(QVColorFormatTemplate::expand(QVColorFormatTemplate::storedTemplate(2), c, hex));
}

void QVColorInfoWinCtl::close()
{
    qv::shut(m_window.get());
}

bool QVColorInfoWinCtl::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_window.get() && event->type() == QEvent::Hide && !m_window->isVisible()) {
        Q_EMIT closed();
    }
    return QObject::eventFilter(watched, event);
}

void QVColorInfoWinCtl::onJinghaoAction()
{
    platform::Defaults& defaults = QVMenuManager::sharedDefaults();
    if (!defaults.setValue(hashSwitch(), m_ui->btn1Check->isChecked())) {
        qCWarning(lcColorInfo).noquote() << QStringLiteral("Failed to store the switch. File: \"%1\". Error: \"%2\"")
                                                .arg(defaults.filePath(), defaults.lastError());
    }
    refresh();
}

void QVColorInfoWinCtl::onHexColorChange()
{
    const QColor color = qv::rgbColor(m_ui->input1->text());
    if (color.isValid()) {
        setPanelColor(color);
        refresh();
    }
}

void QVColorInfoWinCtl::onCopy(int tag)
{
    QLineEdit* source = tag == 0 ? m_ui->input1 : tag == 1 ? m_ui->input2 : tag == 2 ? m_ui->input3 : m_ui->input4;
    qv::copyToPasteboard(source->text().trimmed());
    if (m_soundPlayer) {
        m_soundPlayer(kCopySound);
    }
    close();
}

void QVColorInfoWinCtl::onSetFormat(int tag)
{
    QVSetColorFormatWinCtl* sheet = setFormatWinCtl();
    sheet->openOnWindow(m_window.get());
    sheet->editColorFormatIndex(tag);
}
