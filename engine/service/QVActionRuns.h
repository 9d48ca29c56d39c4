#pragma once

struct QVActionRequest;
struct QVCommandFamilies;

/// The run functions of the action table's rows, one per command and grouped by the family that
/// carries the command out. Each hands the chosen entry to its family and answers whether it ran
/// (false: nothing ran, nothing is counted).
class QVActionRuns final
{
public:
    using Commands = QVCommandFamilies;
    using Request = QVActionRequest;

    QVActionRuns() = delete;

    // Open with, services and the settings page.
    static bool openMainTabViewWithItem(Commands& c, const Request& r);
    static bool openChildWithApp(Commands& c, const Request& r);
    static bool openWithApp(Commands& c, const Request& r);
    static bool openServe(Commands& c, const Request& r);

    // New files from templates.
    static bool createChildFile(Commands& c, const Request& r);
    static bool createFileWithItem(Commands& c, const Request& r);

    // Common paths.
    static bool openCommonPath(Commands& c, const Request& r);
    static bool toCommonPathWithItem(Commands& c, const Request& r);
    static bool addToCommonPath(Commands& c, const Request& r);

    // User scripts.
    static bool executeChildScript(Commands& c, const Request& r);
    static bool executeItemScript(Commands& c, const Request& r);
    static bool executeSelectedScripts(Commands& c, const Request& r);

    // Flags, links and folder icons.
    static bool setFolderIcon(Commands& c, const Request& r);
    static bool hideAndShowFiles(Commands& c, const Request& r);
    static bool lockUnlockFiles(Commands& c, const Request& r);
    static bool sendToDesktopShortcut(Commands& c, const Request& r);

    // Images and text.
    static bool convertItem(Commands& c, const Request& r);
    static bool resizeChildItem(Commands& c, const Request& r);
    static bool resizeItem(Commands& c, const Request& r);
    static bool extractIcon(Commands& c, const Request& r);
    static bool convertTextToUTF8(Commands& c, const Request& r);

    // File info and digests.
    static bool copyChildFileInfo(Commands& c, const Request& r);
    static bool copyfileInfo(Commands& c, const Request& r);

    // File commands.
    static bool deletePath(Commands& c, const Request& r);
    static bool moveToTrash(Commands& c, const Request& r);
    static bool copyPath(Commands& c, const Request& r);
    static bool copyName(Commands& c, const Request& r);
    static bool showSystemFiles(Commands& c, const Request& r);
    static bool getInfo(Commands& c, const Request& r);
    static bool showPackageContents(Commands& c, const Request& r);
    static bool ejectVolumes(Commands& c, const Request& r);
    static bool copyFileContents(Commands& c, const Request& r);
    /// A process that holds no colour picker (a test, a program without windows) tells the user
    /// so.
    static bool startColorPicker(Commands& c, const Request& r);

    // Copy, move and paste.
    static bool cutPasteItem(Commands& c, const Request& r);

    // Compression, folders and garbled names.
    static bool encryptedCompress(Commands& c, const Request& r);
    static bool embedFolder(Commands& c, const Request& r);
    static bool createFolder(Commands& c, const Request& r);
    static bool unembedFolder(Commands& c, const Request& r);
    static bool fixingGarbledNames(Commands& c, const Request& r);
};
