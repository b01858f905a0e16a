#include "staff/formtexts.h"

#include "staff/stafflogic.h"
#include "widgets/fillmemory.h"

#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>

namespace {
QString labelOf(const QDialog* dialog, const QLineEdit* field)
{
    for (const QLabel* l : dialog->findChildren<QLabel*>())
        if (l->buddy() == field) {
            QString text = l->text();
            if (text.endsWith(QLatin1Char(':')))
                text.chop(1);
            return text;
        }
    return QString();
}
} // namespace

bool CheckStorableTexts(QDialog* dialog, const TFillMemory& fill, std::initializer_list<QLineEdit*> fields)
{
    for (QLineEdit* field : fields) {
        if (fill.untouched(field))
            continue;
        const QList<char32_t> bad = UnstorableCharacters(field->text());
        if (bad.isEmpty())
            continue;
        field->setFocus();
        QMessageBox::warning(dialog, dialog->windowTitle(), UnstorableTextMessage(labelOf(dialog, field), bad));
        return false;
    }
    return true;
}
