#pragma once

// Additions to the platform's string: free functions in namespace qv, receiver first.
// Paths are plain absolute POSIX path strings. A "nil" string answer is a null QString.
//
// The category is large, so its declarations are kept in three headers by topic; include
// this one.
#include "foundation/StringExpandText.h" // text, paths, conversions, pasteboard, encodings
#include "foundation/StringExpandDigest.h" // file and text digests
#include "foundation/StringExpandShell.h" // shell runners and AppleScript
