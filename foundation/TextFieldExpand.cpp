#include "foundation/TextFieldExpand.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPointer>

namespace qv {

namespace {

const char* actionFor(int key)
{
    switch (key) {
    case Qt::Key_X:
        return "cut";
    case Qt::Key_C:
        return "copy";
    case Qt::Key_V:
        return "paste";
    case Qt::Key_A:
        return "selectAll";
    default:
        return nullptr;
    }
}

// Control (on the keypad too) with one of the editing keys and nothing else.
bool isKeyEquivalent(const QKeyEvent* event)
{
    return (event->modifiers() & ~Qt::KeypadModifier) == Qt::ControlModifier && actionFor(event->key()) != nullptr;
}

class KeyEquivalentFilter final : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        // The shortcut override is answered too, so that no application shortcut takes the
        // key from the field first.
        if (event->type() != QEvent::KeyPress && event->type() != QEvent::ShortcutOverride) {
            return false;
        }
        auto* field = qobject_cast<QLineEdit*>(watched);
        auto* key = static_cast<QKeyEvent*>(event);
        if (field == nullptr || !isKeyEquivalent(key)) {
            return false;
        }
        if (event->type() == QEvent::ShortcutOverride) {
            event->accept();
            return true;
        }
        return performKeyEquivalent(field, key);
    }
};

} // namespace

bool performKeyEquivalent(QLineEdit* field, const QKeyEvent* event)
{
    if (field == nullptr || event == nullptr || !isKeyEquivalent(event)) {
        return false;
    }
    QWidget* responder = field->window()->focusWidget();
    if (responder == nullptr) {
        responder = field;
    }
    return QMetaObject::invokeMethod(responder, actionFor(event->key()));
}

void installTextFieldKeyEquivalents()
{
    static QPointer<KeyEquivalentFilter> filter;
    if (filter.isNull() && qApp != nullptr) {
        filter = new KeyEquivalentFilter(qApp);
        qApp->installEventFilter(filter);
    }
}

} // namespace qv
