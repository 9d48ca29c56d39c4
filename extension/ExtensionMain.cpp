// The plug-in's one exported entry point: the file-manager host resolves it by name and calls
// it once to create the principal object.

#include "extension/FinderSync.h"

extern "C" Q_DECL_EXPORT platform::FIFinderSync* tarsel_finder_sync_create()
{
    return new FinderSync();
}
