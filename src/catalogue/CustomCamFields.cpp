#include "catalogue/CustomCamFields.h"

#include "catalogue/UCamForm.h"
#include "core/DisplayText.h"

#include <QComboBox>
#include <QLineEdit>

void WriteCamFields(const TWebCam* cam, TCamForm& form) {
    const auto text = [cam](QByteArray TWebCam::*field) {
        return cam ? DisplayText(cam->*field) : QString();
    };
    form.URLEdit->setText(text(&TWebCam::URL));
    form.CountryEdit->setEditText(text(&TWebCam::Country));
    form.TitleEdit->setText(text(&TWebCam::Name));
    form.WebpageEdit->setText(text(&TWebCam::Webpage));
    form.DescriptionEdit->setText(text(&TWebCam::Description));
    form.RefreshEdit->setText(cam ? QString::number(cam->Refresh) : QString());
}

namespace {

// A record's value cannot hold a line break, but a text pasted into a field can: its lines are
// joined with blanks, so that the cam reads back from Custom.Cams as it was typed and no line of it
// becomes a key of its own.
QString OneLine(QString typed) {
    typed.replace(QLatin1String("\r\n"), QLatin1String(" "));
    typed.replace(QLatin1Char('\r'), QLatin1Char(' '));
    typed.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return typed;
}

// A field the user left as it was keeps the cam's own bytes, whatever their code page; what was
// typed is stored as UTF-8.
QByteArray FieldBytes(const QString& typed, const QByteArray& before) {
    return typed == DisplayText(before) ? before : OneLine(typed).toUtf8();
}

} // namespace

void ReadCamFields(const TCamForm& form, TWebCam& cam) {
    cam.URL = FieldBytes(form.URLEdit->text(), cam.URL);
    cam.Name = FieldBytes(form.TitleEdit->text(), cam.Name);
    cam.Description = FieldBytes(form.DescriptionEdit->text(), cam.Description);
    cam.Webpage = FieldBytes(form.WebpageEdit->text(), cam.Webpage);
    cam.Country = FieldBytes(form.CountryEdit->currentText(), cam.Country);
    cam.Category = TWebCam::CustomCategory;
    bool isNumber = false;
    const int refresh = form.RefreshEdit->text().toInt(&isNumber, 10);
    cam.Refresh = isNumber ? refresh : TWebCam::DefaultRefresh;
}
