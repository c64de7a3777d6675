#include "catalogue/UCamForm.h"

#include <QComboBox>
#include <QLineEdit>

TCamForm* CamForm = nullptr;

namespace {

QLineEdit* AddField(QWidget* parent, const char* name, const QRect& place) {
    auto* field = new QLineEdit(parent);
    field->setObjectName(QLatin1String(name));
    field->setGeometry(place);
    return field;
}

} // namespace

TCamForm::TCamForm(QWidget* parent)
    : QDialog(parent) {
    setFixedSize(420, 240);
    TitleEdit = AddField(this, "TitleEdit", {86, 52, 307, 21});
    URLEdit = AddField(this, "URLEdit", {86, 82, 307, 21});
    DescriptionEdit = AddField(this, "DescriptionEdit", {86, 112, 307, 21});
    WebpageEdit = AddField(this, "WebpageEdit", {86, 142, 307, 21});
    CountryEdit = new QComboBox(this);
    CountryEdit->setObjectName(QStringLiteral("CountryEdit"));
    CountryEdit->setEditable(true);
    CountryEdit->setInsertPolicy(QComboBox::NoInsert);
    CountryEdit->setGeometry(86, 172, 142, 21);
    RefreshEdit = AddField(this, "RefreshEdit", {334, 172, 59, 21});
}

bool TCamForm::Execute() {
    return exec() == QDialog::Accepted;
}
