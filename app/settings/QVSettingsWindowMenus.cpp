// The settings window's menu bar: the application's entries (Close, Quit), the Edit menu that
// acts on the focused text field, and Help (Feedback, About).

#include "app/AppDelegate.h"
#include "app/settings/QVAboutWinCtl.h"
#include "app/settings/QVSettingsWindow.h"
#include "foundation/BundleExpand.h"
#include "foundation/StringExpandText.h"
#include "platform/Bundle.h"
#include "platform/Workspace.h"

#include "ui_QVSettingsWindow.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QLoggingCategory>
#include <QPlainTextEdit>
#include <QTextEdit>

Q_DECLARE_LOGGING_CATEGORY(lcApp)

namespace {

QString displayName()
{
    return platform::Bundle::localizedString(QStringLiteral("CFBundleDisplayName"), QString(),
                                             QStringLiteral("InfoPlist"));
}

// Whether the widget is in the window or in one of the dialogs (sheets) opened on it.
bool belongsTo(const QWidget* widget, const QWidget* window)
{
    for (const QWidget* w = widget; w != nullptr; w = w->parentWidget()) {
        if (w == window) {
            return true;
        }
    }
    return false;
}

// The text field an Edit entry acts on: the focused line or text editor (an editable combo
// box's line) of this window or of a dialog opened on it.
QWidget* focusedTextField(const QWidget* window)
{
    QWidget* focus = QApplication::focusWidget();
    if (focus == nullptr || !belongsTo(focus, window)) {
        return nullptr;
    }
    if (auto* combo = qobject_cast<QComboBox*>(focus); combo != nullptr && combo->lineEdit() != nullptr) {
        return combo->lineEdit();
    }
    if (qobject_cast<QLineEdit*>(focus) != nullptr || qobject_cast<QTextEdit*>(focus) != nullptr
        || qobject_cast<QPlainTextEdit*>(focus) != nullptr) {
        return focus;
    }
    return nullptr;
}

// What an Edit entry can do on the field now.
bool canDo(QWidget* field, const char* slot)
{
    const QByteArray name(slot);
    if (auto* line = qobject_cast<QLineEdit*>(field)) {
        const bool editable = !line->isReadOnly();
        if (name == "undo") {
            return editable && line->isUndoAvailable();
        }
        if (name == "redo") {
            return editable && line->isRedoAvailable();
        }
        if (name == "cut") {
            return editable && line->hasSelectedText() && line->echoMode() == QLineEdit::Normal;
        }
        if (name == "copy") {
            return line->hasSelectedText() && line->echoMode() == QLineEdit::Normal;
        }
        return name == "paste" ? editable : !line->text().isEmpty();
    }
    const auto textState = [&](bool readOnly, bool hasSelection, bool hasText, bool undo, bool redo) {
        if (name == "undo") {
            return !readOnly && undo;
        }
        if (name == "redo") {
            return !readOnly && redo;
        }
        if (name == "cut") {
            return !readOnly && hasSelection;
        }
        if (name == "copy") {
            return hasSelection;
        }
        return name == "paste" ? !readOnly : hasText;
    };
    if (auto* text = qobject_cast<QTextEdit*>(field)) {
        return textState(text->isReadOnly(), text->textCursor().hasSelection(), !text->document()->isEmpty(),
                         text->document()->isUndoAvailable(), text->document()->isRedoAvailable());
    }
    if (auto* plain = qobject_cast<QPlainTextEdit*>(field)) {
        return textState(plain->isReadOnly(), plain->textCursor().hasSelection(), !plain->document()->isEmpty(),
                         plain->document()->isUndoAvailable(), plain->document()->isRedoAvailable());
    }
    return false;
}

} // namespace

