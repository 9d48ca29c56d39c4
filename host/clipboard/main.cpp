// tarsel-clipboard: keeps what Tarsel copied pasteable after the copying program has ended.
// The pasteboard starts it detached and hands it the formats; see platform/ClipboardHolder.h.

#include "platform/ClipboardHolder.h"

int main()
{
    return platform::ClipboardHolder::serve();
}
