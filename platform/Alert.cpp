#include "platform/Alert.h"

#include "platform/ModalPolicy.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <memory>

namespace platform {

namespace {

Alert::Responder& responder()
{
    static Alert::Responder instance;
    return instance;
}

QMessageBox::Icon iconFor(Alert::Style style)
{
    switch (style) {
    case Alert::Style::Informational:
        return QMessageBox::Information;
    case Alert::Style::Critical:
        return QMessageBox::Critical;
    case Alert::Style::Warning:
        break;
    }
    return QMessageBox::Warning;
}

QStringList shownButtons(const Alert& alert)
{
    QStringList titles = alert.buttonTitles();
    if (titles.isEmpty()) {
        titles.append(QStringLiteral("OK"));
    }
    return titles;
}

// Builds the box; the buttons keep the order they were added in, left to right, so that
// the button codes follow the order the caller gave.
QMessageBox* makeBox(const Alert& alert, QWidget* parent, QList<QAbstractButton*>* buttons)
{
    auto* box = new QMessageBox(parent);
    box->setObjectName(QStringLiteral("alertMessageBox"));
    box->setIcon(iconFor(alert.alertStyle()));
    box->setWindowTitle(QApplication::applicationDisplayName());
    box->setText(alert.messageText());
    box->setInformativeText(alert.informativeText());
    const QStringList titles = shownButtons(alert);
    for (int i = 0; i < titles.size(); ++i) {
        // Every button takes the same role, so QMessageBox keeps them in insertion order.
        QPushButton* button = box->addButton(titles.at(i), QMessageBox::ActionRole);
        buttons->append(button);
    }
    box->setDefaultButton(qobject_cast<QPushButton*>(buttons->first()));
    box->setEscapeButton(buttons->at(alert.cancelResponse() - Alert::FirstButtonReturn));
    return box;
}

// After the modality: setting a message box's modality resets its window flags.
void setModality(QMessageBox* box, const Alert& alert, Qt::WindowModality modality)
{
    box->setWindowModality(modality);
    if (alert.level() > Alert::NormalLevel) {
        box->setWindowFlag(Qt::WindowStaysOnTopHint, true);
    }
}

int responseFor(const Alert& alert, const QMessageBox* box, const QList<QAbstractButton*>& buttons)
{
    const qsizetype index = buttons.indexOf(box->clickedButton());
    // No button clicked (closed some other way): the escape button's answer.
    return index >= 0 ? Alert::FirstButtonReturn + static_cast<int>(index) : alert.cancelResponse();
}

// Nobody can answer: say on standard error what was asked and take the harmless answer.
int answerUnasked(const Alert& alert)
{
    QStringList texts;
    for (const QString& text : { alert.messageText(), alert.informativeText() }) {
        if (!text.isEmpty()) {
            texts.append(text);
        }
    }
    const int response = alert.cancelResponse();
    const QStringList titles = shownButtons(alert);
    ModalPolicy::reportUnasked(texts.join(QStringLiteral(": ")), titles.at(response - Alert::FirstButtonReturn));
    return response;
}

} // namespace

int Alert::cancelResponse() const
{
    const int count = static_cast<int>(shownButtons(*this).size());
    if (m_cancelResponse >= FirstButtonReturn && m_cancelResponse < FirstButtonReturn + count) {
        return m_cancelResponse;
    }
    return FirstButtonReturn + (count > 1 ? count - 1 : 0);
}

int Alert::runModal() const
{
    if (const Responder& answer = responder()) {
        return answer(*this, nullptr);
    }
    if (!ModalPolicy::canAskUser()) {
        return answerUnasked(*this);
    }
    QList<QAbstractButton*> buttons;
    std::unique_ptr<QMessageBox> box(makeBox(*this, nullptr, &buttons));
    setModality(box.get(), *this, Qt::ApplicationModal);
    box->exec();
    return responseFor(*this, box.get(), buttons);
}

void Alert::beginSheetModalForWindow(QWidget* window, Handler handler) const
{
    if (window == nullptr) {
        const int response = runModal();
        if (handler) {
            handler(response);
        }
        return;
    }
    const Responder& answer = responder();
    if (answer || !ModalPolicy::canAskUser()) {
        const int response = answer ? answer(*this, window) : answerUnasked(*this);
        // A sheet answers after the call has returned, never inside it.
        QTimer::singleShot(0, qApp, [handler = std::move(handler), response]() {
            if (handler) {
                handler(response);
            }
        });
        return;
    }
    QList<QAbstractButton*> buttons;
    QMessageBox* box = makeBox(*this, window->window(), &buttons);
    setModality(box, *this, Qt::WindowModal);
    box->setAttribute(Qt::WA_DeleteOnClose);
    QObject::connect(box, &QMessageBox::finished, box, [alert = *this, box, buttons, handler = std::move(handler)]() {
        if (handler) {
            handler(responseFor(alert, box, buttons));
        }
    });
    box->open();
}

void Alert::setResponder(Responder answer)
{
    responder() = std::move(answer);
}

bool Alert::hasResponder()
{
    return static_cast<bool>(responder());
}

} // namespace platform
