#pragma once
// Qt's own texts (dialog buttons, the file dialog's labels) in the user's language: Qt's
// translations for the locale of the environment (LANG, LC_ALL, LC_MESSAGES), from Qt's
// translations directory. GUI thread only; after the QApplication exists.
#include <QString>

class QTranslator;

// Loads and installs Qt's translations for the system locale into the application,
// keeping them in `t` (which must live as long as the application). True when a
// translation was found (an English locale has none and needs none).
bool ZaladujTlumaczeniaQt(QTranslator& t);
