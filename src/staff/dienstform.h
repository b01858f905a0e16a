#pragma once
#include <QDialog>

// Duty dialog "Dienst bearbeiten". Placeholder until the duty page is built.
class TDienstForm : public QDialog {
    Q_OBJECT
public:
    explicit TDienstForm(QWidget* parent = nullptr);
};
