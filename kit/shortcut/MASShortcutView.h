#pragma once

#include "kit/shortcut/MASShortcut.h"
#include "kit/shortcut/MASValueTransformer.h"

#include <QMetaObject>
#include <QWidget>

#include <functional>
#include <optional>

class MASShortcutValidator;

/// The control with which the user records a global hot key: a button that shows the current
/// shortcut; a click starts recording, the next combination typed is checked with the
/// validator and stored. The right end is the hint area: the clear glyph (✕) while a shortcut
/// is shown, and the cancel area while recording.
///
/// While recording, keys typed anywhere in the application go to the view: Delete or Forward
/// Delete clears the shortcut, Escape stops, Tab moves the focus as usual, Command-W and
/// Command-Q stop and still close or quit, held modifiers show as the placeholder. A
/// combination the validator finds invalid beeps; one the desktop or the main menu uses
/// already is refused with an alert naming the user. Only one view records at a time.
///
/// Bound to a defaults key (setAssociatedUserDefaultsKey), the view shows the stored value and
/// writes every change there, where the hot-key binder picks it up. Clearing a key that has a
/// registered default stores the empty data, an explicit "none": removing the key would bring
/// the default back, so the user could never clear it.
class MASShortcutView : public QWidget
{
    Q_OBJECT
public:
    using ValueChange = std::function<void(MASShortcutView*)>;

    explicit MASShortcutView(QWidget* parent = nullptr);
    ~MASShortcutView() override;

    std::optional<MASShortcut> shortcutValue() const { return m_value; }
    void setShortcutValue(const std::optional<MASShortcut>& value);
    QString shortcutPlaceholder() const { return m_placeholder; }
    void setShortcutPlaceholder(const QString& placeholder);
    /// The validator; null accepts every combination with a key name. The shared one by default.
    MASShortcutValidator* shortcutValidator() const { return m_validator; }
    void setShortcutValidator(MASShortcutValidator* validator) { m_validator = validator; }
    void setShortcutValueChange(ValueChange change) { m_valueChange = std::move(change); }

    /// 0 round rect, 1 textured, 2 rounded, 3 flat (no bezel).
    int style() const { return m_style; }
    void setStyle(int style);
    bool isRecording() const { return m_recording; }
    void setRecording(bool recording);
    bool isHinting() const { return m_hinting; }
    void setHinting(bool hinting);
    bool showsDeleteButton() const { return m_showsDeleteButton; }
    void setShowsDeleteButton(bool shows);

    /// The hint area is the rightmost hintWidth() points, the shortcut area the rest.
    int hintWidth() const;
    void getShortcutRect(QRect* shortcutRect, QRect* hintRect) const;
    /// The text each part shows now, as drawn: {glyph at the right, text in the shortcut area}.
    QString glyphText() const;
    QString titleText() const;
    /// The tooltip at the point: why this desktop session takes no global hot keys when it
    /// takes none, else what a click there does.
    QString toolTipAt(const QPoint& pos) const;

    QString associatedUserDefaultsKey() const { return m_boundKey; }
    /// Binds the view to the defaults key in the stored form of the hot keys; an empty key
    /// unbinds it.
    void setAssociatedUserDefaultsKey(const QString& key);
    void setAssociatedUserDefaultsKey(const QString& key, const MASValueTransformer& transformer);

    /// Wide enough for every text the view may show (at least 120 points).
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void installMonitor(bool on);
    bool handleRecordingKey(QKeyEvent* event);
    bool refuseTakenShortcut(const MASShortcut& shortcut);
    void propagateValue();
    void readBoundValue();
    void updateAccessibility();
    QStringList shownTexts() const;

    std::optional<MASShortcut> m_value;
    QString m_placeholder;
    MASShortcutValidator* m_validator;
    ValueChange m_valueChange;
    int m_style = 0;
    bool m_recording = false;
    bool m_hinting = false;
    bool m_showsDeleteButton = true;
    QString m_boundKey;
    MASValueTransformer m_transformer;
    QMetaObject::Connection m_binding;
    bool m_readingBinding = false;
};
