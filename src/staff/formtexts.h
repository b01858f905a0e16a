#pragma once
// The check an edit dialog's OK makes on its text fields before anything is stored.

#include <initializer_list>

class QDialog;
class QLineEdit;
class TFillMemory;

// Looks at every field the user changed (one still showing its stored text goes back
// unchanged and is not looked at). The first that holds control characters or characters
// Windows-1252 cannot store gets a warning naming them, under the field's label, and the
// focus; the result is then false and the dialog must stay open.
bool CheckStorableTexts(QDialog* dialog, const TFillMemory& fill, std::initializer_list<QLineEdit*> fields);
