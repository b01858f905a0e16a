#pragma once
// The toolkit's own texts (standard buttons of message boxes, file, colour and font
// dialogs) follow the program's language: German at language 0, the toolkit's English
// otherwise (English, and languages that translators add to the table).

// Installs or removes the toolkit's German translation for `language`. The application
// object must exist. Texts of boxes and dialogs created afterwards follow the choice; a
// call that changes nothing costs nothing.
void ApplyToolkitLanguage(int language);