void QVSettingsWindow::setUpMenus()
{
    Ui::QVSettingsWindow& ui = *m_ui;
    layout()->setMenuBar(ui.menuBar);
    const QString name = displayName();
    ui.menuApp->setTitle(name);
    ui.menuAbout->setText(qv::stringWithFormat(qv::localized(QStringLiteral("Menu Abount")), name));
    ui.menuQuit->setText(qv::stringWithFormat(qv::localized(QStringLiteral("Menu Quit")), name));
    ui.menuClose->setText(qv::stringWithFormat(qv::localized(QStringLiteral("Menu Close")), name));
    ui.menuFeedback->setText(qv::stringWithFormat(qv::localized(QStringLiteral("Menu Feedback")), name));
    ui.menuHelp->setTitle(qv::localized(QStringLiteral("Help")));
    // "Edit" also titles the buttons that open an edit dialog ("Edit…"); a menu opens no dialog.
    QString edit = qv::localized(QStringLiteral("Edit"));
    while (edit.endsWith(QChar(0x2026)) || edit.endsWith(QLatin1Char('.'))) {
        edit.chop(1);
    }
    ui.menuEdit->setTitle(edit);

    ui.menuClose->setShortcuts(QKeySequence::Close);
    // Every desktop's binding of Quit, and Ctrl+Q where the platform names none.
    QList<QKeySequence> quit = QKeySequence::keyBindings(QKeySequence::Quit);
    if (quit.isEmpty()) {
        quit << QKeySequence(Qt::CTRL | Qt::Key_Q);
    }
    ui.menuQuit->setShortcuts(quit);
    ui.menuQuit->setMenuRole(QAction::QuitRole);
    ui.menuAbout->setMenuRole(QAction::AboutRole);
    connect(ui.menuClose, &QAction::triggered, this, &QWidget::close);
    connect(ui.menuQuit, &QAction::triggered, this, [this] {
        if (m_delegate) {
            m_delegate->exitApp();
        } else {
            QCoreApplication::quit();
        }
    });
    connect(ui.menuAbout, &QAction::triggered, this, [this] { QVAboutWinCtl::showAbout(this); });
    connect(ui.menuFeedback, &QAction::triggered, this, [] {
        if (!platform::Workspace::openUrl(QUrl(kFeedbackPageAddress))) {
            qCWarning(lcApp).noquote() << QStringLiteral(
                                              "Failed to open the feedback page. File: \"%1\". Error: \"%2\"")
                                              .arg(kFeedbackPageAddress, QStringLiteral("no program opens it"));
        }
    });

    const struct
    {
        QAction* action;
        const char* key;
        QKeySequence::StandardKey keys;
        const char* slot;
    } edits[] = {
        { ui.menuItemUndo, "Undo", QKeySequence::Undo, "undo" },
        { ui.menuItemRedo, "Redo", QKeySequence::Redo, "redo" },
        { ui.menuItemCut, "Cut", QKeySequence::Cut, "cut" },
        { ui.menuItemCopy, "Copy", QKeySequence::Copy, "copy" },
        { ui.menuItemPaste, "Paste", QKeySequence::Paste, "paste" },
        { ui.menuItemSelectall, "Select All", QKeySequence::SelectAll, "selectAll" },
    };
    for (const auto& entry : edits) {
        entry.action->setText(qv::localized(QString::fromLatin1(entry.key)));
        entry.action->setShortcuts(entry.keys);
        const char* slot = entry.slot;
        connect(entry.action, &QAction::triggered, this, [this, slot] {
            if (QWidget* field = focusedTextField(this); field != nullptr && canDo(field, slot)) {
                QMetaObject::invokeMethod(field, slot);
            }
        });
    }
    // The entries show what they can do on the field focused when the menu opens.
    connect(ui.menuEdit, &QMenu::aboutToShow, this, [this, edits] {
        QWidget* field = focusedTextField(this);
        for (const auto& entry : edits) {
            entry.action->setEnabled(field != nullptr && canDo(field, entry.slot));
        }
    });
    // Closed, they are all available again to the keyboard: an entry acts only when it can.
    connect(ui.menuEdit, &QMenu::aboutToHide, this, [edits] {
        for (const auto& entry : edits) {
            entry.action->setEnabled(true);
        }
    });
}
