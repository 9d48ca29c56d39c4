#pragma once

#include <QColor>
#include <QObject>

#include <functional>
#include <memory>

class QCheckBox;
class QColorDialog;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;
class QVSetColorFormatWinCtl;

namespace Ui {
class QVColorInfoWinCtl;
}

/// The "Color Picker" result window: the picked colour in a colour panel the user can still
/// adjust, and four texts of it, each with a Copy button: HEX (with "#" in front while the
/// check box, the shared switch "pref check6", is on), "R,G,B", and the user's two templates
/// (QVColorFormatTemplate), each with a button that edits it in a sheet. Copy puts the text on
/// the pasteboard, plays the copy sound and closes the window. Main thread only.
class QVColorInfoWinCtl final : public QObject
{
    Q_OBJECT

public:
    explicit QVColorInfoWinCtl(QObject* parent = nullptr);
    ~QVColorInfoWinCtl() override;
    Q_DISABLE_COPY_MOVE(QVColorInfoWinCtl)

    QWidget* window() const { return m_window.get(); }
    void setSoundPlayer(std::function<void(int type)> player) { m_soundPlayer = std::move(player); }

    /// Opens the window on the colour (above other windows on systems where tool windows float),
    /// shows its texts and centres the window on the mouse. An invalid colour opens nothing.
    void openWithColor(const QColor& color);
    /// The colour shown: the one opened with, typed as HEX or chosen in the panel. Kept here as
    /// given, since the panel holds 8 bits a component and would round a finer colour.
    QColor color() const { return m_color; }
    /// The texts again from the colour, the switch and the stored templates.
    void refresh();
    void close();

    /// The "#" check box: stores its state in "pref check6" and refreshes.
    void onJinghaoAction();
    /// The HEX field was edited: a text that reads as a colour becomes the panel's colour.
    void onHexColorChange();
    /// Copy button with tag 0 (HEX), 1 (R,G,B), 2 (template 1) or any other (template 2).
    void onCopy(int tag);
    /// Opens the template sheet for template 1 or 2.
    void onSetFormat(int tag);

    QColorDialog* colorPanel();
    QVSetColorFormatWinCtl* setFormatWinCtl();
    QLineEdit* input(int number) const; ///< 1 HEX, 2 R,G,B, 3 and 4 the templates
    QPushButton* copyButton(int number) const; ///< btn1 to btn4
    QPushButton* setFormatButton(int index) const; ///< the edit buttons of templates 1 and 2
    QCheckBox* btn1Check() const;
    QLabel* format1Label() const;
    QLabel* format2Label() const;

Q_SIGNALS:
    /// The window was closed: by Copy, by close() or by the window manager.
    void closed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void setPanelColor(const QColor& color);
    void onPanelColorChanged(const QColor& color);

    std::unique_ptr<QWidget> m_window;
    std::unique_ptr<Ui::QVColorInfoWinCtl> m_ui;
    QColorDialog* m_colorPanel = nullptr;
    std::unique_ptr<QVSetColorFormatWinCtl> m_setFormatWinCtl;
    std::function<void(int type)> m_soundPlayer;
    QColor m_color { Qt::white };
    bool m_settingPanel = false;
};
