#include "kit/shortcut/MASShortcutView.h"

#include "kit/shortcut/MASShortcutMonitor.h"
#include "kit/shortcut/MASShortcutValidator.h"
#include "platform/DefaultsController.h"

#include <QEvent>
#include <QHelpEvent>
#include <QLoggingCategory>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QStyle>
#include <QStyleOptionButton>
#include <QToolTip>

Q_LOGGING_CATEGORY(lcShortcutView, "tarsel.kit.shortcut")

namespace {

// The view that records now; at most one in the process.
QPointer<MASShortcutView> gRecordingView;

} // namespace

MASShortcutView::MASShortcutView(QWidget* parent)
    : QWidget(parent)
    , m_validator(&MASShortcutValidator::sharedValidator())
{
    QFont small = font();
    small.setPointSize(11);
    setFont(small);
    setMouseTracking(true);
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_Hover);
    updateAccessibility();
}

MASShortcutView::~MASShortcutView()
{
    installMonitor(false);
}

void MASShortcutView::setShortcutValue(const std::optional<MASShortcut>& value)
{
    m_value = value;
    updateGeometry();
    update();
    updateAccessibility();
    propagateValue();
    if (m_valueChange) {
        m_valueChange(this);
    }
}

void MASShortcutView::setShortcutPlaceholder(const QString& placeholder)
{
    m_placeholder = placeholder;
    updateGeometry();
    update();
}

void MASShortcutView::setStyle(int style)
{
    if (style == m_style) {
        return;
    }
    m_style = style;
    updateGeometry();
    update();
}

void MASShortcutView::setHinting(bool hinting)
{
    if (hinting == m_hinting) {
        return;
    }
    m_hinting = hinting;
    update();
}

void MASShortcutView::setShowsDeleteButton(bool shows)
{
    m_showsDeleteButton = shows;
    update();
}

void MASShortcutView::setRecording(bool recording)
{
    if (recording) {
        if (gRecordingView && gRecordingView != this) {
            gRecordingView->setRecording(false);
        }
        gRecordingView = this;
        if (!isEnabled()) {
            return;
        }
    }
    if (recording == m_recording) {
        return;
    }
    m_recording = recording;
    m_placeholder.clear();
    installMonitor(recording);
    if (!recording && gRecordingView == this) {
        gRecordingView = nullptr;
    }
    updateGeometry();
    update();
}

int MASShortcutView::hintWidth() const
{
    switch (m_style) {
    case 1:
        return 25;
    case 2:
        return 26;
    case 3:
        return font().pointSize() - 11 - 8 + 23;
    default:
        return 23;
    }
}

void MASShortcutView::getShortcutRect(QRect* shortcutRect, QRect* hintRect) const
{
    const QRect bounds = rect();
    const int hint = qMin(hintWidth(), bounds.width());
    if (shortcutRect) {
        *shortcutRect = QRect(bounds.left(), bounds.top(), bounds.width() - hint, bounds.height());
    }
    if (hintRect) {
        *hintRect = QRect(bounds.right() - hint + 1, bounds.top(), hint, bounds.height());
    }
}

QString MASShortcutView::glyphText() const
{
    if (m_recording) {
        return QStringLiteral("\u238B");
    }
    return m_value && m_showsDeleteButton ? QStringLiteral("\u2715") : QString();
}

QString MASShortcutView::titleText() const
{
    if (!m_value) {
        if (!m_recording) {
            return MASLocalizedTextForKey(QStringLiteral("Record Shortcut"), "Empty shortcut button in normal state");
        }
        if (m_hinting) {
            return MASLocalizedTextForKey(QStringLiteral("Cancel"), "Cancel action button in recording state");
        }
        return !m_placeholder.isEmpty()
            ? m_placeholder
            : MASLocalizedTextForKey(QStringLiteral("Type Shortcut"), "Empty shortcut button in recording state");
    }
    if (!m_recording) {
        return m_value->description();
    }
    if (m_hinting) {
        return MASLocalizedTextForKey(QStringLiteral("Use Old Shortcut"),
                                      "Cancel action button for non-empty shortcut in recording state");
    }
    return !m_placeholder.isEmpty()
        ? m_placeholder
        : MASLocalizedTextForKey(QStringLiteral("Type New Shortcut"), "Non-empty shortcut button in recording state");
}

