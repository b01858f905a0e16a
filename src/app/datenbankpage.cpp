#include "app/datenbankpage.h"

#include "i18n/ui/translateapp.h"

#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QToolButton>

TDatenbankPage::TDatenbankPage(QWidget* parent)
    : QWidget(parent)
{
    UserFolderCheck = new QRadioButton(QString::fromUtf8("Alle Datenbanken in diesem Verzeichnis ablegen:"), this);
    UserFolderCheck->setObjectName(QStringLiteral("UserFolderCheck"));
    UserFolderCheck->setChecked(true);
    Edit3 = new QLineEdit(this);
    Edit3->setObjectName(QStringLiteral("Edit3"));
    Edit3->setReadOnly(true);
    ProgramFolderCheck = new QRadioButton(QString::fromUtf8("Alle Datenbanken im Programmverzeichnis ablegen"), this);
    ProgramFolderCheck->setObjectName(QStringLiteral("ProgramFolderCheck"));
    UseSpecialFolderCheck = new QRadioButton(QString::fromUtf8("Datenbanken in folgendem Verzeichnis ablegen:"), this);
    UseSpecialFolderCheck->setObjectName(QStringLiteral("UseSpecialFolderCheck"));
    DirectoryEdit1 = new QLineEdit(this);
    DirectoryEdit1->setObjectName(QStringLiteral("DirectoryEdit1"));
    // A directory field: the window translation leaves its text alone.
    DirectoryEdit1->setProperty(kNoTranslateProperty, true);
    DirectoryBtn = new QToolButton(this);
    DirectoryBtn->setObjectName(QStringLiteral("DirectoryBtn"));
    DirectoryBtn->setText(QStringLiteral("..."));
    RestartLabel
        = new QLabel(QString::fromUtf8("Das neue Verzeichnis wird nach dem Programmneustart aktiviert."), this);
    RestartLabel->setObjectName(QStringLiteral("RestartLabel"));

    auto* grid = new QGridLayout(this);
    grid->addWidget(UserFolderCheck, 0, 0, 1, 2);
    grid->addWidget(Edit3, 1, 0, 1, 2);
    grid->addWidget(ProgramFolderCheck, 2, 0, 1, 2);
    grid->addWidget(UseSpecialFolderCheck, 3, 0, 1, 2);
    grid->addWidget(DirectoryEdit1, 4, 0);
    grid->addWidget(DirectoryBtn, 4, 1);
    grid->addWidget(RestartLabel, 5, 0, 1, 2);
    grid->setRowStretch(6, 1);
    grid->setColumnStretch(0, 1);

    connect(DirectoryBtn, &QToolButton::clicked, this, &TDatenbankPage::DirectoryBtnClick);
}

void TDatenbankPage::DirectoryBtnClick()
{
    const QString dir = QFileDialog::getExistingDirectory(this, QString(), DirectoryEdit1->text());
    if (!dir.isEmpty())
        DirectoryEdit1->setText(dir);
}
