#include "engine/service/QVPendingWork.h"

#include <atomic>

namespace {
std::atomic<int> g_pendingWork { 0 };
} // namespace

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