QStringList MASShortcutView::shownTexts() const
{
    QStringList texts {
        MASLocalizedTextForKey(QStringLiteral("Record Shortcut"), "Empty shortcut button in normal state"),
        MASLocalizedTextForKey(QStringLiteral("Cancel"), "Cancel action button in recording state"),
        MASLocalizedTextForKey(QStringLiteral("Type Shortcut"), "Empty shortcut button in recording state"),
        MASLocalizedTextForKey(QStringLiteral("Use Old Shortcut"),
                               "Cancel action button for non-empty shortcut in recording state"),
        MASLocalizedTextForKey(QStringLiteral("Type New Shortcut"), "Non-empty shortcut button in recording state"),
        m_placeholder,
    };
    if (m_value) {
        texts << m_value->description();
    }
    return texts;
}

QSize MASShortcutView::sizeHint() const
{
    // Wide enough for every text the view shows, beside the hint area, in this desktop's font:
    // recording must neither clip its prompt nor print it under the cancel glyph.
    const QFontMetrics metrics = fontMetrics();
    int widest = 0;
    for (const QString& text : shownTexts()) {
        widest = qMax(widest, metrics.horizontalAdvance(text));
    }
    QStyleOptionButton option;
    option.initFrom(this);
    const QSize button
        = QWidget::style()->sizeFromContents(QStyle::CT_PushButton, &option, QSize(widest, metrics.height()), this);
    return QSize(qMax(120, button.width() + hintWidth()), button.height());
}

QSize MASShortcutView::minimumSizeHint() const
{
    return sizeHint();
}

void MASShortcutView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    QStyleOptionButton option;
    option.initFrom(this);
    // The textured and rounded looks sit one point lower, as their bezels do.
    option.rect = (m_style == 1 || m_style == 2) ? rect().translated(0, 1) : rect();
    if (m_recording) {
        option.state |= QStyle::State_On | QStyle::State_Sunken;
    }
    if (m_style >= 0 && m_style <= 2) {
        QWidget::style()->drawControl(QStyle::CE_PushButtonBevel, &option, &painter, this);
    } else if (m_style != 3) {
        return;
    }
    QRect shortcutRect, hintRect;
    getShortcutRect(&shortcutRect, &hintRect);
    const int top = option.rect.top();
    painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
    const QString glyph = glyphText();
    if (!glyph.isEmpty()) {
        // The glyph sits in the hint area, the one place a click on it acts.
        painter.drawText(hintRect.translated(0, top), Qt::AlignCenter, glyph);
    }
    // The text keeps to its own area, so it never runs under the glyph or past the ends.
    const QRect textRect = (!m_value && !m_recording) ? option.rect : shortcutRect.translated(0, top);
    painter.save();
    painter.setClipRect(textRect);
    painter.drawText(textRect, Qt::AlignCenter,
                     painter.fontMetrics().elidedText(titleText(), Qt::ElideRight, textRect.width()));
    painter.restore();
}

void MASShortcutView::mousePressEvent(QMouseEvent* event)
{
    if (!isEnabled()) {
        QWidget::mousePressEvent(event);
        return;
    }
    QRect shortcutRect, hintRect;
    getShortcutRect(&shortcutRect, &hintRect);
    const QPoint at = event->position().toPoint();
    if (m_value && !m_recording) {
        if (shortcutRect.contains(at)) {
            setRecording(true);
        } else {
            setShortcutValue(std::nullopt);
        }
    } else if (m_recording) {
        if (hintRect.contains(at)) {
            setRecording(false);
        }
    } else {
        setRecording(true);
    }
}

void MASShortcutView::mouseMoveEvent(QMouseEvent* event)
{
    QRect hintRect;
    getShortcutRect(nullptr, &hintRect);
    setHinting(isEnabled() && hintRect.contains(event->position().toPoint()));
    QWidget::mouseMoveEvent(event);
}

