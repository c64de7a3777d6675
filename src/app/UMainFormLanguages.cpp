// The languages submenu, built from the languages of each catalogue reply.
#include "app/ULMRLib.h"
#include "app/UMainForm.h"

void TMainForm::BuildLanguagesMenu() {
    const QList<QAction*> old = LanguagesRoot->actions();
    LanguagesRoot->clear();
    qDeleteAll(old);
    if (!LanguageList)
        return;
    for (qsizetype i = 0; i < LanguageList->Count(); ++i) {
        const TWebLanguage& language = LanguageList->Items(i);
        auto* item = new QAction(QString::fromUtf8(language.name), LanguagesRoot);
        item->setObjectName(QStringLiteral("LItem%1").arg(i));
        item->setCheckable(true);
        item->setChecked(language.refid == LanguageNumber);
        item->setData(language.refid);
        connect(item, &QAction::triggered, this, [this, item] { LanguagesClick(item); });
        LanguagesRoot->addAction(item);
    }
}

void TMainForm::LanguagesClick(QAction* Sender) {
    SelectLanguage(Sender->data().toInt());
}

void TMainForm::SelectLanguage(int language) {
    // The check marks, the pack and the new texts follow when the reply to this request arrives.
    LanguageNumber = language;
    RequestCatalogue();
    SaveSettings();
}

void TMainForm::CheckLanguagePack(int language) {
    // Installing or updating the language's pack comes with the pack download window; the
    // language in force is applied again either way.
    ApplyLanguage(language);
}
