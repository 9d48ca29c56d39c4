#include "engine/service/QVPendingWork.h"

#include <atomic>

namespace {
std::atomic<int> g_pendingWork { 0 };
const int g_holdToken = 0;
} // namespace

QVPendingWork::Hold QVPendingWork::hold()
{
    begin();
    return Hold(&g_holdToken, [](const void*) { end(); });
}

void QVPendingWork::begin()
{
    ++g_pendingWork;
}

void QVPendingWork::end()
{
    --g_pendingWork;
}

int QVPendingWork::count()
{
    return g_pendingWork.load();
}
