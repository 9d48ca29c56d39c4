// Handing the selection to something outside the engine: an application or terminal, a desktop
// service, the archive utility, the application itself, or its settings window.
//
// Applications are started from argument vectors through the workspace: a file name never
// passes through a shell, whatever quotes or "$(...)" it holds. Terminals, named or offered as
// services, are this desktop's terminal programs opened at the folder.

#include "engine/service/openwith/QVOpenWithCommands.h"

#include "engine/model/QVAppCommandURL.h"
#include "engine/model/QVMenuManager.h"
#include "engine/service/QVCommandContext.h"
#include "engine/service/openwith/QVHandOffFailures.h"
#include "foundation/BundleExpand.h"
#include "foundation/AlertExpand.h"
#include "foundation/QVTools.h"
#include "foundation/StringExpand.h"
#include "foundation/StringExpandShell.h"
#include "platform/Defaults.h"
#include "platform/Paths.h"
#include "platform/Terminal.h"
#include "platform/Workspace.h"

#include <QFileInfo>
#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcOpenWith, "tarsel.engine.openwith", QtWarningMsg)

namespace {

bool isTerminalName(const QString& appName)
{
    const QString lower = appName.toLower();
    for (const char* word : { "warp", "iterm", "terminal", "wezterm", "kitty" }) {
        if (lower.contains(QLatin1String(word))) {
            return true;
        }
    }
    return false;
}

// The services that open a terminal: "New Terminal at Folder", "New Terminal Tab at Folder",
// "New iTerm2 Window Here", "New iTerm2 Tab Here" and the services of "Terminal To" and
// "iTerm2 To".
bool isTerminalService(const QString& serve)
{
    return serve.contains(QLatin1String("Terminal")) || serve.contains(QLatin1String("iTerm"));
}

// A terminal application of a record opened at a folder: the program of this desktop its name
// stands for ("Kitty" is kitty), else the program of the desktop entry of that name, else, for
// the macOS terminals that have no program here ("iTerm2", "Terminal"), the user's terminal.
bool openTerminalApplication(const QString& appName, const platform::Application& entry, const QString& folder,
                             QString* error)
{
    const QString byName = platform::Terminal::programForName(appName);
    if (!byName.isEmpty() && platform::Workspace::hasProgram(byName)) {
        return platform::Terminal::openWith({ byName }, folder, false, error);
    }
    const QString entryProgram = entry.isValid() ? platform::Workspace::programOf(entry) : QString();
    if (!entryProgram.isEmpty()) {
        return platform::Terminal::openWith({ entryProgram }, folder, false, error);
    }
    return byName.isEmpty() ? platform::Terminal::openAt(folder, false, error)
                            : platform::Terminal::openWith({ byName }, folder, false, error);
}

// The desktop entry a record's application stands for: by name, else by its identifier.
platform::Application applicationOf(const QVMenuItem& item)
{
    platform::Application app = platform::Workspace::applicationForName(item.appName());
    if (!app.isValid() && qv::isValid(item.appBundleId())) {
        app = platform::Workspace::applicationForId(item.appBundleId());
    }
    if (!app.isValid()) {
        app = platform::Workspace::applicationForId(item.appName());
    }
    return app;
}

// The program and arguments of the application's command, as one line quoted word by word; only
// used to hand a failed command to iTerm2, which runs it in its shell.
QString quotedLine(const platform::Application& app, const QString& path)
{
    QStringList words { app.exec.section(QLatin1Char(' '), 0, 0) };
    if (qv::isValid(path)) {
        words << path;
    }
    for (QString& word : words) {
        word = qv::shellQuoted(word);
    }
    return words.join(QLatin1Char(' '));
}

const QString& storePage(const QVMenuItem& item)
{
    static const QString lumeno = QStringLiteral("https://apps.apple.com/app/lumeno");
    static const QString borella = QStringLiteral("https://apps.apple.com/app/borella");
    static const QString borellaPro = QStringLiteral("https://apps.apple.com/app/borella-pro");
    if (item.key() == QLatin1String("Lumeno")) {
        return lumeno;
    }
    return item.isBorellaPro() ? borellaPro : borella;
}

} // namespace

bool QVOpenWithCommands::openWithApp(const QVMenuItemPtr& item, const QString& withPath)
{
    if (!item || !qv::isValid(item->appName())) {
        return false;
    }
    if (qv::isValid(item->appCmd()) && (item->isBorellaPro() || item->isBorella())) {
        openBorellaWithItem(item);
        return true;
    }
    if (qv::isValid(withPath)) {
        return openOnePath(item, withPath);
    }
    const QStringList paths = m_context.selectPaths();
    if (paths.isEmpty()) {
        if (!launchApp(*item, QString())) {
            openFailWithItem(item);
            return false;
        }
        return true;
    }
    for (const QString& path : paths) {
        if (!openOnePath(item, path)) {
            return false;
        }
    }
    return true;
}