void MASShortcutView::leaveEvent(QEvent* event)
{
    setHinting(false);
    QWidget::leaveEvent(event);
}

void MASShortcutView::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::EnabledChange) {
        setHinting(false);
        setRecording(false);
        updateGeometry();
        update();
    }
    QWidget::changeEvent(event);
}

QString MASShortcutView::toolTipAt(const QPoint& pos) const
{
    // A desktop session that allows no global hot keys says so wherever the view is pointed at.
    if (const QString why = MASShortcutMonitor::sharedMonitor().unavailableReason(); !why.isEmpty()) {
        return why;
    }
    QRect shortcutRect, hintRect;
    getShortcutRect(&shortcutRect, &hintRect);
    if (m_value && !m_recording && isEnabled()) {
        if (hintRect.contains(pos)) {
            return MASLocalizedTextForKey(QStringLiteral("Delete shortcut"),
                                          "Tooltip for hint button near the non-empty shortcut");
        }
        if (shortcutRect.contains(pos)) {
            return MASLocalizedTextForKey(QStringLiteral("Click to record new shortcut"),
                                          "Tooltip for non-empty shortcut button");
        }
    }
    return QString();
}

bool MASShortcutView::event(QEvent* event)
{
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        const QString tip = toolTipAt(help->pos());
        if (tip.isEmpty()) {
            QToolTip::hideText();
        } else {
            QToolTip::showText(help->globalPos(), tip, this);
        }
        return true;
    }
    return QWidget::event(event);
}

void MASShortcutView::updateAccessibility()
{
    setAccessibleName((m_value ? m_value->description() : QStringLiteral("Empty")) + QLatin1Char(' ')
                      + MASLocalizedTextForKey(QStringLiteral("keyboard shortcut"), "VoiceOver title"));
    // clang-format off
    setAccessibleDescription(MASLocalizedTextForKey(QStringLiteral("To record a new shortcut, click this button, and then type the new shortcut, or press delete to clear an existing shortcut."), "VoiceOver shortcut help"));
    // clang-format on
}

void MASShortcutView::setAssociatedUserDefaultsKey(const QString& key)
{
    setAssociatedUserDefaultsKey(key, MASValueTransformer::keyedUnarchiveFromData());
}

void MASShortcutView::setAssociatedUserDefaultsKey(const QString& key, const MASValueTransformer& transformer)
{
    disconnect(m_binding);
    m_boundKey = key;
    m_transformer = transformer;
    if (key.isEmpty()) {
        return;
    }
    m_binding = connect(&platform::DefaultsController::shared(), &platform::DefaultsController::valueChanged, this,
                        [this](const QString& changed) {
                            if (changed == m_boundKey) {
                                readBoundValue();
                            }
                        });
    readBoundValue();
}

void MASShortcutView::readBoundValue()
{
    m_readingBinding = true;
    setShortcutValue(m_transformer.forward(platform::DefaultsController::shared().value(m_boundKey)));
    m_readingBinding = false;
}

void MASShortcutView::propagateValue()
{
    if (m_boundKey.isEmpty() || m_readingBinding) {
        return;
    }
    if (!m_transformer.reverse) {
        qCWarning(lcShortcutView,
                  "WARNING: binding \"%s\" has value transformer, but it doesn't allow reverse "
                  "transformations in %s",
                  "shortcutValue", Q_FUNC_INFO);
        return;
    }
    platform::DefaultsController& defaults = platform::DefaultsController::shared();
    QVariant stored = m_transformer.reverse(m_value);
    if (!stored.isValid() && defaults.hasRegisteredDefault(m_boundKey)) {
        stored = QByteArray(); // an explicit "none" over the registered default
    }
    if (!defaults.setValue(m_boundKey, stored)) {
        qCWarning(lcShortcutView).noquote()
            << QStringLiteral("Failed to store the shortcut. Key: \"%1\". Error: \"%2\"")
                   .arg(m_boundKey, QStringLiteral("the defaults could not be written"));
    }
}
