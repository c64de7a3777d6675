#include "outreach/UAttentionForm.h"

TAttentionForm::TAttentionForm(QWidget* parent)
    : QDialog(parent) {}
