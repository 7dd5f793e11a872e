#include "app/LanguageService.h"

#include "document/StringIds.h"

namespace kavitro {

LanguageService::LanguageService(CApplicationProperties& properties, QWidget* window, QString languageRoot,
                                 QString releaseAddress)
    : QObject(nullptr),
      m_properties(properties),
      m_language(std::move(languageRoot)),
      m_report(m_language, window),
      m_address(std::move(releaseAddress)) {
    connect(&m_updates, &UpdateCheck::Finished, this, &LanguageService::OnUpdateCheckFinished);
}

void LanguageService::Start(const QDateTime& now) {
    ErrorReport& report = m_reportTarget ? *m_reportTarget : m_report;
    LoadLanguageAtStart(m_language, QString::fromStdU16String(m_properties.m_languageModule), m_address, report);
    qint32 last = m_properties[CApplicationProperties::LastUpdateCheck];
    StartUpdateCheckIfDue(m_updates, m_address, m_properties[CApplicationProperties::CheckForUpdates] != 0,
                          m_properties[CApplicationProperties::CheckForUpdatesPeriod], last, now);
    m_properties[CApplicationProperties::LastUpdateCheck] = last;
}

bool LanguageService::SwitchLanguage() {
    ErrorReport& report = m_reportTarget ? *m_reportTarget : m_report;
    if (report.ReportError(StringId::SwitchLanguage, MessageButtons::YesNo, MessageIcon::Question) !=
        DialogResult::Yes)
        return false;
    const QString setting = OtherLanguageSetting(QString::fromStdU16String(m_properties.m_languageModule));
    m_properties.m_languageModule = setting.toStdU16String();
    const LanguagePack::LoadResult result = m_language.LoadFromSetting(setting);
    if (!result.loaded) {
        report.ReportError(
            m_language.Pack().Format(StringId::LanguagePackDamaged, {result.file, result.reason}).toStdU16String(),
            MessageButtons::Ok, MessageIcon::Warning);
        return false;
    }
    if (!result.problems.isEmpty()) {
        report.ReportError(m_language.Pack()
                                 .Format(StringId::LanguagePackPartlyDamaged, {result.file, result.reason})
                                 .toStdU16String(),
                             MessageButtons::Ok, MessageIcon::Warning);
    }
    emit LanguageChanged();
    return true;
}

void LanguageService::OnUpdateCheckFinished(const UpdateCheckResult& result) {
    if (result.outcome != UpdateCheckResult::Outcome::NewerRelease)
        return;
    if (m_notice)
        m_notice->close();
    m_notice = m_report.ShowNotice(m_language.Pack().Format(StringId::NewerRelease, {result.latest, m_address}));
}

}  // namespace kavitro
