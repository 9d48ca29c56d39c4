#pragma once

#include "engine/model/QVMenuItem.h"

#include <QString>
#include <QStringList>

class QVCommandContext;
struct QVProgressHooks;
class QVOpenWithCommands;

/// "Convert to", "Resize Image" and "Extract Icon": pictures converted to other types, icon sets
/// or one PDF, PDFs and animated GIFs split into pictures, scaled copies at a saved or a custom
/// size, and the items' icons as large PNG files. Conversion and resizing are one background job
/// each behind the progress window; what the user sees is posted to the main queue.
///
/// Every file written is encoded as the type its extension names; where this system cannot
/// encode that type, the copy is written as JPEG under ".jpg" instead.
class QVImageCommands final
{
public:
    QVImageCommands(QVCommandContext& context, QVOpenWithCommands& openWith)
        : m_context(context)
        , m_openWith(openWith)
    {
    }
    Q_DISABLE_COPY_MOVE(QVImageCommands)

    /// Runs the conversion the child of "Convert to" names (its tag, its position from 0, picks
    /// the icon set); false for "UTF-8", which another command handles.
    bool convertItem(const QVMenuItemPtr& child, const QVMenuItemPtr& entry);
    /// A saved size, or the resize window ("Customize..." or the entry itself; handed to the
    /// application where the extension may). Nothing for a folder.
    void resizeItem(const QVMenuItemPtr& child, const QVMenuItemPtr& entry);
    /// Opens the resize window on the first selected item.
    void resizeImageCustom();
    /// Scaled copies of the selected pictures at width x height pixels beside them. A size that
    /// is not a finite number of at least one whole pixel is refused with the error sound.
    void _resizeImage(double width, double height);
    /// Each selected item's icon as a 1024x1024 PNG beside it (on the Desktop for applications), an
    /// application's or a folder's own icon where it has one; the PNGs are then shown selected in
    /// the file manager.
    void extractIcon();

    /// The copy's file name: "name@WxH.ext" (W and H as numbers, the sign U+00D7).
    static QString resizedName(const QString& path, double width, double height);

private:
    void beginJob();
    void endJob();
    /// Converts one file; false when a write failed. A file that cannot be read is left out and
    /// says why in *skipped.
    bool convertOne(const QString& path, const QVMenuItemPtr& child, const QString& key, const QVProgressHooks& hooks,
                    QStringList* skipped);

    QVCommandContext& m_context;
    QVOpenWithCommands& m_openWith;
};
