#include "platform/Panels.h"

#include "platform/ModalPolicy.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <QPointer>
#include <QTimer>

#include <memory>

namespace platform {

namespace {

Panels::Responder& responder()
{
    static Panels::Responder instance;
    return instance;
}

QString nameFilter(const QStringList& types)
{
    QStringList patterns;
    for (const QString& type : types) {
        patterns.append(QStringLiteral("*.") + type);
    }
    return QStringLiteral("(%1)").arg(patterns.join(QLatin1Char(' ')));
}

QFileDialog* makeDialog(Panels::Kind kind, const PanelOptions& options, QWidget* parent)
{
    auto* dialog = new QFileDialog(parent);
    dialog->setObjectName(kind == Panels::Kind::Open ? QStringLiteral("openPanelFileDialog")
                                                     : QStringLiteral("savePanelFileDialog"));
    dialog->setOption(QFileDialog::DontUseNativeDialog, true);
    dialog->setOption(QFileDialog::ReadOnly, !options.canCreateDirectories);
    if (!options.title.isEmpty()) {
        dialog->setWindowTitle(options.title);
    }
    if (!options.prompt.isEmpty()) {
        dialog->setLabelText(QFileDialog::Accept, options.prompt);
    }
    if (!options.directory.isEmpty()) {
        dialog->setDirectory(options.directory);
    }
    if (!options.allowedFileTypes.isEmpty()) {
        dialog->setNameFilter(nameFilter(options.allowedFileTypes));
    }
    if (options.level > Panels::NormalLevel) {
        dialog->setWindowFlag(Qt::WindowStaysOnTopHint, true);
    }
    if (options.showsHiddenFiles) {
        dialog->setFilter(dialog->filter() | QDir::Hidden);
    }
    if (kind == Panels::Kind::Save) {
        dialog->setAcceptMode(QFileDialog::AcceptSave);
        dialog->setFileMode(QFileDialog::AnyFile);
        dialog->setOption(QFileDialog::DontConfirmOverwrite, false);
        if (!options.nameFieldValue.isEmpty()) {
            dialog->selectFile(options.nameFieldValue);
        }
        if (options.allowedFileTypes.size() == 1) {
            dialog->setDefaultSuffix(options.allowedFileTypes.first());
        }
    } else if (!options.canChooseFiles && options.canChooseDirectories) {
        dialog->setFileMode(QFileDialog::Directory);
        dialog->setOption(QFileDialog::ShowDirsOnly, true);
    } else {
        dialog->setFileMode(options.allowsMultipleSelection ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
    }

    auto* grid = qobject_cast<QGridLayout*>(dialog->layout());
    if (!options.message.isEmpty() && grid != nullptr) {
        auto* label = new QLabel(options.message, dialog);
        label->setObjectName(QStringLiteral("panelMessageLabel"));
        label->setWordWrap(true);
        grid->addWidget(label, grid->rowCount(), 0, 1, grid->columnCount());
    }
    if (options.accessoryView != nullptr && grid != nullptr) {
        grid->addWidget(options.accessoryView, grid->rowCount(), 0, 1, grid->columnCount());
        options.accessoryView->show();
    }
    return dialog;
}

// Gives the borrowed accessory back before the dialog (its parent for the moment) goes.
class AccessoryLoan final
{
public:
    explicit AccessoryLoan(QWidget* accessory)
        : m_accessory(accessory)
        , m_parent(accessory != nullptr ? accessory->parentWidget() : nullptr)
    {
    }
    void giveBack()
    {
        if (m_accessory) {
            m_accessory->hide();
            m_accessory->setParent(m_parent);
        }
        m_accessory = nullptr;
    }

private:
    QPointer<QWidget> m_accessory;
    QPointer<QWidget> m_parent;
};

PanelResult resultOf(const QFileDialog& dialog, int code)
{
    PanelResult result;
    if (code == QDialog::Accepted) {
        result.response = PanelResult::OK;
        result.paths = dialog.selectedFiles();
    }
    return result;
}

// Nobody can answer: say on standard error which panel it was and cancel it.
PanelResult answerUnasked(Panels::Kind kind, const PanelOptions& options)
{
    QStringList texts { kind == Panels::Kind::Open ? QStringLiteral("open panel") : QStringLiteral("save panel") };
    for (const QString& text : { options.title, options.message, options.prompt }) {
        if (!text.isEmpty()) {
            texts.append(text);
        }
    }
    ModalPolicy::reportUnasked(texts.join(QStringLiteral(": ")), QStringLiteral("Cancel"));
    return PanelResult {};
}

PanelResult runPanel(Panels::Kind kind, const PanelOptions& options)
{
    if (const Panels::Responder& answer = responder()) {
        return answer(kind, options);
    }
    if (!ModalPolicy::canAskUser()) {
        return answerUnasked(kind, options);
    }
    AccessoryLoan loan(options.accessoryView);
    std::unique_ptr<QFileDialog> dialog(makeDialog(kind, options, nullptr));
    dialog->setWindowModality(Qt::ApplicationModal);
    const int code = dialog->exec();
    loan.giveBack();
    return resultOf(*dialog, code);
}

void beginPanel(Panels::Kind kind, const PanelOptions& options, QWidget* window, Panels::Handler handler)
{
    if (window == nullptr || responder() || !ModalPolicy::canAskUser()) {
        const PanelResult result = runPanel(kind, options);
        if (!handler) {
            return;
        }
        if (window == nullptr) {
            handler(result);
        } else {
            QTimer::singleShot(0, qApp, [handler = std::move(handler), result]() { handler(result); });
        }
        return;
    }
    auto loan = std::make_shared<AccessoryLoan>(options.accessoryView);
    QFileDialog* dialog = makeDialog(kind, options, window->window());
    dialog->setWindowModality(Qt::WindowModal);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    QObject::connect(dialog, &QDialog::finished, dialog, [dialog, loan, handler = std::move(handler)](int code) {
        loan->giveBack();
        if (handler) {
            handler(resultOf(*dialog, code));
        }
    });
    dialog->open();
}

} // namespace

PanelResult Panels::runOpenPanel(const PanelOptions& options)
{
    return runPanel(Kind::Open, options);
}

PanelResult Panels::runSavePanel(const PanelOptions& options)
{
    return runPanel(Kind::Save, options);
}

void Panels::beginOpenPanel(const PanelOptions& options, QWidget* window, Handler handler)
{
    beginPanel(Kind::Open, options, window, std::move(handler));
}

void Panels::beginSavePanel(const PanelOptions& options, QWidget* window, Handler handler)
{
    beginPanel(Kind::Save, options, window, std::move(handler));
}

void Panels::setResponder(Responder answer)
{
    responder() = std::move(answer);
}

static QFileDialog* shownPanelOf(QWidget* accessory)
{
    for (QWidget* widget = accessory; widget != nullptr; widget = widget->parentWidget()) {
        if (auto* dialog = qobject_cast<QFileDialog*>(widget); dialog != nullptr && dialog->isVisible()) {
            return dialog;
        }
    }
    return nullptr;
}

void Panels::cancelPanelOf(QWidget* accessory)
{
    if (QFileDialog* dialog = shownPanelOf(accessory)) {
        dialog->reject();
    }
}

void Panels::setAllowedFileTypesOf(QWidget* accessory, const QStringList& types)
{
    QFileDialog* dialog = shownPanelOf(accessory);
    if (dialog == nullptr) {
        return;
    }
    dialog->setNameFilter(types.isEmpty() ? QString() : nameFilter(types));
    dialog->setDefaultSuffix(types.size() == 1 ? types.first() : QString());
}

} // namespace platform
