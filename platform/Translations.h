#pragma once

namespace platform {

// Makes the toolkit's own texts Russian: the standard dialogs, buttons,
// context menus of edit fields and the accessible names of standard
// controls. Russian whatever the system's language, since the desks it is
// made for are Russian. Call it once the application object exists. A
// missing translation file is no error: those texts stay English and the
// program runs on. Returns whether the toolkit's translation was found.
bool loadToolkitTranslations();

} // namespace platform
