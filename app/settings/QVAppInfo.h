#pragma once

#include <QString>

/// One application the More Apps page recommends: its name and description (localisation
/// keys), its image name and its software-centre identifier (an AppStream component id).
struct QVAppInfo
{
    QString appName;
    QString appId;
    QString desc;
    QString icon;
};
