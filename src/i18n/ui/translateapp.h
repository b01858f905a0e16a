#pragma once
// Translation of the program's windows and the language switch notices (widgets).

#include <QList>

class QObject;
class QWidget;

// Dynamic properties the window translation honours.
inline constexpr char kTagProperty[] = "Tag"; // int; a spin box with 99 keeps its hint
inline constexpr char kFileFilterProperty[] = "Filter"; // QString; a file dialog filter held by any object
inline constexpr char kColorPickerProperty[] = "ColorPicker"; // bool; marks a combo box as colour picker
inline constexpr char kNoTranslateProperty[] = "NoTranslate"; // bool; the object's own texts stay German

// Translates every window once: each object of the trees below `roots` (the roots
// included) is visited exactly once, owners before the objects they own, and its texts
// are passed through TranslateText. Runs as one batch: the table is saved at most once.
void TranslateApplication(const QList<QObject*>& roots);
// The same over every parentless top-level window of the application.
void TranslateApplication();

// The translation steps of the main window's first showing: registers the 85 messages,
// sets the current language and, unless it is German, translates every window.
void TranslateAtFirstShowing(int language);

// Shows damage of translate.dat in an error message box without caption.
void InstallTranslationErrorBox();

// The restart notice after a language choice or the editor: caption message 2, text
// message 1, information icon, OK.
void ShowRestartNotice(QWidget* parent);