QString QVOpenWithCommands::documentForApp(const QVMenuItem& item, const QString& path) const
{
    if (!qv::isValid(path)) {
        return QString();
    }
    const bool terminal = isTerminalName(item.appName());
    if (!m_context.isSelectURL() && !terminal && qv::isSystemFolder(path)) {
        // The menu was opened on the background of a system folder: the application starts empty.
        return QString();
    }
    if (terminal && !QFileInfo(path).isDir()) {
        return QFileInfo(path).absolutePath();
    }
    return path;
}

bool QVOpenWithCommands::launchApp(const QVMenuItem& item, const QString& document, QString* error)
{
    const platform::Application app = applicationOf(item);
    if (isTerminalName(item.appName())) {
        return openTerminalApplication(item.appName(), app, qv::isValid(document) ? document : platform::Paths::home(),
                                       error);
    }
    if (!app.isValid()) {
        qCWarning(lcOpenWith).noquote() << "no application named" << item.appName();
        if (error) {
            *error = QStringLiteral("Failed to open with \"%1\". Error: \"no such application is installed\"")
                         .arg(item.appName());
        }
        return false;
    }
    return platform::Workspace::openFiles(qv::isValid(document) ? QStringList { document } : QStringList(), app, error);
}

bool QVOpenWithCommands::openOnePath(const QVMenuItemPtr& item, const QString& path)
{
    const QString document = documentForApp(*item, path);
    QString error;
    if (launchApp(*item, document, &error)) {
        return true;
    }
    if (item->appName().contains(QLatin1String("Cursor")) && QVTools::isInstallIterm2()) {
        const bool handed = qv::openItem2WithFolder(quotedLine(applicationOf(*item), document));
        if (!handed) {
            QVHandOffFailures::note(error);
        }
        return handed;
    }
    // The document did not reach the application even when it opens without one below.
    QVHandOffFailures::note(error);
    QString bareError;
    if (!launchApp(*item, QString(), &bareError)) {
        openFailWithItem(item, bareError);
    }
    return false;
}

void QVOpenWithCommands::openBorellaWithItem(const QVMenuItemPtr& item)
{
    const QList<QUrl> urls = m_context.selectURLs();
    if (urls.isEmpty()) {
        return;
    }
    const QString name = item->appName();
    const QString appPath = (name == QLatin1String("Borella") || name == QLatin1String("BorellaPro"))
        ? QStringLiteral("/Applications/%1.app").arg(name)
        : name;
    if (!QFileInfo::exists(appPath)) {
        openFailWithItem(item,
                         QStringLiteral("Failed to open with \"%1\". File: \"%2\". Error: \"the archive utility is "
                                        "not installed\"")
                             .arg(name, appPath));
        return;
    }
    // The utility splits its address at every "qvpath=": the items follow each other directly.
    QString address
        = QStringLiteral("%1://qvcommand-%2?")
              .arg(item->isBorellaPro() ? QStringLiteral("QVBorellaPro") : QStringLiteral("QVBorella"), item->appCmd());
    for (const QUrl& url : urls) {
        address += QStringLiteral("qvpath=")
            + QString::fromLatin1(QUrl::toPercentEncoding(url.toLocalFile(), "!$&'()*+,;=:@/?"));
    }
    if (!platform::Workspace::openUrl(QUrl(address, QUrl::StrictMode))) {
        QVHandOffFailures::note(
            QStringLiteral("Failed to hand the items to \"%1\". Error: \"its address could not be opened\"").arg(name));
    }
}

void QVOpenWithCommands::openServe(const QString& serve, const QString& withPath)
{
    if (isTerminalService(serve)) {
        openTerminalAt(withPath, serve.contains(QLatin1String("Tab")));
        return;
    }
    QList<QUrl> urls;
    if (qv::isValid(withPath)) {
        urls << QUrl::fromLocalFile(withPath);
    } else {
        urls = m_context.selectURLs();
    }
    if (urls.isEmpty()) {
        urls << QUrl::fromLocalFile(qv::desktopPath());
    }
    if (!QVTools::runService(serve, urls)) {
        qCWarning(lcOpenWith).noquote() << "the service" << serve << "could not be run";
        QVHandOffFailures::note(
            QStringLiteral("Failed to run the service \"%1\". Error: \"no application offers it, or it "
                           "could not be started\"")
                .arg(serve));
    }
}

