#pragma once

#include <QList>
#include <QString>
#include <QUrl>

/// Questions to the system (appearance, language, version, installed terminals), the Services
/// runner and the store-review flag. Class operations only.
class QVTools final
{
public:
    QVTools() = delete;

    /// The application's appearance is dark. Before 10.14 there was no dark mode: NO.
    static bool isDarkMode();
    /// The user's first preferred language is exactly "zh-Hans-CN".
    static bool isCN();
    /// The system's major version is greater than 13.
    static bool isSonomaPlus();
    /// The system's major version is greater than 14.
    static bool isMacOS15Plus();
    /// On 12 and later: an application "com.googlecode.iterm2" (or named "iTerm2") is installed.
    static bool isInstallIterm2();

    /// Performs the named service on the files. A service on this desktop is an installed
    /// application found by its desktop-entry name (or id); it gets the files' paths. NO off the
    /// main thread, and when there is no such service or it could not be started.
    static bool runService(const QString& serviceName, const QList<QUrl>& withFileURLs);

    static inline const QString kReviewFlagKey = QStringLiteral("review flag");

    /// The "review flag" of the standard defaults: a review has been requested.
    static bool isReview();
    /// goReview unless a review has been requested already.
    static void requestReview();
    /// Sets the "review flag". There is no store review controller on this desktop, so nothing
    /// is shown.
    static void goReview();
};
