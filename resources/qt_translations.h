#pragma once
// Qt's own texts (standard buttons, file and folder dialogs) in Simplified
// Chinese, so that they read as the rest of the window.

namespace resources {

// Installs Qt's Simplified Chinese translations into the running
// application; false when they are not installed on this machine. Call once,
// after the application object exists.
bool InstallQtTranslations();

}  // namespace resources
