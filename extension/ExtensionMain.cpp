// The plug-in's one exported entry point: the file-manager host resolves it by name and calls
// it once to create the principal object.

#include "extension/FinderSync.h"
#include "platform/System.h"

extern "C" Q_DECL_EXPORT platform::FIFinderSync* tarsel_finder_sync_create()
{
    // The plug-in carries its own copy of the platform layer, and that copy is the extension's:
    // its own private folder and standard defaults, never the application's.
    platform::System::setBundleIdentifier(platform::System::kExtensionBundleId);
    return new FinderSync();
}
