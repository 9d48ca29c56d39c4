#pragma once

#include <QApplication>
#include <QKeyEvent>
#include <QString>
#include <QWidget>

namespace tarsel::test {

/// Types the text into the widget key by key, as a keyboard would: Return for a line break, Tab
/// for a tab, any other character (full-width or non-breaking ones too) as the key's text.
inline void typeKeys(QWidget* widget, const QString& text)
{
    for (const QChar c : text) {
        const int key = c == QLatin1Char('\n') ? Qt::Key_Return : c == QLatin1Char('\t') ? Qt::Key_Tab : 0;
        const QString typed = c == QLatin1Char('\n') ? QStringLiteral("\r") : QString(c);
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, typed);
        QApplication::sendEvent(widget, &press);
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, typed);
        QApplication::sendEvent(widget, &release);
    }
}

} // namespace tarsel::test
