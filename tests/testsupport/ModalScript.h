#pragma once

#include "platform/Alert.h"
#include "platform/Panels.h"

#include <QList>
#include <QString>
#include <QStringList>

class QWidget;

namespace tarsel::test {

/// Answers every alert from a script while it lives, and records what was shown.
/// Answers are taken in order; when the script has run out, the first button (1000).
class AlertScript final
{
public:
    struct Shown
    {
        QString messageText;
        QString informativeText;
        QStringList buttons;
        platform::Alert::Style style;
        int level;
        QWidget* window; ///< the sheet's window, null for an application-modal alert
    };

    explicit AlertScript(QList<int> answers = {});
    ~AlertScript();
    AlertScript(const AlertScript&) = delete;
    AlertScript& operator=(const AlertScript&) = delete;

    void setNextAnswer(int response) { m_answers.append(response); }
    const QList<Shown>& shown() const { return m_shown; }

private:
    QList<int> m_answers;
    QList<Shown> m_shown;
};

/// Answers every open and save panel from a script while it lives, and records the options.
/// When the script has run out, panels are cancelled.
class PanelScript final
{
public:
    struct Shown
    {
        platform::Panels::Kind kind;
        platform::PanelOptions options;
    };

    PanelScript();
    ~PanelScript();
    PanelScript(const PanelScript&) = delete;
    PanelScript& operator=(const PanelScript&) = delete;

    /// The next panel answers OK with these paths.
    void setNextPaths(const QStringList& paths);
    /// The next panel is cancelled.
    void setNextCancel();
    /// The next panel clicks the button of that object name in its accessory (as the user
    /// would, through the real widget), then is cancelled.
    void setNextClick(const QString& buttonObjectName);
    const QList<Shown>& shown() const { return m_shown; }

private:
    struct Step
    {
        platform::PanelResult result;
        QString click;
    };
    QList<Step> m_steps;
    QList<Shown> m_shown;
};

} // namespace tarsel::test
