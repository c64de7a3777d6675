#include "catalogue/UCamForm.h"

TCamForm::TCamForm(QWidget* parent)
    : QDialog(parent) {
    setFixedSize(420, 240);
}
