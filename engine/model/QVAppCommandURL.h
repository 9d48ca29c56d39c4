#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QUrl>

#include <optional>

/// The app command URL: the address by which the extension hands a command to the application,
/// "TarselPro://qvcommand-<method>?qvselect=<0|1>[&qvpath=<path>]...".
///
/// Each path is percent-encoded byte by byte: everything but letters, digits and
/// "!$'()*,-./:;?@_~" is escaped, so "&", "=", "#", "+" and "%" inside a name never split or cut
/// the query, and a file name that is not valid UTF-8 reaches the receiver byte for byte.
/// The address travels over the per-user local socket to the running application; when none
/// listens, the application is started with the address as its argument.
class QVAppCommandURL final
{
public:
    QVAppCommandURL() = delete;

    static inline const QString kScheme = QStringLiteral("TarselPro");

    /// The command numbers after "qvcommand-".
    enum Method : qint64 {
        None = 0,
        AirDrop = 7,
        DesktopPicture = 8,
        SendToWechat = 9,
        ColorPicker = 10,
        EncryptedCompression = 11,
        EmbedInFolder = 12,
        ResizeImage = 13,
        NewFolder = 14,
        ConvertToUTF8 = 15,
        LaunchedAtLogin = 1000,
    };

    /// What an app command URL asks the application to do.
    struct Command
    {
        qint64 method = 0;
        /// The host after "qvcommand-" is a plain decimal number that fits: no sign, no other
        /// characters, no saturation. A receiver runs only such a method.
        bool methodIsExact = false;
        /// Whether the address had a query that was not blank: only then do the selection
        /// fields replace the engine's selection.
        bool hasQuery = false;
        /// From "qvselect", when given.
        std::optional<bool> isSelectURL;
        /// One file URL per non-blank "qvpath", in query order.
        QList<QUrl> selectURLs;
    };

    /// Reads an address as the application receives it: the scheme exactly "TarselPro", the
    /// host beginning with "qvcommand-", the method its leading decimal digits (none gives 0,
    /// too many saturate), then the "&"-separated "name=value" pairs of the query; a pair that
    /// does not split into exactly two parts is skipped, and so is a path whose escapes are
    /// broken ("%" not followed by two hex digits), that is not absolute or holds a NUL byte.
    /// nullopt when the address is not an app command.
    static std::optional<Command> parse(const QByteArray& address);

    /// The raw bytes of a file URL's path (as the file system names it), percent-encoded.
    static QByteArray encodedPath(const QUrl& url);
    /// The whole address for a method and its URLs, in the order given.
    static QString urlStringWithMethod(qint64 method, const QList<QUrl>& urls, bool isSelectURL);

    /// Hands the command to the running application, or starts the application with it; false
    /// when neither worked.
    static bool openMainAppWithMethod(qint64 method, const QList<QUrl>& urls, bool isSelectURL);
    /// Starts the application (a running one is brought forward by its single-instance rule).
    static bool openMainApp();
    /// The application program: "Tarsel" beside this program or in the build tree's app folder,
    /// else the one on PATH.
    static QString mainAppProgram();
};
