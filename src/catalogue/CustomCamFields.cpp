#include "catalogue/CustomCamFields.h"

#include "catalogue/UCamForm.h"
#include "i18n/DisplayText.h"

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

void ReadCamFields(const TCamForm& form, TWebCam& cam) {
    cam.URL = form.URLEdit->text().toUtf8();
    cam.Name = form.TitleEdit->text().toUtf8();
    cam.Description = form.DescriptionEdit->text().toUtf8();
    cam.Webpage = form.WebpageEdit->text().toUtf8();
    cam.Country = form.CountryEdit->currentText().toUtf8();
    cam.Category = TWebCam::CustomCategory;
    bool isNumber = false;
    const int refresh = form.RefreshEdit->text().toInt(&isNumber, 10);
    cam.Refresh = isNumber ? refresh : TWebCam::DefaultRefresh;
}