void QVOpenWithCommands::openTerminalAt(const QString& withPath, bool newTab)
{
    QStringList folders;
    if (qv::isValid(withPath)) {
        folders << withPath;
    } else {
        folders = m_context.selectPaths();
    }
    if (folders.isEmpty()) {
        folders << qv::desktopPath();
    }
    // A desktop without a Desktop folder opens the terminal at home instead.
    for (QString& folder : folders) {
        if (folder == qv::desktopPath() && !QFileInfo(folder).isDir()) {
            folder = platform::Paths::home();
        }
    }
    // A terminal started here opens its window in front on this desktop: there is no separate
    // step that brings it forward.
    for (const QString& folder : std::as_const(folders)) {
        QString error;
        if (platform::Terminal::openAt(folder, newTab, &error)) {
            continue;
        }
        qCWarning(lcOpenWith).noquote() << error;
        QVHandOffFailures::note(error);
        qv::alertWithMsg(qv::localized(platform::Terminal::chooseTerminal().isEmpty()
                                           ? QStringLiteral("No Terminal Tip")
                                           : QStringLiteral("Open Error Tip")));
        return;
    }
}

qint64 QVOpenWithCommands::mainAppMethodForItem(const QVMenuItem& item)
{
    if (item.isAirDrop()) {
        return QVAppCommandURL::AirDrop;
    }
    if (item.isDesktopPicture()) {
        return QVAppCommandURL::DesktopPicture;
    }
    if (item.isSendToWechat()) {
        return QVAppCommandURL::SendToWechat;
    }
    if (item.isColorPicker()) {
        return QVAppCommandURL::ColorPicker;
    }
    if (item.isCompress()) {
        return QVAppCommandURL::EncryptedCompression;
    }
    if (item.isEmbedFolder()) {
        return QVAppCommandURL::EmbedInFolder;
    }
    if (item.isResizeImage()) {
        return QVAppCommandURL::ResizeImage;
    }
    if (item.isNewFolder()) {
        return QVAppCommandURL::NewFolder;
    }
    if (item.isConvert()) {
        return QVAppCommandURL::ConvertToUTF8;
    }
    return QVAppCommandURL::None;
}

void QVOpenWithCommands::openFromMainApp(const QVMenuItemPtr& item)
{
    const qint64 method = item ? mainAppMethodForItem(*item) : QVAppCommandURL::None;
    if (method == QVAppCommandURL::None) {
        return;
    }
    if (!QVAppCommandURL::openMainAppWithMethod(method, m_context.selectURLs(), m_context.isSelectURL())) {
        openFailWithItem(item,
                         QStringLiteral("Failed to hand the command to the application. File: \"%1\". Error: \"no "
                                        "application is running and it could not be started\"")
                             .arg(QVAppCommandURL::mainAppProgram()));
    }
}

QString QVOpenWithCommands::settingsPageForItem(const QVMenuItemPtr& item)
{
    if (item) {
        if (item->isNewFile()) {
            return QStringLiteral("newfile");
        }
        if (item->isCommonApp()) {
            return QStringLiteral("commonapp");
        }
        if (item->isCommonPath()) {
            return QStringLiteral("commonpath");
        }
        if (item->isFolderIcon()) {
            return QStringLiteral("foldericon");
        }
        if (item->isCommonScript()) {
            return QStringLiteral("commonscript");
        }
    }
    return QStringLiteral("general");
}

void QVOpenWithCommands::openMainTabViewWithItem(const QVMenuItemPtr& item)
{
    const QString page = settingsPageForItem(item);
    platform::Defaults& defaults = QVMenuManager::sharedDefaults();
    if (!QVMenuManager::isPrefCheckOn(QVSwitch::OpenSettingsPage) && page != QLatin1String("general")) {
        return;
    }
    defaults.setValue(QVMenuManager::kMainOpenTabview, page);
    // The application opens the page stored above when it starts or comes forward.
    if (!QVAppCommandURL::openMainApp()) {
        openFailWithItem(nullptr,
                         QStringLiteral("Failed to start the application. File: \"%1\". Error: \"it could not be "
                                        "started\"")
                             .arg(QVAppCommandURL::mainAppProgram()));
    }
}

void QVOpenWithCommands::openFailWithItem(const QVMenuItemPtr& item, const QString& detail)
{
    const QString name = item ? item->appName() : QString();
    QVHandOffFailures::note(qv::isValid(detail) ? detail : QStringLiteral("Failed to open with \"%1\".").arg(name));
    if (item && (item->key() == QLatin1String("Lumeno") || item->isBorellaPro() || item->isBorella())) {
        platform::Workspace::openUrl(QUrl(storePage(*item)));
        return;
    }
    qCWarning(lcOpenWith).noquote() << "could not open" << name << detail;
    // A terminal application that stands for the user's terminal, on a desktop without one.
    const bool noTerminal = detail.contains(platform::Terminal::noTerminalError());
    qv::alertWithMsg(qv::localized(noTerminal ? QStringLiteral("No Terminal Tip") : QStringLiteral("Open Error Tip")));
}
