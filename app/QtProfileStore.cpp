#include "app/QtProfileStore.h"

#include <limits>

#include <QString>
#include <QVariant>

namespace kavitro {
namespace {

QString Key(std::string_view section, std::string_view name) {
    QString key = QString::fromUtf8(section.data(), static_cast<qsizetype>(section.size()));
    key += QLatin1Char('/');
    key += QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
    return key;
}

}  // namespace

std::int32_t QtProfileStore::GetProfileInt(std::string_view section, std::string_view name,
                                           std::int32_t defaultValue) const {
    const QVariant value = m_settings.value(Key(section, name));
    if (!value.isValid())
        return defaultValue;
    bool ok = false;
    const qlonglong number = value.toLongLong(&ok);
    if (!ok || number < std::numeric_limits<std::int32_t>::min() || number > std::numeric_limits<std::int32_t>::max())
        return defaultValue;
    return static_cast<std::int32_t>(number);
}

std::u16string QtProfileStore::GetProfileString(std::string_view section, std::string_view name,
                                                std::u16string_view defaultValue) const {
    const QVariant value = m_settings.value(Key(section, name));
    if (!value.isValid() || value.typeId() != QMetaType::QString)
        return std::u16string(defaultValue);
    return value.toString().toStdU16String();
}

void QtProfileStore::WriteProfileInt(std::string_view section, std::string_view name, std::int32_t value) {
    m_settings.setValue(Key(section, name), static_cast<int>(value));
}

void QtProfileStore::WriteProfileString(std::string_view section, std::string_view name, std::u16string_view value) {
    m_settings.setValue(Key(section, name), QString::fromUtf16(value.data(), static_cast<qsizetype>(value.size())));
}

ApplicationSettingsSession::ApplicationSettingsSession(CApplicationProperties& properties) : m_properties(properties) {
    QSettings settings;
    const QtProfileStore store(settings);
    m_properties.Load(store);
}

ApplicationSettingsSession::~ApplicationSettingsSession() {
    // A destructor that runs while main unwinds must not throw; a profile
    // that cannot be written loses the changes, as the registry would.
    try {
        QSettings settings;
        QtProfileStore store(settings);
        m_properties.Save(store);
        settings.sync();
    } catch (...) {
    }
}

}  // namespace kavitro
