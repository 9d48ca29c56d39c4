#include "ModalScript.h"

#include <QAbstractButton>
#include <QWidget>

namespace tarsel::test {

AlertScript::AlertScript(QList<int> answers)
    : m_answers(std::move(answers))
{
    platform::Alert::setResponder([this](const platform::Alert& alert, QWidget* window) {
        m_shown.append({ alert.messageText(), alert.informativeText(), alert.buttonTitles(), alert.alertStyle(),
                         alert.level(), window });
        return m_answers.isEmpty() ? platform::Alert::FirstButtonReturn : m_answers.takeFirst();
    });
}

AlertScript::~AlertScript()
{
    platform::Alert::setResponder({});
}

PanelScript::PanelScript()
{
    platform::Panels::setResponder([this](platform::Panels::Kind kind, const platform::PanelOptions& options) {
        m_shown.append({ kind, options });
        const Step step = m_steps.isEmpty() ? Step {} : m_steps.takeFirst();
        if (!step.click.isEmpty()) {
            auto* button = options.accessoryView != nullptr
                ? options.accessoryView->findChild<QAbstractButton*>(step.click)
                : nullptr;
            if (button != nullptr) {
                button->click();
            }
        }
        return step.result;
    });
}

PanelScript::~PanelScript()
{
    platform::Panels::setResponder({});
}

void PanelScript::setNextPaths(const QStringList& paths)
{
    m_steps.append(Step { platform::PanelResult { platform::PanelResult::OK, paths }, QString() });
}

void PanelScript::setNextCancel()
{
    m_steps.append(Step {});
}

void PanelScript::setNextClick(const QString& buttonObjectName)
{
    m_steps.append(Step { platform::PanelResult {}, buttonObjectName });
}

} // namespace tarsel::test
