#include "gui/appicon.h"

// The icon is compiled into a static library; registering it by name makes the linker keep it.
// (Outside any namespace: the macro declares the registration function.)
static void RegisterAppAssets() {
    Q_INIT_RESOURCE(loginassets);
}

QString AppIconPath() {
    RegisterAppAssets();
    return QStringLiteral(":/app/icon.png");
}
