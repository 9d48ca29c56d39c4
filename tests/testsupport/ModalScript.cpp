#include "ModalScript.h"

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
        return m_answers.isEmpty() ? platform::PanelResult{} : m_answers.takeFirst();
    });
}

PanelScript::~PanelScript()
{
    platform::Panels::setResponder({});
}

void PanelScript::setNextPaths(const QStringList& paths)
{
    m_answers.append(platform::PanelResult { platform::PanelResult::OK, paths });
}

void PanelScript::setNextCancel()
{
    m_answers.append(platform::PanelResult {});
}

} // namespace tarsel::test
