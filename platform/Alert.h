#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class QWidget;

namespace platform {

/// A message box: a message, an informative text below it, a row of buttons and a style.
///
/// The answer is a button code: 1000 for the first button added, 1001 for the second, and
/// so on. Closing the box without a button (Escape, the window's close button) answers the
/// cancel response: the last button when there are several ("Cancel" by convention) and the
/// first otherwise, unless the caller names another (setCancelResponse).
/// An alert without buttons gets one "OK" button when shown.
///
/// Tests install a responder (setResponder) that answers instead of the user: nothing is
/// shown then, and a sheet's handler still runs later, on the next turn of the event loop,
/// as it would after a real answer. When nobody can be asked (ModalPolicy: no display), the
/// alert writes its texts to standard error and answers its cancel response the same way.
class Alert final
{
public:
    enum class Style { Warning, Informational, Critical };

    static constexpr int FirstButtonReturn = 1000;
    /// Window levels: normal windows, and floating windows that stay above them.
    static constexpr int NormalLevel = 0;
    static constexpr int FloatingLevel = 3;

    using Handler = std::function<void(int response)>;
    /// Answers an alert in place of the user; `window` is the sheet's window or null.
    using Responder = std::function<int(const Alert& alert, QWidget* window)>;

    QString messageText() const { return m_messageText; }
    void setMessageText(const QString& text) { m_messageText = text; }
    QString informativeText() const { return m_informativeText; }
    void setInformativeText(const QString& text) { m_informativeText = text; }
    QStringList buttonTitles() const { return m_buttons; }
    void addButtonWithTitle(const QString& title) { m_buttons.append(title); }
    Style alertStyle() const { return m_style; }
    void setAlertStyle(Style style) { m_style = style; }
    int level() const { return m_level; }
    void setLevel(int level) { m_level = level; }
    /// The answer taken when the alert is closed without a button or cannot be shown. An
    /// alert whose last button is not the harmless one names the harmless one here.
    int cancelResponse() const;
    void setCancelResponse(int response) { m_cancelResponse = response; }

    /// Shows the alert application-modally and answers the button code once the user has
    /// answered.
    int runModal() const;
    /// Shows the alert as a sheet (window-modal) on the window and returns at once; the
    /// handler, when set, receives the button code. A null window runs it application-modally
    /// and then calls the handler.
    void beginSheetModalForWindow(QWidget* window, Handler handler) const;

    /// Installs the responder for every later alert; an empty function removes it.
    static void setResponder(Responder responder);
    static bool hasResponder();

private:
    QString m_messageText;
    QString m_informativeText;
    QStringList m_buttons;
    Style m_style = Style::Warning;
    int m_level = NormalLevel;
    int m_cancelResponse = 0; ///< 0: the default rule
};

} // namespace platform
