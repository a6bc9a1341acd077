#pragma once
// Qt's own texts (the buttons of message boxes, the folder chooser) in Korean.
class QCoreApplication;
class QTranslator;

// Loads Qt's Korean translation from Qt's translations folder and installs it in the application,
// which owns it; null when it is not installed (Debian: qt6-translations-l10n), and Qt's texts
// stay English.
QTranslator* InstallKoreanQtTexts(QCoreApplication& app);
