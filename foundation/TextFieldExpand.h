#pragma once

// Addition to the platform's text field: the editing key equivalents every text field of
// the application handles itself, Ctrl-X, Ctrl-C, Ctrl-V and Ctrl-A (the Command key of
// the original platform), sent as cut, copy, paste and select-all to the focused widget of
// the field's window.

class QKeyEvent;
class QLineEdit;

namespace qv {

/// Handles the key event when Ctrl is the only modifier (the keypad flag ignored) and the
/// key is X, C, V or A; answers whether the action was handled. Any other key is left to
/// the field's own handling (false).
bool performKeyEquivalent(QLineEdit* field, const QKeyEvent* event);
/// Makes every text field of the application handle its key equivalents (idempotent).
void installTextFieldKeyEquivalents();

} // namespace qv
