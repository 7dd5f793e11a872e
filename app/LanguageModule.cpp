#include "app/LanguageModule.h"

#include <QCoreApplication>
#include <QDir>

#include "app/Version.h"
#include "document/StringIds.h"

namespace kavitro {

LanguageModule::LanguageModule(QString languageRoot) : m_root(std::move(languageRoot)) {}

QString LanguageModule::DefaultLanguageRoot() {
    return QDir::cleanPath(QCoreApplication::applicationDirPath() + QStringLiteral("/../share/kavitro/lang"));
}

LanguagePack::LoadResult LanguageModule::LoadFromSetting(const QString& setting) {
    const QString name = PackNameFromSetting(setting);
    if (name.isEmpty()) {
        LanguagePack::LoadResult result;
        result.file = setting;
        result.reason = QStringLiteral("the setting does not name a language pack");
        return result;
    }
    return m_pack.Load(m_root, name);
}

QString LanguageVersionNotice(const LanguagePack& pack, const QString& address) {
    if (!pack.IsLoaded() || pack.Version() == ProgramVersionString())
        return {};
    QString text = pack.Format(StringId::LanguageVersionMismatch, {pack.Version(), ProgramVersionString()});
    if (!address.isEmpty())
        text += u'\n' + address;
    return text;
}

bool LoadLanguageAtStart(LanguageModule& module, const QString& setting, const QString& address,
                         ErrorReport& report) {
    const LanguagePack::LoadResult result = module.LoadFromSetting(setting);
    const LanguagePack& pack = module.Pack();
    if (!result.loaded) {
        report.ReportError(pack.Format(StringId::LanguagePackDamaged, {result.file, result.reason}).toStdU16String(),
                           MessageButtons::Ok, MessageIcon::Warning);
        return false;
    }
    if (!result.problems.isEmpty()) {
        report.ReportError(
            pack.Format(StringId::LanguagePackPartlyDamaged, {result.file, result.reason}).toStdU16String(),
            MessageButtons::Ok, MessageIcon::Warning);
    }
    const QString notice = LanguageVersionNotice(pack, address);
    if (!notice.isEmpty())
        report.ReportError(notice.toStdU16String(), MessageButtons::Ok, MessageIcon::Information);
    return true;
}

}  // namespace kavitro
