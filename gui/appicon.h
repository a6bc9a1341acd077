#pragma once
// The program's icon, compiled into the program: in the notification area and on the frame.
#include <QString>

// The icon's resource path; the resources are registered on the first call.
QString AppIconPath();
