#include "catalogue/UCamForm.h"

#include <QComboBox>

TCamForm* CamForm = nullptr;

TCamForm::TCamForm(QWidget* parent)
    : QDialog(parent) {
    setFixedSize(420, 240);
    CountryEdit = new QComboBox(this);
    CountryEdit->setEditable(true);
    CountryEdit->setInsertPolicy(QComboBox::NoInsert);
    CountryEdit->setGeometry(86, 172, 142, 21);
}
