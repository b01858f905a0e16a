#pragma once
#include <QDialog>

// Person dialog "Person bearbeiten". Placeholder until the person page is built.
class TPersonForm : public QDialog {
    Q_OBJECT
public:
    explicit TPersonForm(QWidget* parent = nullptr);
};
