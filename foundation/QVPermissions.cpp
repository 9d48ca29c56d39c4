#include "foundation/QVPermissions.h"

QVPermissions& QVPermissions::sharedInstance()
{
    static QVPermissions instance;
    return instance;
}
